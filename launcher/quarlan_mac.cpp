// quarlan for macOS: the launcher of command-line applications on a Mac (a
// bundle takes maclauncher). It follows the POSIX family's rules (links
// followed, arguments passed on, the application's exit status); a JVM that
// has gone is replaced from the macOS JVM roots first, then the usual places.
#include "launcher/javaapp.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) {
    return qrl::posixLauncherMain(qrl::Family::Posix, args, qrl::Family::Mac);
}
