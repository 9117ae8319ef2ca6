// The JVM step of the run: find a suitable JVM, or provide one.
#include "common/files.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/macsteps.h"
#include "provision/jvmprovisioner.h"
#include "provision/jvmregistration.h"

namespace qrl {

bool Install::isJvmInstalled() {
    ControlSettings& s = settings_;
    if (!s.searchForJvm.empty() && (stricmp(s.searchForJvm, "no") == 0 || stricmp(s.searchForJvm, "none") == 0)) {
        logs_.trace("Search for JVM:", s.searchForJvm);
        return false;
    }
    showStatusMessage(3);
    FindJvm finder(family_, places_, logs_);
    JvmQuery query{{s.requiredVersion, s.minVersion, s.maxVersion}, s.jvmName, homeDirectory_, s.searchForJvm};
    bool found = finder.isJvmInstalled(query, s.jvmCommandName, jvmCommand_);
    if (!found) {
        logs_.trace("Correct version of JVM was not found in common locations");
        return false;
    }
    logs_.trace("Found correct version of JVM:", jvmCommand_);
    jvmHome_ = getJavaHomeDir();
    logJvmLocation(false, "", configureWinReg());
    return true;
}

bool Install::configureWinReg() {
    return rules_.provisioning == JvmProvisioning::ByInstallerType && configureWinRegSetting(logs_);
}

void Install::notFoundTexts(std::string_view versionText) {
    const ControlSettings& s = settings_;
    errorMessage_ = "The correct version of the " + s.jvmName + " was not found on your system.";
    errorDetails_ = "Please install " + s.jvmName + " " + std::string(versionText) +
                    " and then restart this installation program.";
}

void Install::missingFileTexts(std::string_view versionText) {
    errorMessage_ = "Unable to find " + settings_.jvmName + " " + std::string(versionText) + " on your system.";
    errorDetails_ = "Please install the JVM and re-start this installer.";
}

void Install::installFailedTexts() {
    const ControlSettings& s = settings_;
    errorMessage_ = "Unable to install " + s.jvmName + " " + s.jvmVersion + ". " + kDiskText;
    errorDetails_ = causesText(family_);
}

bool Install::provideJvm(std::string_view versionText, const std::string& file, bool (Install::*run)()) {
    if (file.empty()) {
        notFoundTexts(versionText);
        return false;
    }
    if (!fexists(file)) {
        missingFileTexts(versionText);
        return false;
    }
    showStatusMessage(4);
    logs_.trace("attempting to install jvm", settings_.jvmVersion);
    if ((this->*run)()) return true;
    installFailedTexts();
    return false;
}

bool Install::installJvmBundle(std::string_view versionText) {
    // A system too old for a kit's JVM gets none: the user installs one.
    if (rules_.checksOsForKitJvm && !settings_.jvmSelfExtractor.empty() && !isOsVersionOk(logs_)) {
        notFoundTexts(versionText);
        return false;
    }
    return provideJvm(versionText, settings_.jvmSelfExtractor, &Install::extractJvm);
}

bool Install::installJvmInstaller(std::string_view versionText) {
    return provideJvm(versionText, settings_.jvmInstallerBinary, &Install::runThirdPartyInstaller);
}

bool Install::useProvidedJvm(bool ok, const std::string& command) {
    if (!ok) {
        // What a failed provisioning tried last is no JVM to use.
        jvmCommand_.clear();
        return false;
    }
    jvmCommand_ = command;
    // The home of the JVM that now runs the wizard, also when it was found in
    // place (the wizard is told where its JVM lives).
    jvmHome_ = getJavaHomeDir();
    return true;
}

JvmRequest requestOf(const ControlSettings& s) {
    return {{s.requiredVersion, s.minVersion, s.maxVersion},
            s.jvmVersion,
            s.jvmName,
            s.jvmCommandName,
            s.jvmSelfExtractor,
            s.predefinedJvmInstallDir,
            s.jvmHomeDir};
}

bool Install::extractJvm() {
    if (rules_.provisioning == JvmProvisioning::ByInstallerTypeInPosixDirs) return extractJvmInPosixDirs();
    ControlSettings& s = settings_;
    JvmProvisioner provisioner(family_, logs_, [this](std::string_view text) { status_.showStatus(text); },
                               JvmPlaces::searching(places_));
    bool registry = configureWinRegSetting(logs_);
    JvmRequest request = requestOf(s);
    std::string command;
    bool ok = provisioner.expandKitArchive(request, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!useProvidedJvm(ok, command)) return false;
    logJvmLocation(provisioner.installed(), s.predefinedJvmInstallDir, registry);
    if (provisioner.installed()) addSecurity(stricmp(s.jvmName, "Java Plug-in") == 0);
    return true;
}

bool Install::runThirdPartyInstaller() {
    if (rules_.provisioning == JvmProvisioning::ByInstallerTypeInPosixDirs) return runVendorInstallerInPosixDirs();
    ControlSettings& s = settings_;
    JvmProvisioner provisioner(family_, logs_, [this](std::string_view text) { status_.showStatus(text); },
                               JvmPlaces::searching(places_));
    JvmRequest request = requestOf(s);
    std::string command;
    bool ok = provisioner.runVendorInstaller(request, s.jvmInstallerBinary, s.jvmInstallerCommand, command,
                                             homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!useProvidedJvm(ok, command)) return false;
    s.predefinedJvmInstallDir.clear();
    // The vendor's JVM is its own: recorded as not installed by this run.
    logJvmLocation(false, "", configureWinRegSetting(logs_));
    return true;
}

bool Install::installTheJvm() {
    ControlSettings& s = settings_;
    if (rules_.provisioning != JvmProvisioning::InstallJvm) {
        std::string text = versionText();
        if (stricmp(s.jvmInstallerType, "selfExtratorJvmInstaller") == 0) return installJvmBundle(text);
        if (stricmp(s.jvmInstallerType, "thirdPartyJvmInstaller") == 0) return installJvmInstaller(text);
        notFoundTexts(text);
        return false;
    }
    JvmRequest request = requestOf(s);
    JvmProvisioner provisioner(family_, logs_, [this](std::string_view text) { status_.showStatus(text); },
                               JvmPlaces::searching(places_));
    std::string command;
    bool ok = thirdPartyInstallerSetting(logs_) ? provisioner.runThirdPartyProgram(request, command, homeDirectory_)
                                                : provisioner.expandKitArchive(request, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    s.predefinedJvmInstallDir = request.predefinedJvmInstallDir;
    s.jvmHomeDir = request.jvmHomeDir;
    if (!useProvidedJvm(ok, command)) return false;
    logJvmLocation(provisioner.installed(), s.predefinedJvmInstallDir, false);
    return true;
}

}  // namespace qrl
