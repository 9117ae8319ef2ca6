#include "platform/dirlock.h"

#include <cerrno>
#include <utility>

// The Windows programs make no directories of their own that other runs could
// share; nothing is locked there.
namespace platform {

DirLock::~DirLock() { release(); }
DirLock::DirLock(DirLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
DirLock& DirLock::operator=(DirLock&& other) noexcept {
    fd_ = std::exchange(other.fd_, -1);
    return *this;
}
bool DirLock::tryLock(const std::string&) {
    errno = ENOSYS;
    return false;
}
bool DirLock::stillAt(const std::string&) const { return false; }
void DirLock::release() { fd_ = -1; }
bool ownedByCurrentUser(const std::string&) { return true; }

}  // namespace platform
