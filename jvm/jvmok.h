// Whether one candidate JVM meets a kit's criteria: a required version, or a
// minimum and an optional maximum. On POSIX systems and macOS the JVM is run
// with "-version" and its banner read from standard error; on Windows the
// version comes from the registry. When the kit ships the probe class
// "TestJvm.class", the probe runs in the JVM and must answer in "jvmGood.txt".
// The banner's capture and the probe's answer go to a private directory of
// each test's own (common/scratchdir.h): a test writes nothing in the
// current directory.
#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "jvm/jvmobserver.h"

namespace qrl {

struct JvmTestPolicy;

inline constexpr const char* kVersionCaptureFile = "__qrlvers.log";
inline constexpr const char* kProbeClassFile = "TestJvm.class";
inline constexpr const char* kProbeAnswerFile = "jvmGood.txt";

// Required, minimum and maximum version, in that order; a non-empty required
// version overrides the other two.
struct JvmCriteria {
    std::string required;
    std::string minimum;
    std::string maximum;
};

// What the JVM tests of one search share: the real executables (links
// resolved) already tested, which are not started again, and how many JVM
// processes were started and how long they ran.
struct JvmRuns {
    std::set<std::string> tested;
    unsigned starts = 0;
    std::chrono::nanoseconds runTime{0};
};

// The version in a JVM banner line: `<name> version "<version>"` (for example
// openjdk version "17.0.15" 2025-04-15); nothing when the line is no banner.
std::optional<std::string> bannerVersion(std::string_view line);

// The version a line of JVM output names: the banner's version when the line
// is a banner; otherwise the text from its first decimal digit to its last
// one (empty without any digit).
std::string lineVersion(std::string_view line);

// Of the lines of a JVM's output, the one its version is taken from: the first
// banner line, else the first line (empty when there are none).
std::string versionLine(const std::vector<std::string>& lines);

// The line a file of JVM output ("__qrlvers.log", "jvmGood.txt") gives its
// version from (versionLine of its lines, each cut to 999 bytes); nothing when
// the file cannot be read.
std::optional<std::string> outputVersionLine(std::string_view file);

// How a found version fares against the criteria: Accepted, NotRequired,
// BelowMinimum or AboveMaximum; NoVersion for an empty version the criteria
// refuse.
JvmReason versionVerdict(const JvmCriteria& criteria, std::string_view found);

// One candidate of a search: a JVM home and the name of its program as the
// caller gives it ("java", "jre", "javaw.exe"). A version known beforehand
// (the registry's) must meet the criteria too.
struct JvmHome {
    std::string home;
    std::string exeName;
    std::optional<std::string> knownVersion = std::nullopt;
};

// The JVM a search accepted: its program's full path and the name it answered
// to ("java" where "jre" was asked for).
struct FoundJvm {
    std::string executable;
    std::string name;
};

// The test of candidate JVMs. It holds only what the tests of one search
// share: the family, the logs, the record of the JVMs started and whom to tell
// each verdict; every test's findings are its own, in the verdict it returns.
class JvmTester {
public:
    // `runs`: the record of one search, so that a program already tested is
    // rejected without being started again (none: every program is started).
    // `observer`: told every verdict as it is made (none: nobody is told).
    JvmTester(Family family, Logs logs, JvmRuns* runs = nullptr, JvmObserver* observer = nullptr);

    // Finds and tests the program of a home: home/name, then home/bin/name,
    // then, for a name beginning with "jre", the same with the family's Java
    // launcher name; then verifies the version known beforehand. Accepted, the
    // verdict names the program and the name it answered to; refused, the
    // reason of the last program tested (NoExecutable when there was none)
    // and the name as the caller gave it.
    JvmVerdict testJvm(const JvmHome& candidate, const JvmCriteria& criteria) const;

    // The test of one program the home test found: "-version" where the
    // family runs it, then the probe class when the kit ships it. Tells no
    // one; the verdict has no home.
    JvmVerdict testProgram(std::string_view exeName, std::string_view exePath, const JvmCriteria& criteria) const;

private:
    // A file of JVM output read and its version verified.
    struct Reading {
        JvmReason reason = JvmReason::NoVersion;
        std::string line;     // the line the version was taken from
        std::string version;  // empty when the file could not be read
    };

    bool tracesCriteria() const;
    JvmReason verifyVersion(const JvmCriteria& criteria, std::string_view found) const;
    Reading checkVersion(std::string_view file, const JvmCriteria& criteria) const;
    // Runs the probe class in the JVM when the kit ships it; `verdict` is
    // what the test knows so far.
    JvmVerdict probe(JvmVerdict verdict, const JvmCriteria& criteria) const;
    // Starts the probe, whose answer goes to `answerDir` (empty: the current
    // directory); the failure to start it, if any.
    std::optional<platform::Result> startProbe(std::string_view exePath, const std::string& answerDir) const;
    JvmVerdict versionCommand(JvmVerdict verdict, const JvmCriteria& criteria) const;
    bool alreadyTested(std::string_view exePath) const;
    void countRun(std::chrono::steady_clock::time_point since) const;
    void tell(const JvmVerdict& verdict) const;

    Family family_;
    const JvmTestPolicy& policy_;
    Logs logs_;
    JvmRuns* runs_;
    JvmObserver* observer_;
};

}  // namespace qrl
