#include "platform/fs.h"

#include <windows.h>
#include <shlobj.h>

#include <io.h>

#include <cstdlib>

#include "platform/env.h"
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

namespace {

Result answer(BOOL ok) { return ok ? Result() : Result::lastError(); }

}  // namespace

Result makeDir(const std::string& path, unsigned) { return answer(::CreateDirectoryW(wide(path).c_str(), nullptr)); }
Result removeDir(const std::string& path) { return answer(::RemoveDirectoryW(wide(path).c_str())); }

Result removeFile(const std::string& path) {
    DWORD a = attributes(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
        // Only a directory link is removed here (the link, not its target);
        // a real directory is not a file.
        if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) return Result::failure(ERROR_ACCESS_DENIED);
        return answer(::RemoveDirectoryW(wide(path).c_str()));
    }
    return answer(::DeleteFileW(wide(path).c_str()));
}

Result renameFile(const std::string& from, const std::string& to) {
    return answer(::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING));
}

void makeWritable(const std::string& path) {
    DWORD a = attributes(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(wide(path).c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

Result setMode(const std::string& path, unsigned) {
    return exists(path) ? Result() : Result::failure(ERROR_FILE_NOT_FOUND);
}

std::optional<std::string> currentDir() {
    DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return std::nullopt;
    std::wstring buf(n, L'\0');
    DWORD got = ::GetCurrentDirectoryW(n, buf.data());
    if (got == 0 || got >= n) return std::nullopt;
    buf.resize(got);
    return narrow(buf);
}

std::string pathIn(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return path;
}

Result changeDir(const std::string& path) {
    if (path.empty()) return Result::failure(ERROR_PATH_NOT_FOUND);
    return answer(::SetCurrentDirectoryW(wide(path).c_str()));
}

Result listDir(const std::string& path, std::vector<DirEntry>& out, size_t limit) {
    out.clear();
    if (limit == 0) return {};
    WIN32_FIND_DATAW data {};
    HANDLE h = ::FindFirstFileW(wide(pathIn(path, "*.*")).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        // An empty drive root reports no file at all; it is still a directory.
        return error == ERROR_FILE_NOT_FOUND ? Result() : Result::failure(static_cast<int>(error));
    }
    Result read;
    for (size_t seen = 1;; ++seen) {
        DirEntry e;
        e.name = narrow(data.cFileName);
        e.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        e.isDirectory = !e.isLink && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (e.name != "." && e.name != "..") out.push_back(std::move(e));
        if (seen >= limit) break;
        if (!::FindNextFileW(h, &data)) {
            if (DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES)
                read = Result::failure(static_cast<int>(error));
            break;
        }
    }
    ::FindClose(h);
    return read;
}

std::FILE* openFile(const std::string& path, const char* mode, Result* why) {
    std::FILE* f = ::_wfopen(wide(path).c_str(), wide(mode).c_str());
    // The C runtime keeps the Windows error code of a failed open apart from errno.
    if (!f && why) *why = Result::failure(static_cast<int>(_doserrno));
    return f;
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

std::string pathWithoutBlanks(const std::string& path) {
    std::wstring w = wide(path);
    DWORD n = ::GetShortPathNameW(w.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring buf(n, L'\0');
    DWORD got = ::GetShortPathNameW(w.c_str(), buf.data(), n);
    if (got == 0 || got >= n) return {};
    buf.resize(got);
    return narrow(buf);
}

std::string userSettingsDir() {
    std::string appData = getEnv("APPDATA").value_or("");
    if (!appData.empty()) return appData;
    wchar_t buf[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return {};
    return narrow(buf);
}

}  // namespace platform
