#include "platform/fs.h"

#include <windows.h>

#include <io.h>

#include "platform/wide_win32.h"

namespace platform {
namespace {

DWORD attributes(const std::string& path) { return ::GetFileAttributesW(wide(path).c_str()); }

}  // namespace

bool exists(const std::string& path) { return ::_waccess(wide(path).c_str(), 0) == 0; }

FileType typeOf(const std::string& path) {
    HANDLE h = ::CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD a = attributes(path);  // a share root or a locked file
        if (a == INVALID_FILE_ATTRIBUTES) return FileType::None;
        return (a & FILE_ATTRIBUTE_DIRECTORY) ? FileType::Directory : FileType::File;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    BOOL ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (!ok) return FileType::Other;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileType::Directory : FileType::File;
}

bool isLink(const std::string& path) {
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool makeDir(const std::string& path, unsigned) { return ::CreateDirectoryW(wide(path).c_str(), nullptr) != 0; }
bool removeDir(const std::string& path) { return ::RemoveDirectoryW(wide(path).c_str()) != 0; }

bool removeFile(const std::string& path) {
    DWORD a = attributes(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
        // Only a directory link is removed here (the link, not its target);
        // a real directory is not a file.
        return (a & FILE_ATTRIBUTE_REPARSE_POINT) && ::RemoveDirectoryW(wide(path).c_str());
    }
    return ::DeleteFileW(wide(path).c_str()) != 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    return ::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void makeWritable(const std::string& path) {
    DWORD a = attributes(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(wide(path).c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

bool setMode(const std::string& path, unsigned) { return exists(path); }

std::optional<std::string> currentDir() {
    DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return std::nullopt;
    std::wstring buf(n, L'\0');
    DWORD got = ::GetCurrentDirectoryW(n, buf.data());
    if (got == 0 || got >= n) return std::nullopt;
    buf.resize(got);
    return narrow(buf);
}

bool changeDir(const std::string& path) {
    return !path.empty() && ::SetCurrentDirectoryW(wide(path).c_str()) != 0;
}

bool listDir(const std::string& path, std::vector<DirEntry>& out) {
    out.clear();
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAW data {};
    HANDLE h = ::FindFirstFileW(wide(pattern).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        DirEntry e;
        e.name = narrow(data.cFileName);
        e.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        e.isDirectory = !e.isLink && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        out.push_back(std::move(e));
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    return true;
}

std::FILE* openFile(const std::string& path, const char* mode) {
    return ::_wfopen(wide(path).c_str(), wide(mode).c_str());
}

std::string canonicalPath(const std::string& path) {
    std::wstring w = wide(path);
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring buf(n, L'\0');
    DWORD got = ::GetFullPathNameW(w.c_str(), n, buf.data(), nullptr);
    if (got == 0 || got >= n) return {};
    buf.resize(got);
    return narrow(buf);
}

std::string programPath() {
    std::wstring buf(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    buf.resize(n);
    return narrow(buf);
}

std::string shortPath(const std::string& path) {
    std::wstring w = wide(path);
    DWORD n = ::GetShortPathNameW(w.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring buf(n, L'\0');
    DWORD got = ::GetShortPathNameW(w.c_str(), buf.data(), n);
    if (got == 0 || got >= n) return {};
    buf.resize(got);
    return narrow(buf);
}

}  // namespace platform
