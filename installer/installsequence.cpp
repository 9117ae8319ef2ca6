// The macOS installer's ways to a JVM: the kit's archive and a vendor's
// installer in the POSIX directory candidates.
#include "common/files.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/macsteps.h"
#include "provision/installjvm.h"
#include "provision/runjvminstaller_posix.h"

namespace qrl {

bool Install::extractJvmInPosixDirs() {
    ControlSettings& s = settings_;
    JvmRequest request{{s.requiredVersion, s.minVersion, s.maxVersion}, s.jvmVersion, s.jvmName, s.jvmCommandName,
                       s.jvmSelfExtractor, s.predefinedJvmInstallDir, s.jvmHomeDir};
    InstallJvm installer(family_, [this](std::string_view text) { status_.showStatus(text); },
                         installDirCandidates(), places_);
    installer.kitArchiveOnly();
    std::string command;
    bool ok = installer.installJvm(request, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!ok) return false;
    jvmCommand_ = command;
    // The wizard is told the home of the JVM it runs with, also when that
    // JVM was already in place.
    jvmHome_ = getJavaHomeDir();
    logJvmLocation(installer.jvmInstalledOk(), s.predefinedJvmInstallDir, false);
    if (installer.jvmInstalledOk()) addSecurity(stricmp(s.jvmName, "Java Plug-in") == 0);
    return true;
}

bool Install::runVendorInstallerInPosixDirs() {
    ControlSettings& s = settings_;
    JvmRequest request{{s.requiredVersion, s.minVersion, s.maxVersion}, s.jvmVersion, s.jvmName, s.jvmCommandName,
                       "", "", ""};
    RunJvmInstallerPosix runner(family_, [this](std::string_view text) { status_.showStatus(text); },
                           installDirCandidates(), places_);
    std::string command;
    if (!runner.run(request, s.jvmInstallerBinary, s.jvmInstallerCommand, command, homeDirectory_)) return false;
    jvmCommand_ = command;
    s.jvmCommandName = request.jvmCommandName;
    s.predefinedJvmInstallDir.clear();
    jvmHome_ = getJavaHomeDir();
    logJvmLocation(false, "", false);
    return true;
}

}  // namespace qrl
