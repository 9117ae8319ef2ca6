// unixloader: the installer bootstrap of the POSIX family.
//
//   unixloader [-q file]
//   unixloader --help | --version
//
// Runs in the unpacked kit. Exit status 1 after a successful installation, 0
// after a failure. When the kit's "startdir.txt" names another directory, the
// logs are saved there and the working directory is removed (never a
// directory whose control file could not be read, nor the user's home and
// the folders in it). Unknown switches: the usage on standard error, status 0.
#include "common/kept.h"
#include "common/paths.h"
#include "installer/install.h"
#include "installer/usage.h"
#include "platform/entry.h"
#include "platform/fs.h"

int utf8Main(std::vector<std::string>& args) {
    using namespace qrl;
    if (printInstallerInfo(args, Family::Posix)) return 0;
    if (rejectUnknownSwitch(args, Family::Posix)) return kept::kFailureStatus;
    std::string cwd = getCurrentDir(Family::Posix);
    std::string startDir = getStartDir();
    CommandLine cl = parsePosixCommandLine(args);
    bool kitRead = false;
    bool ok = startProgram(Family::Posix, cl.quiet, false, cl.details, &kitRead);
    // Only a directory that held a readable kit is removed.
    if (kitRead && !startDir.empty() && startDir != cwd && platform::changeDir(startDir)) {
        platform::removeFile(cwd + "/" + kStartDirFile);
        cleanUpAllFiles(cwd, startDir);
    }
    return ok ? kept::kSuccessStatus : kept::kFailureStatus;
}
