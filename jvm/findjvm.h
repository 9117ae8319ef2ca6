// The search for an installed JVM that meets the criteria, on POSIX systems
// and macOS (the Windows search reads the registry, see jvmwin.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/trace.h"
#include "jvm/jvmok.h"

namespace qrl {

// Every directory list the search walks. The defaults are the system's; a test
// (or a site) replaces them through the environment: QUARLAN_SYSTEM_DIRS,
// QUARLAN_MAC_JVM_ROOTS and QUARLAN_JVM_DIRS, each a ":"-separated list (an
// empty value is an empty list).
struct SearchPlaces {
    std::vector<std::string> systemDirs;  // POSIX: /usr/local/bin, /usr/local, ... /lib
    std::vector<std::string> macRoots;    // macOS: the three JVM roots
    std::vector<std::string> jvmDirs;     // beyond the classic places: /usr/lib/jvm, /usr/java (POSIX)

    static SearchPlaces defaults(Family family);
};

class FindJvm : public Trace {
public:
    // The system's places (SearchPlaces::defaults), or the given ones.
    explicit FindJvm(Family family);
    FindJvm(Family family, SearchPlaces places);

    // POSIX: search path, home directory, system directories (unless the
    // search mode is "path" or "path or registry"), then the extensions.
    bool isJvmInstalled(std::string_view homeDirectory, const JvmCriteria& criteria, std::string_view jvmName,
                        std::string& exeName, std::string& exePath, std::string_view searchMode);
    // macOS: the JVM roots, then the extensions.
    bool isJvmInstalled(const JvmCriteria& criteria, std::string& exeName, std::string& exePath);

private:
    Family family_;
    SearchPlaces places_;
};

}  // namespace qrl
