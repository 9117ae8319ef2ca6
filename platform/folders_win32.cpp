#include "platform/folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/wide_win32.h"

namespace platform {
namespace {

std::optional<std::string> knownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    HRESULT rc = ::SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path);
    std::optional<std::string> out;
    if (SUCCEEDED(rc) && path && *path) out = narrow(std::wstring_view(path));
    ::CoTaskMemFree(path);
    return out;
}

}  // namespace

std::optional<std::string> userFolder(UserFolder folder) {
    if (folder == UserFolder::Documents) return knownFolder(FOLDERID_Documents);
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

}  // namespace platform
