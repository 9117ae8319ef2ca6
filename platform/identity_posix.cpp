// POSIX: device and inode from stat(2), links followed.
#include "platform/identity.h"

#include <sys/stat.h>

#include "platform/fs.h"
#include "platform/identity_os.h"

namespace platform {

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), 0, static_cast<std::uint64_t>(st.st_ino)};
}

namespace identity_os {

// "/a/b/" → "/a".
std::string parentByName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos || path == "/") return {};
    while (slash > 0 && path[slash - 1] == '/') --slash;
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string absoluteName(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    auto cwd = currentDir();
    return cwd ? pathIn(*cwd, path) : path;
}

std::string resolvedName(const std::string& path) { return canonicalPath(path); }

}  // namespace identity_os

}  // namespace platform
