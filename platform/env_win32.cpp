#include "platform/env.h"

#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {

std::optional<std::string> getEnv(const std::string& name) {
    std::wstring w = wide(name);
    DWORD n = ::GetEnvironmentVariableW(w.c_str(), nullptr, 0);
    if (n == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::wstring buf(n, L'\0');
    DWORD got = ::GetEnvironmentVariableW(w.c_str(), buf.data(), n);
    buf.resize(got);
    return narrow(buf);
}

bool setEnv(const std::string& name, const std::string& value) {
    if (value.empty()) return unsetEnv(name);
    std::wstring entry = wide(name + "=" + value);
    // _wputenv keeps the C runtime's copy in step with the process environment.
    return ::_wputenv(entry.c_str()) == 0;
}

bool unsetEnv(const std::string& name) {
    std::wstring entry = wide(name + "=");
    return ::_wputenv(entry.c_str()) == 0;
}

}  // namespace platform
