// The macOS installer's ways to a JVM: the kit's archive and a vendor's
// installer in the POSIX directory candidates.
#include "common/files.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/macsteps.h"
#include "provision/installjvm.h"
#include "provision/runjvminstaller.h"

namespace qrl {

bool Install::extractJvmInPosixDirs() {
    ControlSettings& s = settings_;
    JvmRequest request = requestOf(s);
    InstallJvm installer(family_, logs_, [this](std::string_view text) { status_.showStatus(text); },
                         installDirCandidates(), places_);
    installer.kitArchiveOnly();
    std::string command;
    bool ok = installer.installJvm(request, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!useProvidedJvm(ok, command)) return false;
    logJvmLocation(installer.jvmInstalledOk(), s.predefinedJvmInstallDir, false);
    if (installer.jvmInstalledOk()) addSecurity(stricmp(s.jvmName, "Java Plug-in") == 0);
    return true;
}

bool Install::runVendorInstallerInPosixDirs() {
    ControlSettings& s = settings_;
    JvmRequest request = requestOf(s);
    request.jvmSelfExtractor.clear();
    request.predefinedJvmInstallDir.clear();
    request.jvmHomeDir.clear();
    RunJvmInstaller runner(family_, logs_, [this](std::string_view text) { status_.showStatus(text); }, places_,
                           installDirCandidates());
    std::string command;
    bool ok = runner.run(request, s.jvmInstallerBinary, s.jvmInstallerCommand, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!useProvidedJvm(ok, command)) return false;
    s.predefinedJvmInstallDir.clear();
    logJvmLocation(false, "", false);
    return true;
}

}  // namespace qrl
