#include "platform/registry.h"

#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {
namespace {

HKEY rootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

REGSAM viewFlag(RegView view) {
    switch (view) {
        case RegView::Bits64:
            return KEY_WOW64_64KEY;
        case RegView::Bits32:
            return KEY_WOW64_32KEY;
        default:
            return 0;
    }
}

class Key {
public:
    Key(RegRoot root, const std::string& key, REGSAM access, RegView view) {
        if (::RegOpenKeyExW(rootKey(root), wide(key).c_str(), 0, access | viewFlag(view), &h_) != ERROR_SUCCESS)
            h_ = nullptr;
    }
    ~Key() {
        if (h_) ::RegCloseKey(h_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

}  // namespace

bool regSubkeys(RegRoot root, const std::string& key, RegView view, std::vector<std::string>& names) {
    Key k(root, key, KEY_READ, view);
    if (!k.get()) return false;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];  // the registry's limit for a key name
        DWORD len = 256;
        LONG rc = ::RegEnumKeyExW(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return false;
        names.push_back(narrow(std::wstring_view(name, len)));
    }
    return true;
}

bool regKeyExists(RegRoot root, const std::string& key, RegView view) {
    return Key(root, key, KEY_READ, view).get() != nullptr;
}

std::optional<std::string> regString(RegRoot root, const std::string& key, const std::string& value, RegView view) {
    Key k(root, key, KEY_QUERY_VALUE, view);
    if (!k.get()) return std::nullopt;
    std::wstring name = wide(value);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    return narrow(data);
}

bool regValueExists(RegRoot root, const std::string& key, const std::string& value, RegView view) {
    Key k(root, key, KEY_QUERY_VALUE, view);
    return k.get() && ::RegQueryValueExW(k.get(), wide(value).c_str(), nullptr, nullptr, nullptr, nullptr) ==
                          ERROR_SUCCESS;
}

bool regCreateKey(RegRoot root, const std::string& key, RegView view) {
    HKEY h = nullptr;
    if (::RegCreateKeyExW(rootKey(root), wide(key).c_str(), 0, nullptr, 0, KEY_WRITE | viewFlag(view), nullptr, &h,
                          nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(h);
    return true;
}

bool regSetString(RegRoot root, const std::string& key, const std::string& value, const std::string& data,
                  RegView view) {
    HKEY h = nullptr;
    if (::RegCreateKeyExW(rootKey(root), wide(key).c_str(), 0, nullptr, 0, KEY_WRITE | viewFlag(view), nullptr, &h,
                          nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring w = wide(data);
    LONG rc = ::RegSetValueExW(h, wide(value).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                               static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool regDeleteTree(RegRoot root, const std::string& key, RegView view) {
    if (key.empty()) return false;  // never a whole root
    if (!regKeyExists(root, key, view)) return true;
    size_t sep = key.rfind('\\');
    std::string parent = sep == std::string::npos ? std::string() : key.substr(0, sep);
    std::string leaf = sep == std::string::npos ? key : key.substr(sep + 1);
    HKEY h = nullptr;
    if (::RegOpenKeyExW(rootKey(root), wide(parent).c_str(), 0, KEY_ALL_ACCESS | viewFlag(view), &h) != ERROR_SUCCESS)
        return false;
    LONG rc = ::RegDeleteTreeW(h, wide(leaf).c_str());
    if (rc == ERROR_SUCCESS) rc = ::RegDeleteKeyW(h, wide(leaf).c_str());
    ::RegCloseKey(h);
    return !regKeyExists(root, key, view);
}

}  // namespace platform
