// The switches of the POSIX and macOS installers' command lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qrl {

// The parts of the details argument of the POSIX command line: an argument
// that contains "-q" sets quiet (of the program path, its file name only); the
// first argument after it is the details file, whatever it holds, with the
// quoting rules of the installer.
struct CommandLine {
    bool quiet = false;
    bool properties = false;
    std::string details;
};
CommandLine parsePosixCommandLine(const std::vector<std::string>& args);

// The details file that begins at args[i]: the argument as it is, or the text
// inside its double quotes — joined with the following arguments up to the one
// holding the closing quote when the shell split a quoted name at its blanks
// (`i` is left on the last argument taken).
std::string detailsArgument(const std::vector<std::string>& args, size_t& i);

}  // namespace qrl
