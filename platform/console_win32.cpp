#include "platform/console.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/wide_win32.h"

namespace platform {
namespace {

void write(DWORD which, std::FILE* f, std::string_view utf8) {
    std::fflush(f);
    HANDLE h = ::GetStdHandle(which);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
    std::wstring w = wide(utf8);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(h, &mode)) {
        ::WriteConsoleW(h, w.c_str(), static_cast<DWORD>(w.size()), &written, nullptr);
        return;
    }
    // Redirected: the bytes of the console's code page, or the ANSI one.
    UINT cp = ::GetConsoleOutputCP();
    if (cp == 0) cp = ::GetACP();
    int n = ::WideCharToMultiByte(cp, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(cp, 0, w.c_str(), static_cast<int>(w.size()), bytes.data(), n, nullptr, nullptr);
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void writeStdout(std::string_view utf8) { write(STD_OUTPUT_HANDLE, stdout, utf8); }
void writeStderr(std::string_view utf8) { write(STD_ERROR_HANDLE, stderr, utf8); }

std::string localeCodeset() { return "CP" + std::to_string(::GetACP()); }

}  // namespace platform
