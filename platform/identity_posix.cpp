// POSIX: device and inode from stat(2), links followed.
#include "platform/identity.h"

#include <sys/stat.h>

#include "platform/fs.h"

namespace platform {

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), 0, static_cast<std::uint64_t>(st.st_ino)};
}

namespace {

// The folder that holds `path` by name ("/a/b/" → "/a"); empty at the root.
std::string parentByName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos || path == "/") return {};
    while (slash > 0 && path[slash - 1] == '/') --slash;
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    auto cwd = currentDir();
    return cwd ? pathIn(*cwd, path) : path;
}

bool walkFinds(std::string from, const FileIdentity& target) {
    for (int depth = 0; !from.empty() && depth < 4096; ++depth) {
        auto id = identityOf(from);
        if (id && *id == target) return true;
        from = parentByName(from);
    }
    return false;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    auto ia = identityOf(a);
    auto ib = identityOf(b);
    return ia && ib && *ia == *ib;
}

bool isWithin(const std::string& path, const std::string& folder) {
    auto target = identityOf(folder);
    if (!target || path.empty()) return false;
    std::string given = absolute(path);
    if (walkFinds(given, *target)) return true;
    // The name with its links resolved: start from the nearest folder that
    // exists, since `path` may be about to be made.
    for (std::string p = given; !p.empty(); p = parentByName(p)) {
        std::string real = canonicalPath(p);
        if (!real.empty()) return walkFinds(real, *target);
    }
    return false;
}

}  // namespace platform
