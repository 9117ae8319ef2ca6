#include "launcher/jvmfinder.h"

#include "jvm/findjvm.h"
#include "platform/env.h"

namespace qrl {

JvmFinder systemJvmFinder(Family family) {
    return [family](const JvmCriteria& criteria, std::string& exePath) {
        std::string exeName = "jre";
        if (family == Family::Windows) return FindJvm(Family::Windows).isJvmInstalled(criteria, "JRE", exeName, exePath);
        if (FindJvm(family).isJvmInstalled(criteria, exeName, exePath)) return true;
        // The launcher of a POSIX install: the JVM roots of macOS hold
        // nothing there, the usual places of the system do.
        exeName = "jre";
        std::string home = platform::getEnv("HOME").value_or("");
        return FindJvm(Family::Posix).isJvmInstalled(home, criteria, "", exeName, exePath, "");
    };
}

}  // namespace qrl
