// What the Windows installer's registry writer makes of its inputs: the home
// registered for a launcher path (cut only before a whole "bin" component,
// lower case), the RuntimeLib decision for a version, and the vector of a
// vendor command line (the parts come back whole, separators and all).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/text.h"
#include "provision/jvmregistry.h"
#include "provision/runjvminstaller.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t nl = input.find('\n', start);
        parts.push_back(input.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos || parts.size() == 3) break;
        start = nl + 1;
    }
    parts.resize(3);
    const std::string& launcher = parts[0];

    std::string home = qrl::registryHome(launcher);
    std::string lower = qrl::asciiLower(launcher);
    if (lower.compare(0, home.size(), home) != 0) std::abort();
    size_t sep = launcher.find_last_of("\\/");
    if (sep != std::string::npos && home.size() < sep) {
        // Cut before a whole component named "bin".
        std::string rest = lower.substr(home.size());
        size_t at = !rest.empty() && (rest[0] == '\\' || rest[0] == '/') ? 1 : 0;
        if (at == 0 && !home.empty()) std::abort();
        bool bin = rest.compare(at, 3, "bin") == 0 &&
                   (rest.size() == at + 3 || rest[at + 3] == '\\' || rest[at + 3] == '/');
        if (!bin) std::abort();
    }

    if (qrl::wantsRuntimeLib("java.exe", parts[1])) std::abort();
    if (qrl::wantsRuntimeLib("java", parts[1]) && parts[1].find_first_of("123456789") == std::string::npos)
        std::abort();

    auto [program, argv] = qrl::splitInstallerCommand(parts[2], qrl::Family::Windows);
    if (argv.empty()) std::abort();
    const std::string separator = qrl::kInstallerArgSeparator;
    if (parts[2].find(separator) != std::string::npos) {
        std::string joined = program;
        for (size_t i = 1; i < argv.size(); ++i) joined += separator + argv[i];
        if (joined != parts[2]) std::abort();
    } else if (argv.size() != 2 || argv[1] != parts[2] || program != parts[2]) {
        std::abort();
    }
    return 0;
}
