// The program path and the argument string taken from a Windows command line:
// the path is a piece of the line, the rest its tail; the properties file name
// is formed from any path without harm.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launcher/properties.h"
#include "platform/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    std::string_view rest;
    std::string_view token = platform::firstWindowsToken(line, &rest);
    if (token.size() > line.size() || rest.size() > line.size()) std::abort();
    if (line.compare(line.size() - rest.size(), rest.size(), rest) != 0) std::abort();
    if (line.find(token) == std::string::npos) std::abort();
    qrl::LauncherProperties params(qrl::Family::Windows, qrl::Logs::inCurrentDir(qrl::kLauncherTrace));
    std::string programDir;
    if (params.getPropertiesFilename(token, programDir)) {
        const std::string& name = params.getPropertyFilename();
        if (name.size() < 19 || name.compare(name.size() - 11, 11, ".properties") != 0) std::abort();
    }
    return 0;
}
