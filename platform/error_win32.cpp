#include "platform/error.h"

#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {

Result Result::lastError() { return failure(static_cast<int>(::GetLastError())); }

std::string Result::text() const { return ok_ ? std::string() : errorText(code_); }

std::string errorText(int code) {
    wchar_t* buffer = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n > 0 && buffer) text = narrow(std::wstring(buffer, n));
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = "Windows error";
    return text + " (" + std::to_string(code) + ")";
}

}  // namespace platform
