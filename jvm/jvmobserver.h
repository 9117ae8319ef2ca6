// What a JVM search decides, told as it decides it: each place it is about to
// try, and the verdict on each executable it tests there. The installers run
// their searches without an observer; kitcheck listens to explain the choice,
// so its explanation cannot drift from what the installer does.
#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"

namespace qrl {

enum class JvmReason {
    Accepted,
    NoExecutable,     // the place holds no launcher of that name (home/name, home/bin/name)
    NoHome,           // a registry entry that names no home directory
    AlreadyTested,    // the same program (links resolved) was tested before in this search
    NotStarted,       // the launcher could not be started (`error`: the system's reason)
    NoVersion,        // "-version" named no version (`status`: its wait status, `detail`: the line read)
    BelowMinimum,
    AboveMaximum,
    NotRequired,      // not the required version
    ProbeNotStarted,  // the probe class could not be started (`error`)
    ProbeNoAnswer,    // the probe wrote no "jvmGood.txt"
    ProbeVersion,     // the probe answered a version the criteria refuse (`detail`: its answer)
};

struct JvmVerdict {
    std::string home;
    std::string executable;  // the program tested; empty with NoExecutable and NoHome
    std::string version;     // as the test read it ("-version", the registry, else the probe)
    JvmReason reason = JvmReason::Accepted;
    int status = 0;          // of "-version", with NoVersion
    platform::Result why;    // the system's reason, with NotStarted and ProbeNotStarted
    std::string detail;
    std::string name;        // the program's name as tested ("java" where "jre" was asked for)

    bool accepted() const { return reason == JvmReason::Accepted; }
};

class JvmObserver {
public:
    virtual ~JvmObserver() = default;
    // The search is about to test the candidate home `home`, found at `where`
    // ("PATH", "JAVA_HOME", a directory or a registry key).
    virtual void place(std::string_view where, std::string_view home) = 0;
    // The verdict on one program of that place (or on the place itself, when
    // it held none).
    virtual void verdict(const JvmVerdict& verdict) = 0;
};

}  // namespace qrl
