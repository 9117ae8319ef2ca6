#include "platform/folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/wide_win32.h"

namespace platform {
namespace {

std::optional<std::string> knownFolder(const KNOWNFOLDERID& id, DWORD flags = KF_FLAG_CREATE) {
    PWSTR path = nullptr;
    HRESULT rc = ::SHGetKnownFolderPath(id, flags, nullptr, &path);
    std::optional<std::string> out;
    if (SUCCEEDED(rc) && path && *path) out = narrow(std::wstring_view(path));
    ::CoTaskMemFree(path);
    return out;
}

bool isSep(wchar_t c) { return c == L'\\' || c == L'/'; }

// The full, long form of a name: "\" only, no trailing separator, no "\\?\"
// prefix, 8.3 names spelled out where the object exists.
std::wstring absoluteForm(const std::string& path) {
    std::wstring full = wide(canonicalPath(path));
    if (full.empty()) return {};
    DWORD m = ::GetLongPathNameW(full.c_str(), nullptr, 0);
    if (m > 0) {
        std::wstring longer(m, L'\0');
        DWORD gotLong = ::GetLongPathNameW(full.c_str(), longer.data(), m);
        if (gotLong > 0 && gotLong < m) full.assign(longer.data(), gotLong);
    }
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        full = L"\\\\" + full.substr(8);
    } else if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) {
        full = full.substr(4);
    }
    while (!full.empty() && isSep(full.back())) full.pop_back();
    return full;
}

// A drive ("C:"), a share ("\\server\share") or nothing at all.
bool isRoot(const std::wstring& full) {
    if (full.empty()) return true;
    if (full.size() == 2 && full[1] == L':') return true;
    if (full.size() > 2 && isSep(full[0]) && isSep(full[1])) {
        size_t parts = 0, start = 2;
        for (size_t i = 2; i <= full.size(); ++i) {
            if (i == full.size() || isSep(full[i])) {
                if (i > start) ++parts;
                start = i + 1;
            }
        }
        return parts <= 2;
    }
    return false;
}

// A folder the system names "\" on its volume, whatever it was called: a
// "\\?\Volume{...}\" name, the root of a mapped drive, "\\localhost\C$".
bool isVolumeRoot(const std::string& dir) {
    HANDLE h = ::CreateFileW(wide(dir).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    wchar_t buf[8];
    DWORD n = ::GetFinalPathNameByHandleW(h, buf, 8, FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
    ::CloseHandle(h);
    return n == 1 && isSep(buf[0]);
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<std::string> userFolder(UserFolder folder) {
    if (folder == UserFolder::Documents) return knownFolder(FOLDERID_Documents);
    if (folder == UserFolder::Profile) {
        if (auto v = getEnv("USERPROFILE"); v && !v->empty()) return v;
        return knownFolder(FOLDERID_Profile, 0);
    }
    if (auto programs = knownFolder(FOLDERID_UserProgramFiles)) return programs;
    // Systems that do not know the folder by name: the same place below the
    // user's local application data.
    auto local = knownFolder(FOLDERID_LocalAppData);
    if (!local) return std::nullopt;
    std::string programs = *local + "\\Programs";
    ::CreateDirectoryW(wide(programs).c_str(), nullptr);
    if (::GetFileAttributesW(wide(programs).c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return programs;
}

std::vector<std::string> protectedDirs() {
    std::vector<std::string> out;
    auto add = [&](const std::optional<std::string>& dir) {
        if (dir && !dir->empty()) out.push_back(*dir);
    };
    std::vector<std::string> profiles;
    if (auto v = getEnv("USERPROFILE"); v && !v->empty()) profiles.push_back(*v);
    if (auto v = knownFolder(FOLDERID_Profile, 0)) profiles.push_back(*v);
    for (const auto& profile : profiles) {
        out.push_back(profile);
        for (const char* below : {"Desktop", "Documents", "Downloads"}) out.push_back(pathIn(profile, below));
    }
    for (const KNOWNFOLDERID* id : {&FOLDERID_Desktop, &FOLDERID_Documents, &FOLDERID_Downloads, &FOLDERID_Windows,
                                    &FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesX64})
        add(knownFolder(*id, 0));
    wchar_t windows[MAX_PATH + 1];
    UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) out.push_back(narrow(std::wstring_view(windows, n)));
    for (const char* name : {"QUARLAN_WINDOWS_DIR", "QUARLAN_PROGRAM_FILES", "SystemRoot", "windir", "ProgramFiles",
                             "ProgramFiles(x86)", "ProgramW6432"})
        add(getEnv(name));
    return out;
}

bool isProtectedDir(const std::string& dir) {
    if (dir.find_first_not_of(" \t") == std::string::npos) return true;
    std::wstring full = absoluteForm(dir);
    if (isRoot(full) || isVolumeRoot(dir)) return true;
    for (const auto& place : protectedDirs()) {
        // By name for a place that is not there (yet); by identity for every
        // other name of it (a junction, a substituted drive, the Z: view
        // under wine) and for any folder that holds it: emptying C:\Users
        // would empty every profile.
        std::wstring other = absoluteForm(place);
        if (!other.empty() && sameName(other, full)) return true;
        if (isWithin(place, dir)) return true;
    }
    return false;
}

}  // namespace platform
