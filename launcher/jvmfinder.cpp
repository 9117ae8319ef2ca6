#include "launcher/jvmfinder.h"

#include "common/familyrules.h"
#include "jvm/findjvm.h"
#include "jvm/jvmverdicts.h"
#include "platform/env.h"

namespace qrl {

JvmFinder systemJvmFinder(Family family, Logs logs) {
    return [family, logs](const JvmCriteria& criteria) {
        JvmSearchAnswer answer;
        std::string& exePath = answer.exePath;
        std::string exeName = "jre";
        std::string home = platform::getEnv("HOME").value_or("");
        JvmVerdicts verdicts;
        FindJvm finder(family, logs);
        finder.setObserver(&verdicts);
        if (finder.isJvmInstalled({criteria, "JRE", home, ""}, exeName, exePath)) return answer;
        if (rulesFor(family).jvmSearch == JvmSearch::MacRoots) {
            // maclauncher started in a POSIX install: the JVM roots of macOS hold
            // nothing there, the usual places of the system do.
            exeName = "jre";
            FindJvm posix(Family::Posix, logs);
            posix.setObserver(&verdicts);
            if (posix.isJvmInstalled({criteria, "", home, ""}, exeName, exePath)) return answer;
        }
        // Why no JVM would do, for whoever reads the error log.
        logVerdicts(logs, verdicts.candidates, criteria);
        exePath.clear();
        // The launchers speak English to the user; so does this sentence.
        if (const JvmCandidate* miss = nearestMiss(verdicts.candidates, criteria))
            answer.nearestMiss = nearestMissSentence(*miss, criteria, "english");
        return answer;
    };
}

}  // namespace qrl
