#include "platform/folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/wide_win32.h"

namespace platform {

std::optional<std::string> userFolder(UserFolder folder) {
    const KNOWNFOLDERID& id = folder == UserFolder::Programs ? FOLDERID_UserProgramFiles : FOLDERID_Documents;
    PWSTR path = nullptr;
    HRESULT rc = ::SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path);
    std::optional<std::string> out;
    if (SUCCEEDED(rc) && path && *path) out = narrow(std::wstring_view(path));
    ::CoTaskMemFree(path);
    return out;
}

}  // namespace platform
