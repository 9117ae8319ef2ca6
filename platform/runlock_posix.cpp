#include "platform/runlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

struct RunLock::Impl {
    int fd = -1;
    std::string path;
};

RunLock::RunLock() : impl_(std::make_unique<Impl>()) {}
RunLock::~RunLock() { release(); }

bool RunLock::held() const { return impl_->fd >= 0; }

void RunLock::release() {
    if (!held()) return;
    ::unlink(impl_->path.c_str());
    ::close(impl_->fd);
    impl_->fd = -1;
}

namespace {

// True when another process holds the regular file at `path` (a link is not
// followed).
bool heldElsewhere(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace

LockState RunLock::take(const std::string& path, Result* why) {
    release();
    int error = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                (void)!::write(fd, "ok\n", 3);
                impl_->fd = fd;
                impl_->path = path;
                return LockState::Taken;
            }
            error = errno;  // taken between our create and lock: not ours
            ::close(fd);
            if (error == EWOULDBLOCK) return LockState::Held;
            break;
        }
        error = errno;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) break;
            if (error == EEXIST) continue;  // gone in the meantime
            if (why) *why = Result::failure(error);
            return LockState::NotMade;
        }
        if (S_ISREG(st.st_mode) && heldElsewhere(path)) return LockState::Held;
        if ((S_ISDIR(st.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str())) != 0 && errno != ENOENT) {
            error = errno;
            break;
        }
    }
    if (why) *why = Result::failure(error);
    return LockState::Failed;
}

}  // namespace platform
