// What an installer bootstrap says about itself when asked: --help and
// --version print and install nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"

namespace qrl {

// The version of these programs.
std::string_view programVersion();

// The text of --help for the installer `program` of a family.
std::string installerUsage(std::string_view program, Family family);
// The line of --version.
std::string installerVersion(std::string_view program);

// Whether the command line (the program's path first) asks only for help or
// the version: its first argument is "--help" or "--version". Writes the text
// to standard output and answers true then; false leaves everything to the
// run.
bool printInstallerInfo(const std::vector<std::string>& args, Family family);

// The first word of the command line that begins with "-" and is none of the
// family's switches ("-q", "-s" where the family has it, "--help",
// "--version"); the word after a switch is its file, whatever it holds, and
// the Finder's "-psn_..." is no switch of the user's. Windows (the words as
// the C runtime splits them): a word that begins with "-" or "/" and is
// neither "-q", "-s" nor a lone "--version" ("--help" and "/?" included).
// Empty when there is none.
std::string unknownSwitch(const std::vector<std::string>& args, Family family);

// When the command line holds an unknown switch: says so and prints the usage
// on standard error, and answers true (the run must not start).
bool rejectUnknownSwitch(const std::vector<std::string>& args, Family family);

}  // namespace qrl
