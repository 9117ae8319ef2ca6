// The run's shared part (InstallRun) and the entry the programs call.
#include "installer/install.h"

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/kitdir.h"
#include "installer/language.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/osversion.h"
#include "platform/stopsignal.h"

namespace qrl {

std::string causesText(Family family) {
    std::string text =
        "Other possible causes for errors:\n"
        "    * Read/write access rights to the 'temp' and installation directories?\n"
        "    * OS need to be patched to run Java apps?\n"
        "    * Anti-virus software installed that won't permit unknown executable or JAR files to run?";
    if (rulesFor(family).asksAboutDisplay) text += "\n    * Does your system export the display?";
    return text;
}

InstallRun::InstallRun(Family family, Logs logs, Progress& progress)
    : family(family), rules(rulesFor(family)), logs(std::move(logs)), progress(progress), status(family, progress) {}

bool InstallRun::findHomeDirectory() {
    if (rules.homeIsWindowsDirectory) return findWindowsDirectory();
    for (const char* name : {"home", "HOME", "Home"}) {
        if (auto v = platform::getEnv(name)) {
            homeDirectory = *v;
            return true;
        }
    }
    homeDirectory = getCurrentDir(family);
    logs.trace("home environment variable not set; using", homeDirectory);
    return true;
}

bool InstallRun::findWindowsDirectory() {
    homeDirectory.clear();
    if (auto dir = platform::windowsDirectory()) {
        homeDirectory = dir->path;
        // A directory a test names comes from no registry value.
        if (!dir->source.empty()) logs.trace("got home directory from " + dir->source);
        logs.trace("home directory", homeDirectory);
        return true;
    }
    logs.trace("unable to get windows directory from registry");
    if (auto path = readPathVariable()) {
        for (const auto& element : splitList(*path, ';')) {
            std::string lower = asciiLower(element);
            if (lower.size() >= 5 && lower.compare(lower.size() - 5, 5, "winnt") == 0) {
                homeDirectory = lower;
                logs.trace("home directory", homeDirectory);
                return true;
            }
        }
    }
    if (isDir("c:\\winnt")) {
        homeDirectory = "c:\\winnt";
        logs.trace("home directory", homeDirectory);
        return true;
    }
    homeDirectory = getCurrentDir(family);
    logs.trace("unable to get windows directory");
    if (homeDirectory.empty()) return false;
    logs.trace("home directory", homeDirectory);
    return true;
}

bool InstallRun::readControlFile() {
    ControlFile params(family, logs, progress);
    // A quiet run shows nothing, not even that the control file is missing.
    params.status().setQuietMode(status.quietMode());
    std::string controlFileName;
    kitRead = params.getParameters(settings, controlFileName);
    if (kitRead) status.setProductName(settings.productName);
    return kitRead;
}

void InstallRun::showStatusMessage(unsigned number) {
    if (quiet || properties) return;
    std::string text = progressText(family, getLanguage(family), number);
    if (rules.progressOnTerminal) {
        status.showStatus(text);
    } else {
        logs.trace(text);
    }
}

bool InstallRun::stopped() const { return platform::stopSignal() != 0; }

Failure InstallRun::stopFailure() const {
    std::string signal = std::to_string(platform::stopSignal());
    logs.error("installation stopped by signal", signal);
    return {"The installation was stopped (signal " + signal + ").",
            "Start the installer again to install the application."};
}

bool InstallRun::logsInWorkingDir() const {
    return logs.errorLog() == platform::pathIn(platform::currentDir().value_or(""), kErrorLog);
}

RunOutcome startProgram(Family family, bool quiet, bool properties, std::string_view details,
                        std::string_view startDir, Progress& progress) {
    // The run's logs are those of the working directory it starts in, unless
    // that cannot take them.
    std::string cwd = platform::currentDir().value_or("");
    Install install(family, SearchPlaces::defaults(family), Logs::in(logsPlace(family, cwd, startDir)), progress);
    return install.install(quiet, properties, details, startDir);
}

}  // namespace qrl
