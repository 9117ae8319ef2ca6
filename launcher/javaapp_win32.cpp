// Quarlan: the application launcher of the Windows family, run with the
// rights of whoever starts it.
#include "launcher/javaapp.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) { return qrl::windowsLauncherMain(args, false); }
