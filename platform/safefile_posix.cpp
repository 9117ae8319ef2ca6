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
std::FILE* streamOf(int fd, const char* mode, bool writing) {
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (writing && st.st_nlink > 1)) {
        int cause = S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? EMLINK : EINVAL;
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
    return streamOf(fd, mode == WriteMode::CreateNew ? "wb" : "ab", true);
}

std::FILE* openForRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return streamOf(fd, "rb", false);
}

}  // namespace platform
