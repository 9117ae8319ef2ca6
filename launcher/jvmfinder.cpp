#include "launcher/jvmfinder.h"

#include "jvm/findjvm.h"
#include "jvm/jvmverdicts.h"
#include "platform/env.h"

namespace qrl {

JvmFinder systemJvmFinder(Family family, Logs logs) {
    return [family, logs](const JvmCriteria& criteria) {
        JvmSearchAnswer answer;
        std::string home = platform::getEnv("HOME").value_or("");
        JvmVerdicts verdicts;
        FindJvm finder(family, logs);
        finder.setObserver(&verdicts);
        if (auto found = finder.isJvmInstalled({criteria, "JRE", home, ""}, "jre")) {
            answer.exePath = found->executable;
            return answer;
        }
        if (jvmSearchOf(family) == JvmSearch::MacRoots) {
            // maclauncher started in a POSIX install: the JVM roots of macOS hold
            // nothing there, the usual places of the system do.
            FindJvm posix(Family::Posix, logs);
            posix.setObserver(&verdicts);
            if (auto found = posix.isJvmInstalled({criteria, "", home, ""}, "jre")) {
                answer.exePath = found->executable;
                return answer;
            }
        }
        // Why no JVM would do, for whoever reads the error log.
        logVerdicts(logs, verdicts.candidates, criteria);
        // The launchers speak English to the user; so does this sentence.
        if (const JvmCandidate* miss = nearestMiss(verdicts.candidates, criteria))
            answer.nearestMiss = nearestMissSentence(*miss, criteria, "english");
        return answer;
    };
}

}  // namespace qrl
