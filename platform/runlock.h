// A file that one process holds for its whole run, so that a second process
// started in the same directory can tell that the directory is in use. The
// file goes when the lock is released or the process ends, however it ends.
#pragma once

#include <memory>
#include <string>

#include "platform/error.h"

namespace platform {

enum class LockState {
    Taken,  // this process holds the file now
    Held,   // another process holds it
    Failed, // a leftover at the name could not be removed
    NotMade, // nothing stands at the name, but the file cannot be made there
             // (a directory this process may not write): no process holds it
};

class RunLock {
public:
    RunLock();
    ~RunLock();  // releases
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the file at `path`, which holds "ok\n" while it is held. Whatever
    // an earlier process left at that name (a file, also a read-only one, an
    // empty directory, a link, never what a link points to) is removed first.
    // `why` receives the system's reason when the answer is Failed or NotMade.
    LockState take(const std::string& path, Result* why = nullptr);
    bool held() const;
    void release();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
