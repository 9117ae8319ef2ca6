#include "platform/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// A stream for a descriptor that must name a regular file.
std::FILE* streamOf(int fd, const char* mode) {
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int cause = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = cause;
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, mode);
    if (!f) {
        int cause = errno;
        ::close(fd);
        errno = cause;
    }
    return f;
}

}  // namespace

std::FILE* openForWrite(const std::string& path, WriteMode mode, bool) {
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    flags |= mode == WriteMode::CreateNew ? O_EXCL : O_APPEND;
    // O_NONBLOCK: a FIFO planted under the name does not hang the open.
    int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return streamOf(fd, mode == WriteMode::CreateNew ? "wb" : "ab");
}

std::FILE* openForRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return streamOf(fd, "rb");
}

}  // namespace platform
