// The programs' entry point with UTF-8 arguments. Each program defines
// utf8Main; the OS-specific entry file (main, wmain or wWinMain) calls it.
#pragma once

#include <string>
#include <vector>

int utf8Main(std::vector<std::string>& args);

namespace platform {

// The whole command line as the system passed it (Windows), or the arguments
// joined by blanks elsewhere.
std::string rawCommandLine();

}  // namespace platform
