// "startdir.txt": the kit's note of the directory the user started the
// installer from, where the run's logs are saved.
#pragma once

#include <string>
#include <string_view>

namespace qrl {

inline constexpr const char* kStartDirFile = "startdir.txt";

// The first line of "startdir.txt" in the current directory: read as UTF-8
// with or without a byte order mark, UTF-16 LE or BE after its mark, else (on
// Windows) in the system's code page; the line ends at LF or CR LF. Trailing
// blanks are dropped unless only the name with them is a folder. Empty when
// the file is missing or not a plain file.
std::string getStartDir();
// The line of "startdir.txt" from the file's bytes, decoded, without its line
// end and cut to 5000 bytes; trailing blanks kept.
std::string startDirLine(std::string_view fileBytes);

}  // namespace qrl
