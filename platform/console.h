// Text for the user's terminal. Programs hold UTF-8; the terminal gets the
// encoding of the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace platform {

void writeStdout(std::string_view utf8);
void writeStderr(std::string_view utf8);

// The name of the locale's character set as the system reports it ("UTF-8",
// "ISO-8859-1", ...).
std::string localeCodeset();

}  // namespace platform
