// JVM options the user of an installed application may change: a file of the
// user's own ("jvm.options" in <settings folder>/<programName>), read when the
// application's properties file allows it (userJvmOptions=true). Its options
// go after the kit's JVM options and before the main class, "-jar" or "-m",
// so that the user's heap size or system property wins over the kit's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qrl {

// The largest options file read; anything larger is refused whole.
inline constexpr std::uint64_t kUserOptionsLimit = 64u << 10;

// Whether a Java launcher option takes its value as the next argument
// ("-cp lib/a.jar", "--add-opens m/p=ALL-UNNAMED").
bool takesSeparateValue(std::string_view option);

// Where the application begins in a Java command line: the index of the main
// class, "-jar", "-m" or "--module"; tokens.size() when only options are there.
size_t applicationStart(const std::vector<std::string>& tokens);

struct UserOptions {
    std::vector<std::string> options;  // in the order of the file, each one argument
    std::vector<std::string> ignored;  // lines that are no option, with the reason, for the error log
};

// The options of a file's text: one option per line, blanks around it and
// lines starting with "#" or holding nothing ignored. An option that takes a
// separate value may give it on the same line after a blank ("--add-opens
// m/p=ALL-UNNAMED"); any other line is one argument, blanks and all. A line
// that is no option, or that would choose what to run ("-jar", "-m"), is
// ignored: it would replace the application.
UserOptions parseUserOptions(std::string_view text);

// The user's options file of the application `programName`: empty when the
// user has no settings folder or the name cannot be a folder's.
std::string userOptionsFile(std::string_view programName);

}  // namespace qrl
