#include "platform/dirlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

DirLock::~DirLock() { release(); }

DirLock::DirLock(DirLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), device_(other.device_), inode_(other.inode_) {}

DirLock& DirLock::operator=(DirLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        device_ = other.device_;
        inode_ = other.inode_;
    }
    return *this;
}

Result DirLock::tryLock(const std::string& path) {
    release();
    // Not closed on exec: the programs the run starts hold the lock too, so
    // that the directory stays taken while any of them lives.
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) return Result::lastError();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        Result held = Result::lastError();
        ::close(fd);
        return held;
    }
    struct stat st {};
    ::fstat(fd, &st);
    fd_ = fd;
    device_ = static_cast<unsigned long long>(st.st_dev);
    inode_ = static_cast<unsigned long long>(st.st_ino);
    return {};
}

bool DirLock::stillAt(const std::string& path) const {
    struct stat st {};
    if (fd_ < 0 || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return static_cast<unsigned long long>(st.st_dev) == device_ &&
           static_cast<unsigned long long>(st.st_ino) == inode_;
}

void DirLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool lockedByAnother(const Result& why) { return !why && (why.code() == EWOULDBLOCK || why.code() == EAGAIN); }

bool ownedByCurrentUser(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid();
}

}  // namespace platform
