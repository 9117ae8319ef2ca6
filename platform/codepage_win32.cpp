#include <windows.h>

#include "platform/codepage.h"
#include "platform/wide_win32.h"

namespace platform {

std::string systemCodePageToUtf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    int length = static_cast<int>(bytes.size());
    int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0) return std::string(bytes);
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), units);
    return narrow(text);
}

}  // namespace platform
