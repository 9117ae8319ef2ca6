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

#include "common/familyrules.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "jvm/jvmobserver.h"

namespace qrl {

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
// openjdk version "17.0.15" 2025-04-15). False when the line is no banner.
bool bannerVersion(std::string_view line, std::string& version);

// The version a line of JVM output names: the banner's version when the line
// is a banner; otherwise the text from its first decimal digit to its last
// one (empty without any digit).
std::string lineVersion(std::string_view line);

// Of the lines of a JVM's output, the one its version is taken from: the first
// banner line, else the first line (empty when there are none).
std::string versionLine(const std::vector<std::string>& lines);

class JvmOk {
public:
    JvmOk(Family family, Logs logs);

    // Shares the record of one search: executables already tested are
    // rejected without being started again.
    void shareRuns(JvmRuns* runs) { runs_ = runs; }
    // Tells `observer` every verdict as it is made (none: nobody is told).
    void setObserver(JvmObserver* observer) { observer_ = observer; }

    // Compares a found version with the criteria.
    bool verifyVersion(const JvmCriteria& criteria, std::string_view found);
    // Takes the version out of a line of JVM output and verifies it.
    bool testLine(std::string_view line, const JvmCriteria& criteria);
    // Verifies the version a JVM wrote into a file ("__qrlvers.log",
    // "jvmGood.txt"): from its banner line wherever it stands, else from its
    // first line.
    bool checkVersion(std::string_view file, const JvmCriteria& criteria);
    // Runs the probe class in the JVM when the kit ships it.
    bool testVersion(const JvmCriteria& criteria, std::string_view exePath);
    // Tests one executable. `exeName` is the name as the caller gave it
    // ("java", "jre", "javaw.exe"); the Windows test does not use it.
    bool correctVersion(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath);

    // Finds and tests the executable of a home directory: home/name, then
    // home/bin/name, then, for a name beginning with "jre", the same with the
    // family's Java launcher name. On success `exePath` holds the accepted
    // executable's full path and `exeName` the name accepted; on failure
    // `exeName` is restored and `exePath` holds the last path tried.
    bool jvmCorrectVersion(const JvmCriteria& criteria, std::string_view home, std::string& exeName,
                           std::string& exePath);
    // The same, then also verifies a version known beforehand (the registry's).
    bool jvmCorrectVersion(const JvmCriteria& criteria, std::string_view knownVersion, std::string_view home,
                           std::string& exeName, std::string& exePath);

private:
    bool tracesCriteria() const { return rules_.tracesCriteria; }
    // `answerDir`: where the probe writes its answer (empty: the current directory).
    bool probeStarted(std::string_view exePath, const std::string& answerDir);
    bool versionCommand(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath);
    bool alreadyTested(std::string_view exePath);
    void countRun(std::chrono::steady_clock::time_point since);
    // The verdict on `exePath` after a test, told to the observer; an
    // acceptance waits while a known version is still to be verified.
    void tell(std::string_view exePath, bool ok);
    void tell(const JvmVerdict& verdict) const;

    Family family_;
    const FamilyRules& rules_;
    Logs logs_;
    JvmRuns* runs_ = nullptr;
    std::string lastVersionLine_;  // the line the last checkVersion read its version from
    // What the current test found out, for the observer.
    JvmObserver* observer_ = nullptr;
    std::string home_;
    std::string found_;            // the version verifyVersion last read
    std::string runVersion_;       // the version "-version" named
    std::optional<std::string> knownVersion_;  // the registry's version, still to be verified
    JvmReason reason_ = JvmReason::Accepted;
    int status_ = 0;
    platform::Result why_;
    bool tested_ = false;          // a program of the home was tested
};

}  // namespace qrl
