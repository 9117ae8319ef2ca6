// Text in the system's own code page, as older Windows programs (Notepad's
// "ANSI", cmd's echo) write it, turned into the programs' UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Windows: the bytes read in the system's ANSI code page. POSIX systems name
// files by bytes: the text comes back as it is.
std::string systemCodePageToUtf8(std::string_view bytes);

}  // namespace platform
