// unixloader: the installer bootstrap of the POSIX family.
//
//   unixloader [-q file]
//   unixloader --help | --version
//
// Runs in the unpacked kit. Exit status 1 after a successful installation, 0
// after a failure. When the kit's "startdir.txt" names another directory, the
// logs are saved there and the working directory is removed.
#include "common/kept.h"
#include "common/paths.h"
#include "installer/install.h"
#include "installer/usage.h"
#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"

int utf8Main(std::vector<std::string>& args) {
    using namespace qrl;
    if (printInstallerInfo(args, Family::Posix)) return 0;
    std::string cwd = getCurrentDir(Family::Posix);
    std::string startDir = getStartDir();
    CommandLine cl = parsePosixCommandLine(args);
    bool ok = startProgram(Family::Posix, cl.quiet, false, cl.details);
    if (!startDir.empty() && startDir != cwd && platform::changeDir(startDir)) {
        platform::removeFile(cwd + "/" + kStartDirFile);
        std::string home = platform::getEnv("HOME").value_or("");
        cleanUpAllFiles(cwd, startDir, home);
    }
    return ok ? kept::kSuccessStatus : kept::kFailureStatus;
}
