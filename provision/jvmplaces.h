// The places provisioning puts and looks for a JVM; each family reads its
// own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/family.h"
#include "common/logs.h"
#include "common/trust.h"
#include "jvm/findjvm.h"

namespace qrl {

// The Windows folders the candidates start from. A value that is set replaces
// the system's; tests (or a site) set them through the environment:
// QUARLAN_PROGRAM_FILES and QUARLAN_USER_PROGRAMS (the Windows directory is
// platform::windowsDirectory's, QUARLAN_WINDOWS_DIR).
struct WindowsFolders {
    std::optional<std::string> programFiles;  // else "ProgramFilesDir" of the registry
    std::optional<std::string> userPrograms;  // else the user's programs folder, else documents
    const RightsSource* rights = nullptr;     // whose answers about rights count (the system's when null)

    static WindowsFolders fromEnvironment();

    // The Program Files directory; nothing when neither the setting nor the
    // registry names one.
    std::optional<std::string> programFilesDir(const Logs& logs) const;
    // The user's own programs folder (never the public documents every user
    // of the machine may write to).
    std::optional<std::string> userProgramsDir(const Logs& logs) const;
};

struct JvmPlaces {
    SearchPlaces search;                  // the search after a vendor's installer ran
    std::vector<std::string> systemDirs;  // the POSIX directory candidates
    WindowsFolders folders;               // the Windows folders

    static JvmPlaces defaults(Family family);
    // The system's candidates and folders with the given search places.
    static JvmPlaces searching(SearchPlaces search);
};

// The POSIX system directories a new JVM may be put below, in the order they
// are tried: /usr/local/bin, /usr/local, /usr/share, /usr/bin, /usr, /opt,
// /bin. The environment variable QUARLAN_INSTALL_DIRS replaces them (a
// ":"-separated list; an empty value is an empty list).
std::vector<std::string> installDirCandidates();

}  // namespace qrl
