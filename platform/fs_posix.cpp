#include "platform/fs.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace platform {

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

FileType typeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return FileType::None;
    if (S_ISDIR(st.st_mode)) return FileType::Directory;
    if (S_ISREG(st.st_mode)) return FileType::File;
    return FileType::Other;
}

bool isLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool makeDir(const std::string& path, unsigned mode) { return ::mkdir(path.c_str(), mode) == 0; }
bool removeDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool removeFile(const std::string& path) {
    // Like the C library's remove(), but never on a directory a link points to:
    // unlink removes the link itself.
    if (::unlink(path.c_str()) == 0) return true;
    return ::rmdir(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void makeWritable(const std::string&) {}

bool setMode(const std::string& path, unsigned mode) { return ::chmod(path.c_str(), mode) == 0; }

std::optional<std::string> currentDir() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (!cwd) return std::nullopt;
    return std::string(cwd.get());
}

bool changeDir(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

bool listDir(const std::string& path, std::vector<DirEntry>& out) {
    out.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    while (struct dirent* e = ::readdir(dir)) {
        DirEntry entry;
        entry.name = e->d_name;
        std::string full = path;
        if (full.empty() || full.back() != '/') full += '/';
        full += entry.name;
        struct stat st {};
        if (::lstat(full.c_str(), &st) == 0) {
            entry.isLink = S_ISLNK(st.st_mode);
            entry.isDirectory = S_ISDIR(st.st_mode);
        }
        out.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

std::FILE* openFile(const std::string& path, const char* mode) {
    std::string m;
    for (const char* p = mode; *p; ++p)
        if (*p != 't') m += *p;
    return std::fopen(path.c_str(), m.c_str());
}

std::string canonicalPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string programPath() {
    std::string buf(PATH_MAX, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) return {};
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::string shortPath(const std::string&) { return {}; }

}  // namespace platform
