#include "platform/safefile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {
namespace {

// Whether a folder on the way to `path` is a link (a symbolic link or a
// junction: a reparse point that stands for another name). Folders that are
// reparse points of other kinds (files kept in the cloud) are folders.
bool linkOnTheWay(const std::string& path) {
    size_t from = 0;
    if (path.size() > 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
        // \\server\share (or \\?\C:) stands before the folders.
        size_t n = 0;
        for (from = 2; from < path.size() && n < 2; ++from)
            if (path[from] == '\\' || path[from] == '/') ++n;
    }
    for (size_t i = from; i < path.size(); ++i) {
        if (path[i] != '\\' && path[i] != '/') continue;
        std::string folder = path.substr(0, i);
        if (folder.empty() || folder.back() == ':') continue;
        WIN32_FIND_DATAW data {};
        HANDLE find = ::FindFirstFileW(wide(folder).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        ::FindClose(find);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(data.dwReserved0))
            return true;
    }
    return false;
}

// The handle opened on the name itself (a reparse point is not followed), as
// a stream when it is a plain file. A file written to is also refused behind
// a link on the way and when it has more than one name (a hard link to a
// file elsewhere, which the write would change).
// A link stands where a file was asked for: the reason Windows gives for a
// name it cannot resolve to a file.
constexpr DWORD kLinkRefused = ERROR_CANT_RESOLVE_FILENAME;

std::FILE* open(const std::string& path, DWORD access, DWORD disposition, int flags, const char* mode, Result* why) {
    auto failed = [&](DWORD code) -> std::FILE* {
        if (why) *why = Result::failure(static_cast<int>(code));
        return nullptr;
    };
    bool writing = (access & (GENERIC_WRITE | FILE_APPEND_DATA)) != 0;
    if (writing && linkOnTheWay(path)) return failed(kLinkRefused);
    HANDLE h = ::CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failed(::GetLastError());
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(h, &info)) {
        DWORD error = ::GetLastError();
        ::CloseHandle(h);
        return failed(error);
    }
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
        bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        ::CloseHandle(h);
        // A folder is refused as Windows refuses to open one as a file.
        return failed(link ? kLinkRefused : ERROR_ACCESS_DENIED);
    }
    if (writing && info.nNumberOfLinks > 1) {
        ::CloseHandle(h);
        return failed(ERROR_TOO_MANY_LINKS);
    }
    // The C runtime fails these only when it has no descriptor or stream left.
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        ::CloseHandle(h);
        return failed(ERROR_TOO_MANY_OPEN_FILES);
    }
    std::FILE* f = ::_fdopen(fd, mode);
    if (!f) {
        ::_close(fd);
        return failed(ERROR_TOO_MANY_OPEN_FILES);
    }
    return f;
}

}  // namespace

std::FILE* openForWrite(const std::string& path, WriteMode mode, bool text, Result* why) {
    int textFlag = text ? _O_TEXT : _O_BINARY;
    if (mode == WriteMode::CreateNew) return open(path, GENERIC_WRITE, CREATE_NEW, textFlag, text ? "wt" : "wb", why);
    std::FILE* f = open(path, FILE_APPEND_DATA, OPEN_ALWAYS, _O_APPEND | textFlag, text ? "at" : "ab", why);
    if (f) std::fseek(f, 0, SEEK_END);
    return f;
}

std::FILE* openForRead(const std::string& path, Result* why) {
    return open(path, GENERIC_READ, OPEN_EXISTING, _O_RDONLY | _O_BINARY, "rb", why);
}

bool nameTaken(const Result& why) {
    return !why && (why.code() == ERROR_FILE_EXISTS || why.code() == ERROR_ALREADY_EXISTS);
}

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

std::FILE* openRegularFile(const std::string& path, ReadStatus& status, std::uint64_t& size, Result* why) {
    size = 0;
    status = ReadStatus::Failed;
    auto failed = [&](DWORD code) -> std::FILE* {
        if (why) *why = Result::failure(static_cast<int>(code));
        return nullptr;
    };
    const std::wstring name = wide(path);
    DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failed(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        status = ReadStatus::NotAFile;
        return nullptr;
    }
    // Links are followed to their target.
    HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failed(::GetLastError());
    LARGE_INTEGER length {};
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        status = ReadStatus::NotAFile;
        return nullptr;
    }
    if (!::GetFileSizeEx(h, &length)) {
        DWORD error = ::GetLastError();
        ::CloseHandle(h);
        return failed(error);
    }
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return failed(ERROR_TOO_MANY_OPEN_FILES);
    }
    std::FILE* f = ::_fdopen(fd, "rb");
    if (!f) {
        ::_close(fd);
        return failed(ERROR_TOO_MANY_OPEN_FILES);
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    status = ReadStatus::Ok;
    return f;
}

}  // namespace platform
