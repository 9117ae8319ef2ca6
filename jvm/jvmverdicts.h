// The verdicts of one JVM search, kept in the order the search made them and
// told in words. kitcheck --jvm prints them; an installer or a launcher whose
// search found nothing suitable writes the same lines to errors.log and names
// the nearest miss to the user.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "jvm/jvmobserver.h"
#include "jvm/jvmok.h"

namespace qrl {

struct JvmCandidate {
    std::string where;  // "PATH", "JAVA_HOME", "system directory", a registry key ...
    JvmVerdict verdict;
    std::string machine;  // what the program is built for, when its header tells ("x86_64")
};

// Collects what a search tells, in the order it tells it. A program tested
// before under another name carries the earlier name in its detail.
class JvmVerdicts : public JvmObserver {
public:
    std::vector<JvmCandidate> candidates;

    void place(std::string_view where, std::string_view home) override;
    void verdict(const JvmVerdict& verdict) override;

private:
    std::string where_;
};

// The versions the criteria admit: "17", "1.8 or a later version",
// "1.6 - 1.8", "any version up to 11", "any version".
std::string rangeText(const JvmCriteria& criteria);

// The processor a program is built for, read from its header (ELF, PE,
// Mach-O): "x86_64", "i386", "aarch64", "arm" ...; empty when it cannot be
// told (a script, an unknown machine).
std::string executableMachine(const std::string& path);
// This program's own processor, as executableMachine tells it.
const std::string& ownMachine();

// A program built for another processor that failed to start or to answer.
bool wrongMachine(const JvmCandidate& candidate, const std::string& ownMachine);

// Why the candidate was refused, or "chosen".
std::string reasonText(const JvmCandidate& candidate, const JvmCriteria& criteria, const std::string& ownMachine);

// Places that held no program are candidates only where they were named on
// purpose: JAVA_HOME and the registry. An empty directory of the search path
// or of /usr/share is no candidate.
bool shownCandidate(const JvmCandidate& candidate);

// The candidates as numbered lines ("1. PATH /usr/bin/java: 11.0.2 rejected:
// below the minimum 17"), without indentation or line ends, then a line that
// counts the places that held no program, or one saying nothing was found.
std::vector<std::string> verdictLines(const std::vector<JvmCandidate>& candidates, const JvmCriteria& criteria);

// A search that found nothing suitable: its verdicts in errors.log (and the
// trace), under a line that names the versions looked for.
void logVerdicts(const Logs& logs, const std::vector<JvmCandidate>& candidates, const JvmCriteria& criteria);

// The JVM that came nearest: refused for its version alone, the greatest of
// those below the range, else the least of those above it, else the first
// that is not the required version. Null when no JVM was refused for its
// version.
const JvmCandidate* nearestMiss(const std::vector<JvmCandidate>& candidates, const JvmCriteria& criteria);

// One sentence in the user's language (the installers' identifiers,
// "english" for any other) naming the nearest miss: "Java 11.0.2 was found in
// /usr/lib/jvm/jdk-11, but version 17 or later is needed."
std::string nearestMissSentence(const JvmCandidate& miss, const JvmCriteria& criteria, std::string_view language);

}  // namespace qrl
