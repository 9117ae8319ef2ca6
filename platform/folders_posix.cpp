#include "platform/folders.h"

#include <pwd.h>
#include <unistd.h>

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/identity.h"

namespace platform {
namespace {

std::string absoluteForm(std::string path) {
    std::string real = canonicalPath(path);
    if (!real.empty()) return real;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::optional<std::string> userFolder(UserFolder folder) {
    if (folder != UserFolder::Profile) return std::nullopt;
    if (auto home = getEnv("HOME"); home && !home->empty()) return home;
    return std::nullopt;
}

std::vector<std::string> protectedDirs() {
    std::vector<std::string> homes;
    if (auto home = getEnv("HOME"); home && !home->empty()) homes.push_back(*home);
    if (const struct passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && *pw->pw_dir)
        homes.push_back(pw->pw_dir);
    std::vector<std::string> out{"/"};
    for (const auto& home : homes) {
        out.push_back(home);
        for (const char* below : {"Desktop", "Documents", "Downloads"}) out.push_back(pathIn(home, below));
    }
    return out;
}

bool isProtectedDir(const std::string& dir) {
    if (dir.find_first_not_of(" \t") == std::string::npos) return true;
    std::string full = absoluteForm(dir);
    if (full.empty() || full.find_first_not_of('/') == std::string::npos || sameFile(full, "/")) return true;
    for (const auto& place : protectedDirs()) {
        // By name for a place that is not there (yet); by identity for every
        // other spelling of it (a link, a bind mount, "..") and for any folder
        // that holds it: emptying /home would empty every home directory.
        if (absoluteForm(place) == full || isWithin(place, full)) return true;
    }
    return false;
}

}  // namespace platform
