#include "platform/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// A stream for a descriptor that must name a regular file.
// A file written to must have no other name: a hard link to a file elsewhere
// would be changed with it.
std::FILE* streamOf(int fd, const char* mode, bool writing, Result* why) {
    auto failed = [&](Result cause) -> std::FILE* {
        if (fd >= 0) ::close(fd);
        if (why) *why = cause;
        return nullptr;
    };
    if (fd < 0) return failed(Result::lastError());
    struct stat st {};
    if (::fstat(fd, &st) != 0) return failed(Result::lastError());
    if (!S_ISREG(st.st_mode) || (writing && st.st_nlink > 1))
        return failed(Result::failure(S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? EMLINK : EINVAL));
    std::FILE* f = ::fdopen(fd, mode);
    return f ? f : failed(Result::lastError());
}

}  // namespace

std::FILE* openForWrite(const std::string& path, WriteMode mode, bool, Result* why) {
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    flags |= mode == WriteMode::CreateNew ? O_EXCL : O_APPEND;
    // O_NONBLOCK: a FIFO planted under the name does not hang the open.
    int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return streamOf(fd, mode == WriteMode::CreateNew ? "wb" : "ab", true, why);
}

std::FILE* openForRead(const std::string& path, Result* why) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return streamOf(fd, "rb", false, why);
}

bool nameTaken(const Result& why) { return !why && why.code() == EEXIST; }

ReadStatus readRegularFile(const std::string& path, std::uint64_t limit, std::string& out, Result* why) {
    out.clear();
    auto failed = [&](int code) {
        if (why) *why = Result::failure(code);
        return ReadStatus::Failed;
    };
    // Judged before it is opened: opening a FIFO or a device can wait or act.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return failed(errno);
    if (!S_ISREG(st.st_mode)) return ReadStatus::NotAFile;
    if (static_cast<std::uint64_t>(st.st_size) > limit) return ReadStatus::TooLarge;
    // O_NONBLOCK: should the name have become a FIFO since, the open does not wait.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return failed(errno);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::NotAFile;
    }
    // One byte beyond the limit tells a file that grew meanwhile.
    char buf[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buf, sizeof buf)) != 0) {
        if (n < 0) {
            if (errno == EINTR) continue;
            int cause = errno;
            ::close(fd);
            out.clear();
            return failed(cause);
        }
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > limit) {
            ::close(fd);
            out.clear();
            return ReadStatus::TooLarge;
        }
    }
    ::close(fd);
    return ReadStatus::Ok;
}

std::FILE* openRegularFile(const std::string& path, ReadStatus& status, std::uint64_t& size, Result* why) {
    size = 0;
    status = ReadStatus::Failed;
    // O_NONBLOCK: opening a FIFO does not wait for a writer; the type is then
    // judged on what was opened.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (why) *why = Result::lastError();
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        if (why) *why = Result::lastError();
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        status = ReadStatus::NotAFile;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        if (why) *why = Result::lastError();
        ::close(fd);
        return nullptr;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    status = ReadStatus::Ok;
    return f;
}

}  // namespace platform
