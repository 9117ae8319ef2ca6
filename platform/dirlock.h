// Directories held by one run: an exclusive lock on the directory itself, so
// that another process can tell a directory in use from a leftover of a run
// that has ended. The programs the run starts inherit the lock: the directory
// stays held while any process of the run lives.
#pragma once

#include <string>

#include "platform/error.h"

namespace platform {

class DirLock {
public:
    DirLock() = default;
    ~DirLock();
    DirLock(const DirLock&) = delete;
    DirLock& operator=(const DirLock&) = delete;
    DirLock(DirLock&& other) noexcept;
    DirLock& operator=(DirLock&& other) noexcept;

    // Locks an existing directory that is not a link, without waiting. Fails
    // when it cannot be opened or another process holds it (EWOULDBLOCK).
    Result tryLock(const std::string& path);
    // True when `path` (not followed) is still the directory this lock holds.
    bool stillAt(const std::string& path) const;
    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
    unsigned long long device_ = 0;
    unsigned long long inode_ = 0;
};

// True when a failed tryLock found the directory locked by another process.
bool lockedByAnother(const Result& why);

// True when the object itself (a link is not followed) belongs to the user
// this process runs as.
bool ownedByCurrentUser(const std::string& path);

}  // namespace platform
