// macsetup: the installer bootstrap of the macOS family.
//
//   macsetup [-q file | -s file]
//
// The kit is the directory that holds this program, or, when the program is
// the executable of an application bundle, the bundle's Contents/Resources
// (the start folder, where the logs go, is then the one that holds the
// bundle). The installation runs in a private copy of it below TMPDIR
// (tmpqrl01 ... tmpqrl99), which is removed at the end; the logs are saved in
// the start folder. When no such directory can be made, nothing is installed. Exit status 1 after a successful
// installation, 0 after a failure (an unknown switch included), 128+N when
// stopped by signal N (SIGTERM, SIGINT, SIGHUP), which the wizard gets too.
#include <cstdio>

#include "common/files.h"
#include "common/kept.h"
#include "common/paths.h"
#include "installer/install.h"
#include "installer/macbundle.h"
#include "installer/macsteps.h"
#include "installer/usage.h"
#include "platform/console.h"
#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/stopsignal.h"
#include "provision/jvmmodes.h"

namespace {

using namespace qrl;

bool holdsLogs(const std::string& dir) {
    for (const auto& name : entryNames(dir))
        if (name.find(".log") != std::string::npos) return true;
    return false;
}

}  // namespace

int utf8Main(std::vector<std::string>& args) {
    if (printInstallerInfo(args, Family::Mac)) return 0;
    if (rejectUnknownSwitch(args, Family::Mac)) return kept::kFailureStatus;
    const std::string userDir = getCurrentDir(Family::Mac);
    MacCommandLine cl = parseMacCommandLine(args);
    // A details file named relative to where the user is must still be found
    // once the run has moved to its own directory.
    if (!cl.details.empty() && cl.details.front() != '/' && fexists(joinPath(userDir, cl.details, Family::Mac)))
        cl.details = joinPath(userDir, cl.details, Family::Mac);

    std::string program = platform::programPath();
    if (program.empty() && !args.empty()) program = args[0];
    size_t slash = program.rfind('/');
    if (slash != std::string::npos) platform::changeDir(slash == 0 ? "/" : program.substr(0, slash));
    // Inside an application bundle the kit is its Resources and the start
    // folder the one that holds the bundle.
    const MacPlaces places = macPlaces(getCurrentDir(Family::Mac));
    if (places.kitDir != places.startDir) platform::changeDir(places.kitDir);
    const std::string kitDir = getCurrentDir(Family::Mac);
    const std::string startDir = places.kitDir != places.startDir ? places.startDir : kitDir;

    // Stopped from outside, the run passes the signal on to the wizard, waits
    // for it, saves the logs and removes its directory before it ends.
    platform::PassStopSignals passOn;
    platform::DirLock lock;
    std::string tempDir;
    bool made = createTempDir(kitDir, lock, tempDir);
    if (made && startDir != kitDir) {
        // The run's start folder is the bundle's, not the kit's.
        platform::removeFile(joinPath(tempDir, kStartDirFile, Family::Mac));
        made = writeStartDirFile(kStartDirFile, startDir, tempDir);
        if (!made) {
            platform::changeDir(kitDir);
            delDirTree(tempDir, Family::Mac);
            lock.release();
        }
    }
    if (!made) {
        // The installation never runs in the kit itself.
        std::string message = "Unable to make a private working directory (tmpqrl01 ... tmpqrl99) below " +
                              tempDirBase() + "; nothing was installed.";
        Logs logs = Logs::in(logsPlace(Family::Mac, startDir, ""));
        logs.error(message);
        platform::writeStderr(message + "\n");
        return kept::kFailureStatus;
    }
    const std::string workDir = getCurrentDir(Family::Mac);

    bool ok = startProgram(Family::Mac, cl.quiet, cl.properties, cl.details);

    if (!startDir.empty() && startDir != workDir && platform::changeDir(startDir)) {
        platform::removeFile(joinPath(workDir, kStartDirFile, Family::Mac));
        std::string home = platform::getEnv("HOME").value_or("");
        if (!isDirWriteProtected(startDir, Family::Mac)) {
            delDirTree(workDir, Family::Mac);
        } else if (!isDirWriteProtected(home, Family::Mac)) {
            // The run saved its logs in the home directory instead.
            if (holdsLogs(workDir) || holdsLogs(home))
                platform::writeStderr("The logs of this installation could not be saved in " + startDir +
                                      "; they are in " + home + "\n");
            delDirTree(workDir, Family::Mac);
        } else if (holdsLogs(workDir)) {
            // Nowhere else to keep them: the working directory stays.
            platform::writeStderr("The logs of this installation could not be saved in " + startDir +
                                  "; they are in " + workDir + "\n");
        } else {
            delDirTree(workDir, Family::Mac);
        }
    }
    if (int signal = platform::stopSignal()) return 128 + signal;
    return ok ? kept::kSuccessStatus : kept::kFailureStatus;
}
