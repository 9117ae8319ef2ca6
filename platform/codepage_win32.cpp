#include <windows.h>

#include "platform/codepage.h"
#include "platform/wide_win32.h"

namespace platform {
namespace {

// The system locale's ANSI code page: the programs declare UTF-8 as their own
// code page, so GetACP would answer that instead of what cmd and Notepad use.
UINT systemAnsiCodePage() {
    DWORD page = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&page), sizeof(page) / sizeof(WCHAR)) == 0 ||
        page == 0)
        return CP_ACP;
    return page;
}

}  // namespace

std::string systemCodePageToUtf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    const UINT page = systemAnsiCodePage();
    int length = static_cast<int>(bytes.size());
    int units = MultiByteToWideChar(page, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0) return std::string(bytes);
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(page, 0, bytes.data(), length, text.data(), units);
    return narrow(text);
}

}  // namespace platform
