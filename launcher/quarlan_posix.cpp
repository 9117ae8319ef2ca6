// quarlan: the application launcher of the POSIX family (Linux), the twin of
// the Windows Quarlan.exe. Installed under the application's name, it reads
// Quarlan/<name>.properties beside its real path (links followed), passes its
// own arguments on after those of the properties file, and exits with the
// application's exit status (126 when the application could not be started
// or the properties file not read, 127 when the executable is missing).
#include "launcher/javaapp.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) { return qrl::posixLauncherMain(qrl::Family::Posix, args); }
