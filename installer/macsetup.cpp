// macsetup: the installer bootstrap of the macOS family.
//
//   macsetup [-q file | -s file]
//
// The kit is the directory that holds this program, or, when the program is
// the executable of an application bundle, the bundle's Contents/Resources
// (the start folder, where the logs go, is then the one that holds the
// bundle). The installation runs in a private copy of it below TMPDIR
// (tmpqrl01 ... tmpqrl99), which is removed at the end; the logs are saved in
// the start folder. When no such directory can be made, nothing is
// installed. Exit status 1 after a successful installation, 0 after a failure
// (an unknown switch included, and logs that could be saved nowhere but in
// the working directory, which then stays), 128+N when stopped by signal N
// (SIGTERM, SIGINT, SIGHUP), which the wizard gets too. One run per kit: a
// second run started while the first lives is refused with status 0 and its
// message on standard error.
#include <cstdio>

#include "common/files.h"
#include "common/kept.h"
#include "common/paths.h"
#include "installer/commandline.h"
#include "installer/install.h"
#include "installer/kitdir.h"
#include "installer/macbundle.h"
#include "installer/macsteps.h"
#include "installer/usage.h"
#include "platform/console.h"
#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/stopsignal.h"
#include "provision/jvmmodes.h"

int utf8Main(std::vector<std::string>& args) {
    using namespace qrl;
    if (printInstallerInfo(args, Family::Mac)) return 0;
    if (rejectUnknownSwitch(args, Family::Mac)) return kept::kFailureStatus;
    const std::string userDir = getCurrentDir(Family::Mac);
    MacCommandLine cl = parseMacCommandLine(args);
    // A details file named relative to where the user is must still be found
    // once the run has moved to its own directory.
    if (!cl.details.empty() && cl.details.front() != '/' && pathExists(joinPath(userDir, cl.details, Family::Mac)))
        cl.details = joinPath(userDir, cl.details, Family::Mac);

    std::string program = platform::programPath();
    if (program.empty() && !args.empty()) program = args[0];
    size_t slash = program.rfind('/');
    // Where the run stands is read back below: a folder it cannot enter is not
    // taken for the kit.
    if (slash != std::string::npos) (void)platform::changeDir(slash == 0 ? "/" : program.substr(0, slash));
    // Inside an application bundle the kit is its Resources and the start
    // folder the one that holds the bundle; elsewhere both are the kit's
    // folder, as the system names it: the logs go there, whatever its name
    // holds (a trailing blank, a line feed).
    const MacPlaces places = macPlaces(getCurrentDir(Family::Mac));
    if (places.kitDir != places.startDir) (void)platform::changeDir(places.kitDir);
    const std::string kitDir = getCurrentDir(Family::Mac);
    const std::string startDir = places.kitDir != places.startDir ? places.startDir : kitDir;

    // One run per kit: a second one started while the first lives changes
    // nothing. The lock is held, like the working directory's, by every
    // program the run starts.
    platform::DirLock kitLock;
    if (!claimKitDir(kitDir, kitLock, Family::Mac, KitUse::CopiedFirst)) return kept::kFailureStatus;

    // Stopped from outside, the run passes the signal on to the wizard, waits
    // for it, saves the logs and removes its directory before it ends.
    platform::PassStopSignals passOn;
    platform::DirLock lock;
    std::string tempDir;
    std::string why;
    if (!createTempDir(kitDir, lock, tempDir, &why)) {
        // The installation never runs in the kit itself.
        std::string message = !why.empty() ? why
                                           : "Unable to make a private working directory (tmpqrl01 ... tmpqrl99) below " +
                                                 tempDirBase() + "; nothing was installed.";
        Logs logs = Logs::in(logsPlace(Family::Mac, startDir, ""));
        logs.error(message);
        platform::writeStderr(message + "\n");
        return kept::kFailureStatus;
    }
    const std::string workDir = getCurrentDir(Family::Mac);

    RunOutcome run = startProgram(Family::Mac, cl.quiet, cl.properties, cl.details, startDir);

    // The working directory goes unless it keeps logs that could be saved
    // nowhere else (the run has said where they are).
    if (!run.logsLost && startDir != workDir) {
        (void)platform::changeDir(startDir);  // the directory goes also while the run stands in it
        delDirTree(workDir, Family::Mac);
    }
    if (int signal = platform::stopSignal()) return 128 + signal;
    return run.success && !run.logsLost ? kept::kSuccessStatus : kept::kFailureStatus;
}
