#include "common/kept.h"
#include "launcher/javaapp.h"
#include "launcher/jvmfinder.h"
#include "platform/fs.h"

namespace qrl {

int posixLauncherMain(Family family, const std::vector<std::string>& args) {
    const FamilyRules& rules = rulesFor(family);
    std::string path = args.empty() ? std::string() : args[0];
    // Started through the search path, argv[0] holds no directory: the
    // program's own path names the one its properties file lies beside.
    if (!path.empty() && path.find('/') == std::string::npos) path = platform::programPath();
    if (rules.launcherFollowsLinks && !path.empty()) {
        // A link (in ~/bin, say) stands for the installed launcher: its
        // properties file lies beside the real program.
        std::string real = platform::canonicalPath(path);
        if (!real.empty()) path = real;
    }
    if (rules.launcherStartsInBundle) {
        // Inside a bundle: work from the directory that holds it.
        size_t app = path.find(".app");
        if (app != std::string::npos) {
            path.resize(app);
            size_t slash = path.rfind('/');
            if (slash != std::string::npos) platform::changeDir(path.substr(0, slash));
        }
    }
    std::vector<std::string> extra;
    if (rules.launcherPassesArguments && args.size() > 1) extra.assign(args.begin() + 1, args.end());
    // The logs stay where the launcher started, wherever the application runs.
    Logs logs = Logs::inCurrentDir(kLauncherTrace);
    JavaApp launcher(family, logs, systemJvmFinder(family, logs.withTrace(kTraceLog)));
    bool ok = launcher.javaApp(path, extra);
    if (!rules.launcherExitsWithAppStatus) return ok ? kept::kSuccessStatus : kept::kFailureStatus;
    switch (launcher.outcome()) {
        case LaunchOutcome::Ran: return launcher.exitCode();
        case LaunchOutcome::ExecutableMissing: return 127;
        case LaunchOutcome::NoProperties:
        case LaunchOutcome::NotStarted: break;
    }
    return 126;
}

}  // namespace qrl
