#include "launcher/elevated.h"

#include <vector>

#include "platform/env.h"

namespace qrl {

std::string untrustedPlace(const RightsSource& rights, std::string_view propertiesFile, std::string_view program,
                           std::string_view jvmHome, Family family) {
    // Wholly the administrators': the properties, their folder, the
    // launcher's folder, the program and the folders from it up to the JVM
    // home.
    std::string quarlanDir = parentFolder(propertiesFile, family);
    std::string launcherDir = parentFolder(quarlanDir, family);
    std::vector<std::string> whole{std::string(propertiesFile), quarlanDir, std::string(program)};
    for (std::string dir = parentFolder(program, family); !dir.empty() && dir.size() > jvmHome.size();
         dir = parentFolder(dir, family))
        whole.push_back(dir);
    for (const auto& path : whole)
        if (std::string why = untrustedReason(rights, path, true); !why.empty()) return why;
    // And the two folders with everything above them.
    for (const std::string& top : {launcherDir, std::string(jvmHome)})
        if (std::string why = untrustedChain(rights, top, family); !why.empty()) return why;
    return {};
}

void clearJvmOptionVariables() {
    for (const char* name : {"JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS", "_JAVA_OPTIONS"}) (void)platform::unsetEnv(name);
}

}  // namespace qrl
