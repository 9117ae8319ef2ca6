// unixloader: the installer bootstrap of the POSIX family.
//
//   unixloader [-q file]
//   unixloader --help | --version
//
// Runs in the unpacked kit. Exit status 1 after a successful installation, 0
// after a failure, 128+N when stopped by signal N (SIGTERM, SIGINT, SIGHUP),
// which the wizard or JVM archive it waits for gets too. When the kit's "startdir.txt" names another directory, the
// logs are saved there and the working directory is removed (never a
// directory whose control file could not be read, nor the user's home and
// the folders in it). When the logs cannot be saved there, they stay in the
// kit, which stays too, and the status is that of a failure. One run per kit:
// a second run started while the first lives is refused (status 0, the
// message on standard error). Unknown switches: the usage on standard error,
// status 0.
#include "common/kept.h"
#include "common/paths.h"
#include "installer/commandline.h"
#include "installer/install.h"
#include "installer/kitdir.h"
#include "installer/startdir.h"
#include "installer/usage.h"
#include "platform/entry.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/stopsignal.h"

int utf8Main(std::vector<std::string>& args) {
    using namespace qrl;
    if (printInstallerInfo(args, Family::Posix)) return 0;
    if (rejectUnknownSwitch(args, Family::Posix)) return kept::kFailureStatus;
    std::string cwd = getCurrentDir(Family::Posix);
    // One run per kit: a second one started here changes nothing.
    platform::DirLock kitLock;
    if (!claimKitDir(cwd, kitLock, Family::Posix)) return kept::kFailureStatus;
    std::string startDir = getStartDir();
    CommandLine cl = parsePosixCommandLine(args);
    // Stopped from outside, the run passes the signal on, saves the logs and
    // tidies up before it ends.
    platform::PassStopSignals passOn;
    RunOutcome run = startProgram(Family::Posix, cl.quiet, false, cl.details, startDir);
    // Only a directory that held a readable kit, and whose logs are saved
    // elsewhere, is removed; never the start directory under another name.
    if (run.mayRemoveKit() && !startDir.empty() && !platform::isWithin(startDir, cwd) &&
        platform::changeDir(startDir)) {
        (void)platform::removeFile(cwd + "/" + kStartDirFile);  // cleanUpAllFiles removes it too
        cleanUpAllFiles(cwd, startDir);
    }
    if (int signal = platform::stopSignal()) return 128 + signal;
    return run.success && !run.logsLost ? kept::kSuccessStatus : kept::kFailureStatus;
}
