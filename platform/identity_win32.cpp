// Windows: volume serial number and file index of an open handle. The handle
// is opened for attributes only and shares everything, so asking never stands
// in the way of another program; FILE_FLAG_BACKUP_SEMANTICS opens folders.
//
// Wine shows the whole Unix tree as Z:, so C:\x is also Z:\...\drive_c\x.
// Both names give one identity there: the file index is the inode, and the
// serial number is that of the drive the system finally reaches the file by
// (the drive whose root lies deepest above it, C: here), whichever drive
// letter the name used. Two names of one folder thus compare equal without a
// second look at the names.
#include "platform/identity.h"

#include <windows.h>

#include "platform/fs.h"
#include "platform/identity_os.h"
#include "platform/wide_win32.h"

namespace platform {

namespace {

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
};

Handle openForQuery(const std::string& path) {
    return {::CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

namespace identity_os {

// Roots: "C:\", "\\server\share".
std::string parentByName(std::string path) {
    while (path.size() > 1 && isSeparator(path.back()) && !(path.size() == 3 && path[1] == ':')) path.pop_back();
    auto sep = path.find_last_of("\\/");
    if (sep == std::string::npos) return {};
    if (path.size() <= 3 && path.size() >= 2 && path[1] == ':') return {};  // C:\ or C:
    std::string up = path.substr(0, sep);
    if (up.size() == 2 && up[1] == ':') up += '\\';
    // \\server\share and \\?\X: are roots of their own.
    if (up.size() < 3 || (isSeparator(up[0]) && isSeparator(up[1]) && up.find_first_of("\\/", 2) == std::string::npos))
        return {};
    return up;
}

std::string absoluteName(const std::string& path) {
    std::string full = canonicalPath(path);
    return full.empty() ? path : full;
}

// As a drive path where the system has one.
std::string resolvedName(const std::string& path) {
    Handle f = openForQuery(path);
    if (f.h == INVALID_HANDLE_VALUE) return {};
    wchar_t buf[32768];
    DWORD n = ::GetFinalPathNameByHandleW(f.h, buf, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= 32768) return {};
    std::string name = narrow(std::wstring_view(buf, n));
    if (name.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + name.substr(8);
    if (name.rfind("\\\\?\\", 0) == 0) return name.substr(4);
    return name;
}

}  // namespace identity_os

std::optional<FileIdentity> identityOf(const std::string& path) {
    if (path.empty()) return std::nullopt;
    Handle f = openForQuery(path);
    if (f.h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(f.h, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace platform
