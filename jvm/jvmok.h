// Whether one candidate JVM meets a kit's criteria: a required version, or a
// minimum and an optional maximum. On POSIX systems and macOS the JVM is run
// with "-version" and its banner read from standard error; on Windows the
// version comes from the registry. When the kit ships the probe class
// "TestJvm.class", the probe runs in the JVM and must answer in "jvmGood.txt".
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"
#include "common/trace.h"

namespace qrl {

// Required, minimum and maximum version, in that order; a non-empty required
// version overrides the other two.
struct JvmCriteria {
    std::string required;
    std::string minimum;
    std::string maximum;
};

class JvmOk : public Trace {
public:
    explicit JvmOk(Family family);

    void setTraceFilename(std::string_view name) { traceFile_ = name; }
    const std::string& traceFilename() const { return traceFile_; }

    // Compares a found version with the criteria.
    bool verifyVersion(const JvmCriteria& criteria, std::string_view found);
    // Takes the version out of a line of JVM output and verifies it.
    bool testLine(std::string_view line, const JvmCriteria& criteria);
    // Verifies the version a JVM wrote into a file ("__qrlvers.log", "jvmGood.txt").
    bool checkVersion(std::string_view file, const JvmCriteria& criteria);
    // Runs the probe class in the JVM when the kit ships it.
    bool testVersion(const JvmCriteria& criteria, std::string_view exePath);
    // Tests one executable. `exeName` is the name as the caller gave it
    // ("java", "jre", "javaw.exe").
    bool correctVersion(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath);

    // Finds and tests the executable of a home directory: home/name, then
    // home/bin/name, then, for a name beginning with "jre", the same with the
    // family's Java launcher name. On success `exePath` holds the accepted
    // executable's full path and `exeName` the name accepted; on failure
    // `exeName` is restored.
    bool jvmCorrectVersion(const JvmCriteria& criteria, std::string_view home, std::string& exeName,
                           std::string& exePath);
    // The same, then also verifies a version known beforehand (the registry's).
    bool jvmCorrectVersion(const JvmCriteria& criteria, std::string_view knownVersion, std::string_view home,
                           std::string& exeName, std::string& exePath);

private:
    Family family_;
    std::string traceFile_ = "jinstall.log";
};

}  // namespace qrl
