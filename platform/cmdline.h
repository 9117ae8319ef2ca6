// Windows command lines: a program receives one string and its C runtime
// splits it into arguments. These pure functions build a line that splits back
// into exactly the given vector, and split a line as the C runtime does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One argument in the form the C runtime splits back into the same text:
// unchanged when it holds no blank, tab, line end or double quote and is not
// empty; otherwise quoted, with backslashes before quotes doubled.
std::string quoteWindowsArg(std::string_view arg);

// The whole command line for an argument vector. The first entry is the
// program name, which the runtime reads up to the next quote or blank without
// backslash rules, so it is only wrapped in quotes.
std::string buildWindowsCommandLine(const std::vector<std::string>& argv);

// Splits a command line as the C runtime does for main's argv.
std::vector<std::string> splitWindowsCommandLine(std::string_view line);
// The same for the arguments alone, the text after the program path.
std::vector<std::string> splitWindowsArguments(std::string_view arguments);

// The first token of a command line (the program path), quoted or up to the
// first blank or tab, and the rest after the blanks that follow it.
std::string_view firstWindowsToken(std::string_view line, std::string_view* rest = nullptr);

}  // namespace platform
