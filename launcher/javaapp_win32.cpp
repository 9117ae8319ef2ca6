// Quarlan and update: the application launchers of the Windows family.
#include "launcher/javaapp.h"
#include "launcher/jvmfinder.h"
#include "platform/cmdline.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>& args) {
    // The program path is the command line's first token, quoted or up to the
    // first blank, so that an unquoted path never swallows the arguments.
    std::string line = platform::rawCommandLine();
    std::string programPath(platform::firstWindowsToken(line));
    std::vector<std::string> extra;
    if (args.size() > 1) extra.assign(args.begin() + 1, args.end());
    qrl::JavaApp app(qrl::Family::Windows, qrl::systemJvmFinder(qrl::Family::Windows));
    return app.javaApp(programPath, extra) ? 1 : 0;
}
