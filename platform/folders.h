// The per-user folders of the Windows shell, and the places no installer or
// cleanup program may ever empty.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class UserFolder {
    Programs,   // the user's own programs folder (%LOCALAPPDATA%\Programs), created when missing
    Documents,  // the user's own documents folder
    Profile,    // the user's home directory: USERPROFILE, else the profile folder (Windows); HOME elsewhere
};

// The folder's full path; nothing when the system has none (only Profile
// exists outside Windows).
std::optional<std::string> userFolder(UserFolder folder);

// The directories a run must never empty, besides the roots of the file
// systems: the user's home directory (Windows: the profile) with the Desktop,
// Documents and Downloads in it; on Windows also the Windows directory and
// Program Files. The variables through which a site or a test names these
// places (HOME; USERPROFILE, QUARLAN_WINDOWS_DIR, QUARLAN_PROGRAM_FILES) add
// to the system's own answers, they never take them away.
std::vector<std::string> protectedDirs();

// True when `dir` is empty, a root (of the file system, a drive, a share or
// a volume), one of protectedDirs() or a folder that holds one of them. The
// folders are compared by identity (platform/identity.h), so every other name
// of a protected folder is refused as well: a link, a junction, a bind mount,
// a substituted or mapped drive, "\\?\" and "\\localhost\C$" forms. A place
// that does not exist is still refused by its name.
bool isProtectedDir(const std::string& dir);

}  // namespace platform
