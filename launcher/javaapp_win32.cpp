// Quarlan and update: the application launchers of the Windows family.
#include "common/files.h"
#include "common/kept.h"
#include "launcher/javaapp.h"
#include "launcher/jvmfinder.h"
#include "platform/cmdline.h"
#include "platform/entry.h"
#include "platform/fs.h"

int utf8Main(std::vector<std::string>& args) {
    // The program path is the command line's first token, quoted or up to the
    // first blank, so that an unquoted path never swallows the arguments.
    std::string line = platform::rawCommandLine();
    std::string programPath(platform::firstWindowsToken(line));
    // A token that names no file (a bare name found through the search path,
    // an unquoted path with blanks): the program's own path says where it is.
    if (!qrl::fexists(programPath) && !qrl::fexists(programPath + ".exe")) programPath = platform::programPath();
    std::vector<std::string> extra;
    if (args.size() > 1) extra.assign(args.begin() + 1, args.end());
    // The logs stay where the launcher started, wherever the application runs.
    qrl::Logs logs = qrl::Logs::inCurrentDir(qrl::kLauncherTrace);
    qrl::JavaApp app(qrl::Family::Windows, logs,
                     qrl::systemJvmFinder(qrl::Family::Windows, logs.withTrace(qrl::kTraceLog)));
    return app.javaApp(programPath, extra) ? qrl::kept::kSuccessStatus : qrl::kept::kFailureStatus;
}
