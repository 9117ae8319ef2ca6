// UTF-8 <-> UTF-16 at the Windows API boundary (Windows implementation files only).
#pragma once

#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace platform {

inline std::wstring wide(std::string_view utf8) {
    std::u16string w = utf8ToUtf16(utf8);
    return std::wstring(w.begin(), w.end());
}

inline std::string narrow(std::wstring_view w) {
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size()));
}

}  // namespace platform
