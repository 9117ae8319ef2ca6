// Conversions between UTF-8, the programs' own text, and the encodings met at
// the system's edges. Pure functions, the same on every system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// ISO 8859-1 bytes for UTF-8 text; letters outside Latin-1 and broken
// sequences become '?'.
std::string utf8ToLatin1(std::string_view utf8);
std::string latin1ToUtf8(std::string_view latin1);

// UTF-16 for UTF-8 text (broken sequences become U+FFFD) and back (lone
// surrogates become U+FFFD).
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// True when every byte sequence is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// ASCII letters lowered, every other byte unchanged (never the locale's rules).
std::string asciiLower(std::string_view text);

}  // namespace platform
