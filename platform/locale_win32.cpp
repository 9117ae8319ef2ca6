#include "platform/locale.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/env.h"
#include "platform/wide_win32.h"

namespace platform {

std::string userLocaleName() {
    // Tests keep their user settings below the key QUARLAN_REGISTRY_ROOT names
    // (of HKEY_CURRENT_USER), as they keep their JavaSoft keys.
    std::wstring path = L"Control Panel\\International";
    if (auto root = testSetting("QUARLAN_REGISTRY_ROOT"); root && !root->empty())
        path = wide(*root) + L"\\" + path;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    wchar_t buf[201] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    DWORD type = 0;
    LONG rc = ::RegQueryValueExW(key, L"LocaleName", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return {};
    return narrow(std::wstring(buf, size / sizeof(wchar_t)).c_str());
}

}  // namespace platform
