// maclauncher: the application launcher of the macOS family. Started from
// inside a bundle, it works from the directory that holds the bundle; its own
// command-line arguments are not passed on.
#include "launcher/javaapp.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) { return qrl::posixLauncherMain(qrl::Family::Mac, args); }
