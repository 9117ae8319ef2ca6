#include "platform/env.h"

#include <windows.h>

#include <cerrno>

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

namespace {

// _wputenv keeps the C runtime's copy in step with the process environment.
// It fails for a name it cannot take or for want of memory, and says which
// in errno only.
Result putEnv(const std::string& entry) {
    if (::_wputenv(wide(entry).c_str()) == 0) return {};
    return Result::failure(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER);
}

}  // namespace

Result setEnv(const std::string& name, const std::string& value) {
    if (value.empty()) return unsetEnv(name);
    return putEnv(name + "=" + value);
}

Result unsetEnv(const std::string& name) { return putEnv(name + "="); }

}  // namespace platform
