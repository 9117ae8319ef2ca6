// Where a predefinedJvmInstallDir value puts the JVM: a value with the
// working-directory variable always lands below the working directory, any
// other value is taken as it stands; the JVM home inside it follows jvmHomeDir.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "provision/jvmprovisioner.h"
#include "provision/predefineddir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t cut = input.find('\n');
    std::string setting = input.substr(0, cut);
    std::string homeDir = cut == std::string::npos ? std::string() : input.substr(cut + 1);
    const std::string work = "/work dir";
    auto resolved = qrl::resolvePredefinedDir(setting, work);
    bool ok = resolved.has_value();
    std::string dir = resolved.value_or("");
    if (setting.find("[$AppDir]/") == std::string::npos) {
        bool variable = setting.rfind("[$", 0) == 0;
        if (ok == variable || (ok && dir != setting)) std::abort();
    } else if (ok) {
        if (dir.compare(0, work.size() + 1, work + "/") != 0) std::abort();
    } else if (setting != "[$AppDir]/" || !dir.empty()) {
        std::abort();
    }
    std::string home = qrl::applyJvmHomeDir("/jvm", homeDir, qrl::Family::Posix);
    if (homeDir.empty() && home != "/jvm") std::abort();
    if (home.size() > 1 && home.back() == '/') std::abort();
    if (homeDir.rfind("./", 0) == 0 && home.compare(0, 4, "/jvm") != 0) std::abort();
    std::string expected = homeDir.rfind("./", 0) == 0 ? "/jvm" + homeDir.substr(1) : homeDir;
    if (!homeDir.empty() && expected.compare(0, home.size(), home) != 0) std::abort();
    return 0;
}
