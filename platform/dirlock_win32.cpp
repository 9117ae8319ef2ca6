#include "platform/dirlock.h"

#include <windows.h>

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
Result DirLock::tryLock(const std::string&) { return Result::failure(ERROR_NOT_SUPPORTED); }
bool DirLock::stillAt(const std::string&) const { return false; }
void DirLock::release() { fd_ = -1; }
bool lockedByAnother(const Result&) { return false; }
bool ownedByCurrentUser(const std::string&) { return true; }

}  // namespace platform
