#include "common/kept.h"
#include "launcher/javaapp.h"
#include "launcher/elevated.h"
#include "launcher/jvmfinder.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/rights.h"
#include "platform/ui.h"

namespace qrl {

int applicationStatus(const JavaApp& app) {
    switch (app.outcome()) {
        case LaunchOutcome::Ran: return app.exitCode();
        case LaunchOutcome::ExecutableMissing: return 127;
        case LaunchOutcome::NoProperties:
        case LaunchOutcome::NotStarted: break;
    }
    return 126;
}

int posixLauncherMain(Family family, const std::vector<std::string>& args) {
    return posixLauncherMain(family, args, family);
}

int posixLauncherMain(Family family, const std::vector<std::string>& args, Family jvmSearch) {
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
            // A folder it cannot enter leaves the launcher where it started.
            if (slash != std::string::npos) (void)platform::changeDir(path.substr(0, slash));
        }
    }
    std::vector<std::string> extra;
    if (rules.launcherPassesArguments && args.size() > 1) extra.assign(args.begin() + 1, args.end());
    // The logs stay where the launcher started, wherever the application runs.
    Logs logs = Logs::inCurrentDir(kLauncherTrace);
    JavaApp launcher(family, logs, systemJvmFinder(jvmSearch, logs.withTrace(kTraceLog)));
    launcher.allowUserOptions(!platform::runsElevated() && !platform::runsSetId());
    bool ok = launcher.javaApp(path, extra);
    if (!rules.launcherExitsWithAppStatus) return ok ? kept::kSuccessStatus : kept::kFailureStatus;
    return applicationStatus(launcher);
}

int windowsLauncherMain(const std::vector<std::string>& args, bool elevated) {
    if (elevated) {
        platform::closeTestSettings();
        clearJvmOptionVariables();
    }
    // The launcher's own file, as the system loaded it: never the command
    // line's first word, which whoever starts the launcher chooses, so that
    // the properties file read is always the one beside this program.
    std::string programPath = platform::programPath();
    std::vector<std::string> extra;
    if (args.size() > 1) extra.assign(args.begin() + 1, args.end());
    // The logs stay where the launcher started, wherever the application runs.
    Logs logs = Logs::inCurrentDir(kLauncherTrace);
    JavaApp app(Family::Windows, logs, systemJvmFinder(Family::Windows, logs.withTrace(kTraceLog)));
    app.allowUserOptions(!elevated && !platform::runsElevated());
    if (elevated) {
        app.setStartCheck([logs, programPath](const JavaApp& a) {
            std::string place = untrustedPlace(systemRights(), a.propertiesFile(), a.executable(),
                                               a.getJavaHomeDir(), Family::Windows);
            if (place.empty()) return true;
            // Without a programName the launcher's own file says what was refused.
            std::string name = a.settings().programName;
            if (name.empty()) name = programPath.substr(programPath.find_last_of("\\/") + 1);
            std::string text = "Unable to start " + name + " with administrator rights:\n" +
                               place + ".\n\nOnly an installation for all users that administrators alone can "
                               "change (in Program Files) may be started this way.";
            logs.error(text);
            platform::showError("Startup Error", text);
            return false;
        });
    }
    return app.javaApp(programPath, extra) ? kept::kSuccessStatus : kept::kFailureStatus;
}

int windowsConsoleLauncherMain(const std::vector<std::string>& args) {
    std::vector<std::string> extra;
    if (args.size() > 1) extra.assign(args.begin() + 1, args.end());
    Logs logs = Logs::inCurrentDir(kLauncherTrace);
    JavaApp app(Family::Windows, logs, systemJvmFinder(Family::Windows, logs.withTrace(kTraceLog)));
    app.setConsole(true);
    app.allowUserOptions(!platform::runsElevated());
    app.javaApp(platform::programPath(), extra);
    return applicationStatus(app);
}

}  // namespace qrl
