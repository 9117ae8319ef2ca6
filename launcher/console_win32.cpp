// QuarlanConsole: the application launcher of the Windows family for
// command-line applications. The application runs in the caller's console
// with its standard handles, and the launcher exits with its status.
#include "launcher/javaapp.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) { return qrl::windowsConsoleLauncherMain(args); }
