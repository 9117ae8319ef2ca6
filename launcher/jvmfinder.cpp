#include "launcher/jvmfinder.h"

#include "common/familyrules.h"
#include "jvm/findjvm.h"
#include "platform/env.h"

namespace qrl {

JvmFinder systemJvmFinder(Family family, Logs logs) {
    return [family, logs](const JvmCriteria& criteria, std::string& exePath) {
        std::string exeName = "jre";
        std::string home = platform::getEnv("HOME").value_or("");
        if (FindJvm(family, logs).isJvmInstalled({criteria, "JRE", home, ""}, exeName, exePath)) return true;
        if (rulesFor(family).jvmSearch != JvmSearch::MacRoots) return false;
        // maclauncher started in a POSIX install: the JVM roots of macOS hold
        // nothing there, the usual places of the system do.
        exeName = "jre";
        return FindJvm(Family::Posix, logs).isJvmInstalled({criteria, "", home, ""}, exeName, exePath);
    };
}

}  // namespace qrl
