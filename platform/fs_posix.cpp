#include "platform/fs.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

namespace {

Result answer(int rc) { return rc == 0 ? Result() : Result::lastError(); }

}  // namespace

Result makeDir(const std::string& path, unsigned mode) { return answer(::mkdir(path.c_str(), mode)); }
Result removeDir(const std::string& path) { return answer(::rmdir(path.c_str())); }

Result removeFile(const std::string& path) {
    // Like the C library's remove(), but never on a directory a link points to:
    // unlink removes the link itself.
    if (::unlink(path.c_str()) == 0) return {};
    int unlinkError = errno;
    if (::rmdir(path.c_str()) == 0) return {};
    // The reason of the call that fits what the path is.
    return Result::failure(errno == ENOTDIR ? unlinkError : errno);
}

Result renameFile(const std::string& from, const std::string& to) { return answer(::rename(from.c_str(), to.c_str())); }

void makeWritable(const std::string&) {}

Result setMode(const std::string& path, unsigned mode) { return answer(::chmod(path.c_str(), mode)); }

std::optional<std::string> currentDir() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (!cwd) return std::nullopt;
    return std::string(cwd.get());
}

std::string pathIn(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

Result changeDir(const std::string& path) {
    if (path.empty()) return Result::failure(ENOENT);
    return answer(::chdir(path.c_str()));
}

Result listDir(const std::string& path, std::vector<DirEntry>& out, size_t limit) {
    out.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return Result::lastError();
    Result read;
    for (size_t seen = 0; seen < limit; ++seen) {
        errno = 0;
        struct dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) read = Result::lastError();
            break;
        }
        DirEntry entry;
        entry.name = e->d_name;
        if (entry.name == "." || entry.name == "..") continue;
        struct stat st {};
        if (::lstat(pathIn(path, entry.name).c_str(), &st) == 0) {
            entry.isLink = S_ISLNK(st.st_mode);
            entry.isDirectory = S_ISDIR(st.st_mode);
        }
        out.push_back(std::move(entry));
    }
    ::closedir(dir);
    return read;
}

std::FILE* openFile(const std::string& path, const char* mode, Result* why) {
    std::string m;
    for (const char* p = mode; *p; ++p)
        if (*p != 't') m += *p;
    std::FILE* f = std::fopen(path.c_str(), m.c_str());
    if (!f && why) *why = Result::lastError();
    return f;
}

std::string canonicalPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string pathWithoutBlanks(const std::string&) { return {}; }

}  // namespace platform
