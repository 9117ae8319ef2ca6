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

ReadStatus readRegularFile(const std::string& path, std::uint64_t limit, std::string& out, Result* why) {
    out.clear();
    auto failed = [&](DWORD code) {
        if (why) *why = Result::failure(static_cast<int>(code));
        return ReadStatus::Failed;
    };
    const std::wstring name = wide(path);
    DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failed(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ReadStatus::NotAFile;
    // Links are followed to their target.
    HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failed(::GetLastError());
    LARGE_INTEGER size {};
    ReadStatus status = ReadStatus::Ok;
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        status = ReadStatus::NotAFile;
    } else if (!::GetFileSizeEx(h, &size)) {
        status = failed(::GetLastError());
    } else if (static_cast<std::uint64_t>(size.QuadPart) > limit) {
        status = ReadStatus::TooLarge;
    }
    // One byte beyond the limit tells a file that grew meanwhile.
    char buf[65536];
    DWORD n = 0;
    while (status == ReadStatus::Ok) {
        if (!::ReadFile(h, buf, sizeof buf, &n, nullptr)) {
            status = failed(::GetLastError());
        } else if (n == 0) {
            break;
        } else {
            out.append(buf, n);
            if (out.size() > limit) status = ReadStatus::TooLarge;
        }
    }
    ::CloseHandle(h);
    if (status != ReadStatus::Ok) out.clear();
    return status;
}

}  // namespace platform
