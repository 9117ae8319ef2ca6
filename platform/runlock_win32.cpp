#include "platform/runlock.h"

#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {

struct RunLock::Impl {
    HANDLE file = INVALID_HANDLE_VALUE;
};

RunLock::RunLock() : impl_(std::make_unique<Impl>()) {}
RunLock::~RunLock() { release(); }

bool RunLock::held() const { return impl_->file != INVALID_HANDLE_VALUE; }

void RunLock::release() {
    // Opened to be deleted on close: closing removes it.
    if (held()) ::CloseHandle(impl_->file);
    impl_->file = INVALID_HANDLE_VALUE;
}

namespace {

// Removes what holds the name: a file (read-only or not) or link, or an empty
// directory (a directory link itself, never its target). A file that another
// process holds open without sharing answers ERROR_SHARING_VIOLATION; a name
// that nothing holds, ERROR_FILE_NOT_FOUND.
DWORD removeLeftover(const std::wstring& path) {
    DWORD a = ::GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        DWORD e = ::GetLastError();
        return e == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : e;
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(path.c_str()) ? ERROR_SUCCESS : ::GetLastError();
    if (::DeleteFileW(path.c_str())) return ERROR_SUCCESS;
    DWORD e = ::GetLastError();
    if (e != ERROR_ACCESS_DENIED || !(a & FILE_ATTRIBUTE_READONLY)) return e;
    ::SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    return ::DeleteFileW(path.c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace

LockState RunLock::take(const std::string& path, Result* why) {
    release();
    std::wstring name = wide(path);
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // No sharing at all: no other process opens, replaces or deletes it
        // while this one runs.
        HANDLE h = ::CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(h, "ok\n", 3, &written, nullptr);
            impl_->file = h;
            return LockState::Taken;
        }
        error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED &&
            error != ERROR_SHARING_VIOLATION)
            break;
        DWORD removed = removeLeftover(name);
        if (removed == ERROR_SHARING_VIOLATION) return LockState::Held;
        if (removed == ERROR_FILE_NOT_FOUND) {
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;  // gone in the meantime
            if (why) *why = Result::failure(static_cast<int>(error));
            return LockState::NotMade;
        }
        error = removed;
        if (error != ERROR_SUCCESS) break;
    }
    if (why) *why = Result::failure(static_cast<int>(error));
    return LockState::Failed;
}

}  // namespace platform
