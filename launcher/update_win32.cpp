// update: the application launcher of the Windows family that Windows starts
// with administrator rights (its manifest asks for them).
#include "launcher/javaapp.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) { return qrl::windowsLauncherMain(args, true); }
