// The run in the order of the Windows and macOS installers: "-q" and "-s",
// the JVM provided the way "jvmInstallerType" says, and one more JVM and
// wizard start when a JVM that was found cannot start the wizard.
#include "common/files.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/macsteps.h"
#include "provision/installjvm.h"
#include "provision/runjvminstaller_posix.h"

namespace qrl {

bool Install::installInWindowsOrder(bool quiet, bool properties, std::string_view details) {
    traceMessage(kTraceLog, "");
    traceMessage(kTraceLog, "Preparing Java install wizard");
    quietInstall_ = quiet;
    propertiesInstall_ = properties;
    traceMessage(kTraceLog, "Quite install", quiet);
    traceMessage(kTraceLog, "Properties install", properties);
    if (quiet || properties) {
        status_.setQuietMode(true);
        traceMessage(kTraceLog, "set status quite");
    }
    showStatusMessage(1);
    bool ok = getEnvironmentSetup();
    errorMessage_.clear();
    errorDetails_.clear();
    if (ok) {
        ok = getParams();
        if (!ok) logAndTraceMessage(kErrorLog, kTraceLog, "unable to get parameters");
    }
    bool installedNow = false;
    if (ok && !isJvmInstalled()) {
        ok = installTheJvm();
        installedNow = ok;
    }
    bool wizardFailed = false;
    if (ok) {
        ok = runJavaInstaller(details);
        if (!ok && !installedNow) {
            // The JVM that was found cannot start the wizard: one of the kit's.
            showStatusMessage(4);
            if (installTheJvm()) {
                showStatusMessage(5);
                ok = runJavaInstaller(details);
            }
        }
        wizardFailed = !ok;
    }
    if (ok) {
        cleanUp(true);
        return true;
    }
    if (wizardFailed) {
        errorMessage_ =
            "Unable to start the install wizard.\r\rIs there a \"java\" command in the path that doesn't start the "
            "JRE?\r\rIf there is, remove it and try the installer again.";
        errorDetails_ = causesText(family_) + "\n" + kDiskText;
    }
    if (errorMessage_.empty()) errorMessage_ = std::string("Unable to install application.\r\r") + kDiskText;
    if (errorDetails_.empty()) errorDetails_ = causesText(family_);
    logAndTraceMessage(kErrorLog, kTraceLog, errorMessage_);
    logAndTraceMessage(kErrorLog, kTraceLog, errorDetails_);
    status_.showError(errorMessage_, errorDetails_);
    cleanUp(false);
    return false;
}

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
