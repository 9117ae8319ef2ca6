#include "platform/registry.h"

#include <windows.h>

#include <string_view>

#include "platform/env.h"
#include "platform/wide_win32.h"

namespace platform {
namespace {

// The keys tests keep below their own key, each with all below it.
struct TestKey {
    RegRoot root;
    std::string_view key;
};
constexpr TestKey kTestKeys[] = {
    {RegRoot::LocalMachine, "SOFTWARE\\JavaSoft"},
    {RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
    {RegRoot::LocalMachine, "Network\\Logon"},
    {RegRoot::CurrentUser, "Control Panel\\International"},
};

// Whether `key` is `top` or lies below it; the registry compares names
// without regard to case.
bool atOrBelow(std::string_view key, std::string_view top) {
    if (key.size() < top.size() || (key.size() > top.size() && key[top.size()] != '\\')) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < top.size(); ++i)
        if (lower(key[i]) != lower(top[i])) return false;
    return true;
}

// Where a key named by a caller is really read and written.
struct Place {
    RegRoot root;
    std::string key;
};

Place placeOf(RegRoot root, const std::string& key) {
    auto testRoot = testSetting("QUARLAN_REGISTRY_ROOT");
    if (testRoot && !testRoot->empty()) {
        for (const auto& t : kTestKeys)
            if (t.root == root && atOrBelow(key, t.key)) return {RegRoot::CurrentUser, *testRoot + "\\" + key};
    }
    return {root, key};
}

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
    Key(const Place& place, REGSAM access, RegView view) {
        rc_ = ::RegOpenKeyExW(rootKey(place.root), wide(place.key).c_str(), 0, access | viewFlag(view), &h_);
        if (rc_ != ERROR_SUCCESS) h_ = nullptr;
    }
    ~Key() {
        if (h_) ::RegCloseKey(h_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return h_; }
    LONG error() const { return rc_; }

private:
    HKEY h_ = nullptr;
    LONG rc_ = ERROR_SUCCESS;
};

Result failed(LONG rc) { return Result::failure(static_cast<int>(rc)); }

bool keyExists(const Place& place, RegView view) { return Key(place, KEY_READ, view).get() != nullptr; }

}  // namespace

Result regSubkeys(RegRoot root, const std::string& key, RegView view, std::vector<std::string>& names) {
    Key k(placeOf(root, key), KEY_READ, view);
    if (!k.get()) return failed(k.error());
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];  // the registry's limit for a key name
        DWORD len = 256;
        LONG rc = ::RegEnumKeyExW(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return failed(rc);
        names.push_back(narrow(std::wstring_view(name, len)));
    }
    return {};
}

bool regKeyExists(RegRoot root, const std::string& key, RegView view) { return keyExists(placeOf(root, key), view); }

std::optional<std::string> regString(RegRoot root, const std::string& key, const std::string& value, RegView view) {
    Key k(placeOf(root, key), KEY_QUERY_VALUE, view);
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
    Key k(placeOf(root, key), KEY_QUERY_VALUE, view);
    return k.get() && ::RegQueryValueExW(k.get(), wide(value).c_str(), nullptr, nullptr, nullptr, nullptr) ==
                          ERROR_SUCCESS;
}

Result regCreateKey(RegRoot root, const std::string& key, RegView view) {
    Place place = placeOf(root, key);
    HKEY h = nullptr;
    LONG rc = ::RegCreateKeyExW(rootKey(place.root), wide(place.key).c_str(), 0, nullptr, 0,
                                KEY_WRITE | viewFlag(view), nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS) return failed(rc);
    ::RegCloseKey(h);
    return {};
}

Result regSetString(RegRoot root, const std::string& key, const std::string& value, const std::string& data,
                    RegView view) {
    Place place = placeOf(root, key);
    HKEY h = nullptr;
    LONG rc = ::RegCreateKeyExW(rootKey(place.root), wide(place.key).c_str(), 0, nullptr, 0,
                                KEY_WRITE | viewFlag(view), nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS) return failed(rc);
    std::wstring w = wide(data);
    rc = ::RegSetValueExW(h, wide(value).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                          static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(h);
    return rc == ERROR_SUCCESS ? Result() : failed(rc);
}

Result regDeleteTree(RegRoot root, const std::string& key, RegView view) {
    if (key.empty()) return failed(ERROR_INVALID_PARAMETER);  // never a whole root
    Place place = placeOf(root, key);
    if (!keyExists(place, view)) return {};
    size_t sep = place.key.rfind('\\');
    std::string parent = sep == std::string::npos ? std::string() : place.key.substr(0, sep);
    std::string leaf = sep == std::string::npos ? place.key : place.key.substr(sep + 1);
    HKEY h = nullptr;
    LONG rc = ::RegOpenKeyExW(rootKey(place.root), wide(parent).c_str(), 0, KEY_ALL_ACCESS | viewFlag(view), &h);
    if (rc != ERROR_SUCCESS) return failed(rc);
    rc = ::RegDeleteTreeW(h, wide(leaf).c_str());
    LONG keyRc = rc == ERROR_SUCCESS ? ::RegDeleteKeyExW(h, wide(leaf).c_str(), viewFlag(view), 0) : rc;
    ::RegCloseKey(h);
    if (!keyExists(place, view)) return {};
    // The tree call removes the key itself too; a key still there names the
    // step that failed.
    return failed(rc != ERROR_SUCCESS ? rc : keyRc != ERROR_SUCCESS ? keyRc : ERROR_ACCESS_DENIED);
}

std::string regKeyName(RegRoot root, const std::string& key) {
    Place place = placeOf(root, key);
    return (place.root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + place.key;
}

}  // namespace platform
