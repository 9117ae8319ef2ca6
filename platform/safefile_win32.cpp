#include "platform/safefile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/wide_win32.h"

namespace platform {
namespace {

int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_ACCESS_DENIED: return EACCES;
        default: return EIO;
    }
}

// The handle opened on the name itself (a reparse point is not followed), as
// a stream when it is a plain file.
std::FILE* open(const std::string& path, DWORD access, DWORD disposition, int flags, const char* mode) {
    HANDLE h = ::CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errnoOf(::GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        ::CloseHandle(h);
        errno = link ? ELOOP : EISDIR;
        return nullptr;
    }
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, mode);
    if (!f) ::_close(fd);
    return f;
}

}  // namespace

std::FILE* openForWrite(const std::string& path, WriteMode mode, bool text) {
    int textFlag = text ? _O_TEXT : _O_BINARY;
    if (mode == WriteMode::CreateNew) return open(path, GENERIC_WRITE, CREATE_NEW, textFlag, text ? "wt" : "wb");
    std::FILE* f = open(path, FILE_APPEND_DATA, OPEN_ALWAYS, _O_APPEND | textFlag, text ? "at" : "ab");
    if (f) std::fseek(f, 0, SEEK_END);
    return f;
}

std::FILE* openForRead(const std::string& path) { return open(path, GENERIC_READ, OPEN_EXISTING, _O_RDONLY | _O_BINARY, "rb"); }

}  // namespace platform
