// The JVM step of the run: find a suitable JVM, or provide one.
#include "installer/jvmstep.h"

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/language.h"
#include "installer/macsteps.h"
#include "installer/wizard.h"
#include "platform/fs.h"
#include "platform/osversion.h"
#include "provision/jvmprovisioner.h"
#include "provision/jvmregistration.h"
#include "security/security.h"

namespace qrl {
namespace {

// What the control file asks of a JVM, as the provisioning steps take it.
JvmRequest requestOf(const ControlSettings& s) {
    return {{s.requiredVersion, s.minVersion, s.maxVersion},
            s.jvmVersion,
            s.jvmName,
            s.jvmCommandName,
            s.jvmSelfExtractor,
            s.predefinedJvmInstallDir,
            s.jvmHomeDir};
}

}  // namespace

std::string versionText(const ControlSettings& s) {
    if (!s.requiredVersion.empty()) return s.requiredVersion;
    if (!s.maxVersion.empty()) return s.minVersion + " - " + s.maxVersion;
    return s.minVersion + " or a later version";
}

JvmStep::JvmStep(InstallRun& run, SearchPlaces places) : run_(run), rules_(run.rules), places_(std::move(places)) {}

bool JvmStep::find() {
    ControlSettings& s = run_.settings;
    const Logs& logs = run_.logs;
    if (!s.searchForJvm.empty() && (stricmp(s.searchForJvm, "no") == 0 || stricmp(s.searchForJvm, "none") == 0)) {
        logs.trace("Search for JVM:", s.searchForJvm);
        return false;
    }
    run_.showStatusMessage(3);
    FindJvm finder(run_.family, places_, logs);
    verdicts_ = {};
    finder.setObserver(&verdicts_);
    searched_ = true;
    JvmQuery query{{s.requiredVersion, s.minVersion, s.maxVersion}, s.jvmName, run_.homeDirectory, s.searchForJvm};
    auto found = finder.isJvmInstalled(query, s.jvmCommandName);
    if (!found) {
        logs.trace("Correct version of JVM was not found in common locations");
        return false;
    }
    run_.jvmCommand = found->executable;
    s.jvmCommandName = found->name;
    logs.trace("Found correct version of JVM:", run_.jvmCommand);
    run_.jvmHome = javaHomeDir();
    writeNativeProperties(run_, false, "", configureWinReg());
    return true;
}

bool JvmStep::ensure(bool& providedNow) {
    providedNow = false;
    if (!find()) {
        if (run_.stopped() || !provide()) return false;
        providedNow = true;
    }
    // The security files follow every run that found or installed a JVM
    // where the family provides JVMs with InstallJvm (the others add them
    // only to a JVM they put in place); only the Java Plug-in cannot do
    // without them.
    if (rules_.provisioning != JvmProvisioning::InstallJvm) return true;
    bool plugin = isPlugin();
    if (!addSecurity(plugin) && plugin) {
        run_.errorMessage = "Unable to add Java security files.";
        run_.errorDetails = kDiskText;
        return false;
    }
    return true;
}

bool JvmStep::provide() {
    const ControlSettings& s = run_.settings;
    std::string text = versionText(s);
    if (rules_.provisioning == JvmProvisioning::InstallJvm)
        return provideFrom(text, s.jvmSelfExtractor, &JvmStep::installJvm);
    if (stricmp(s.jvmInstallerType, "selfExtratorJvmInstaller") == 0) {
        // A system too old for a kit's JVM gets none: the user installs one.
        if (rules_.checksOsForKitJvm && !s.jvmSelfExtractor.empty() && !isOsVersionOk(run_.logs)) {
            notFoundTexts(text);
            return false;
        }
        return provideFrom(text, s.jvmSelfExtractor, &JvmStep::extractJvm);
    }
    if (stricmp(s.jvmInstallerType, "thirdPartyJvmInstaller") == 0)
        return provideFrom(text, s.jvmInstallerBinary, &JvmStep::runVendorInstaller);
    notFoundTexts(text);
    return false;
}

bool JvmStep::provideFrom(std::string_view versionText, const std::string& file, bool (JvmStep::*provision)()) {
    if (file.empty()) {
        notFoundTexts(versionText);
        return false;
    }
    if (!fexists(file)) {
        missingFileTexts(versionText);
        return false;
    }
    if (rules_.provisioning == JvmProvisioning::InstallJvm) {
        run_.logs.trace("attempting to install jvm", versionText);
    } else {
        run_.showStatusMessage(4);
        run_.logs.trace("attempting to install jvm", run_.settings.jvmVersion);
    }
    if ((this->*provision)()) return true;
    // A stop signal says so itself; the disk texts would mislead.
    if (!run_.stopped()) installFailedTexts();
    return false;
}

bool JvmStep::extractJvm() {
    if (rules_.provisioning == JvmProvisioning::ByInstallerTypeInPosixDirs) return installJvm();
    ControlSettings& s = run_.settings;
    JvmProvisioner provisioner = provisionerWithStatus();
    bool registry = configureWinRegSetting(run_.logs);
    Outcome<ProvidedJvm> provided = provisioner.expandKitArchive(requestOf(s), run_.homeDirectory);
    if (provided.ok()) s.jvmCommandName = provided.value().request.jvmCommandName;
    if (!useProvidedJvm(provided.ok(), provided.ok() ? provided.value().command : "")) return false;
    writeNativeProperties(run_, provided.value().installed, s.predefinedJvmInstallDir, registry);
    if (provided.value().installed) addSecurity(isPlugin());
    return true;
}

bool JvmStep::installJvm() {
    // macOS takes the kit's archive alone, and keeps the directories the
    // control file named; the POSIX installer runs the kit's third-party
    // program instead when the kit says so.
    const bool archiveOnly = rules_.provisioning == JvmProvisioning::ByInstallerTypeInPosixDirs;
    ControlSettings& s = run_.settings;
    JvmProvisioner provisioner = provisionerWithStatus();
    Outcome<ProvidedJvm> provided = !archiveOnly && thirdPartyInstallerSetting(run_.logs)
                                        ? provisioner.runThirdPartyProgram(requestOf(s), run_.homeDirectory)
                                        : provisioner.expandKitArchive(requestOf(s), run_.homeDirectory);
    if (provided.ok()) s.jvmCommandName = provided.value().request.jvmCommandName;
    if (provided.ok() && !archiveOnly) {
        s.predefinedJvmInstallDir = provided.value().request.predefinedJvmInstallDir;
        s.jvmHomeDir = provided.value().request.jvmHomeDir;
    }
    if (!useProvidedJvm(provided.ok(), provided.ok() ? provided.value().command : "")) return false;
    writeNativeProperties(run_, provided.value().installed, s.predefinedJvmInstallDir, false);
    if (archiveOnly && provided.value().installed) addSecurity(isPlugin());
    return true;
}

bool JvmStep::runVendorInstaller() {
    // macOS: in the POSIX directory candidates, with nothing of the kit's
    // own archive.
    const bool posixDirs = rules_.provisioning == JvmProvisioning::ByInstallerTypeInPosixDirs;
    ControlSettings& s = run_.settings;
    JvmRequest request = requestOf(s);
    if (posixDirs) {
        request.jvmSelfExtractor.clear();
        request.predefinedJvmInstallDir.clear();
        request.jvmHomeDir.clear();
    }
    JvmProvisioner provisioner = provisionerWithStatus();
    Outcome<ProvidedJvm> provided =
        provisioner.runVendorInstaller(request, s.jvmInstallerBinary, s.jvmInstallerCommand, run_.homeDirectory);
    if (provided.ok()) s.jvmCommandName = provided.value().request.jvmCommandName;
    if (!useProvidedJvm(provided.ok(), provided.ok() ? provided.value().command : "")) return false;
    s.predefinedJvmInstallDir.clear();
    // The vendor's JVM is its own: recorded as not installed by this run.
    writeNativeProperties(run_, false, "", configureWinReg());
    return true;
}

JvmProvisioner JvmStep::provisionerWithStatus() {
    return JvmProvisioner(run_.family, run_.logs, [this](std::string_view text) { run_.status.showStatus(text); },
                          JvmPlaces::searching(places_));
}

bool JvmStep::useProvidedJvm(bool ok, const std::string& command) {
    if (!ok) {
        // What a failed provisioning tried last is no JVM to use.
        run_.jvmCommand.clear();
        return false;
    }
    run_.jvmCommand = command;
    // The home of the JVM that now runs the wizard, also when it was found in
    // place (the wizard is told where its JVM lives).
    run_.jvmHome = javaHomeDir();
    return true;
}

std::string JvmStep::javaHomeDir() const {
    // A launcher found through a link (/usr/bin/java) belongs to the JVM the
    // link leads to; the link's own directory is no JVM home.
    const std::string& launcher = run_.jvmCommand;
    std::string real = platform::isLink(launcher) ? platform::canonicalPath(launcher) : std::string();
    std::string home = getJavaHomeDirectory(real.empty() ? launcher : real, run_.family);
    run_.logs.trace("jvm home dir", home);
    return home;
}

bool JvmStep::configureWinReg() {
    return rules_.provisioning == JvmProvisioning::ByInstallerType && configureWinRegSetting(run_.logs);
}

bool JvmStep::addSecurity(bool plugin) {
    const ControlSettings& s = run_.settings;
    Security security(run_.family, getLanguage(run_.family), run_.logs);
    if (rules_.userProfileKeystore) {
        bool winNT = platform::isWindowsNT();
        security.setLoginName([winNT] { return registryLoginName(winNT); });
    }
    return security.addSecurity(s.systemSecurityPolicyFilename, s.userSecurityPolicyFilename, s.keystoreFilename,
                                run_.jvmHome, run_.homeDirectory, plugin);
}

bool JvmStep::isPlugin() const { return stricmp(run_.settings.jvmName, "Java Plug-in") == 0; }

void JvmStep::notFoundTexts(std::string_view versionText) {
    const ControlSettings& s = run_.settings;
    run_.errorMessage = "The correct version of the " + s.jvmName + " was not found on your system.";
    run_.errorDetails = "Please install " + s.jvmName + " " + std::string(versionText) +
                        " and then restart this installation program.";
    explainSearch();
}

void JvmStep::missingFileTexts(std::string_view versionText) {
    run_.errorMessage = "Unable to find " + run_.settings.jvmName + " " + std::string(versionText) + " on your system.";
    run_.errorDetails = "Please install the JVM and re-start this installer.";
    explainSearch();
}

void JvmStep::explainSearch() {
    // (A JVM that was found but could not run the wizard is no search failure.)
    if (!searched_) return;
    for (const JvmCandidate& c : verdicts_.candidates)
        if (c.verdict.accepted()) return;
    const ControlSettings& s = run_.settings;
    JvmCriteria criteria{s.requiredVersion, s.minVersion, s.maxVersion};
    logVerdicts(run_.logs, verdicts_.candidates, criteria);
    if (const JvmCandidate* miss = nearestMiss(verdicts_.candidates, criteria))
        run_.errorMessage += " " + nearestMissSentence(*miss, criteria, getLanguage(run_.family));
}

void JvmStep::installFailedTexts() {
    const ControlSettings& s = run_.settings;
    run_.errorMessage = "Unable to install " + s.jvmName + " " + s.jvmVersion + ". " + kDiskText;
    run_.errorDetails = causesText(run_.family);
}

void JvmStep::configureMoved(InstallRun& run, const std::string& location) {
    const ControlSettings& s = run.settings;
    if (run.rules.provisioning == JvmProvisioning::ByInstallerType && s.predefinedJvmInstallDir.rfind("[$AppDir]", 0) == 0) {
        run.logs.trace("not adding reg entries", s.predefinedJvmInstallDir);
        return;
    }
    // Configured (and, where the family registers JVMs, registered) at its
    // new place, without progress texts.
    (void)JvmProvisioner(run.family, run.logs).configureMovedJvm(requestOf(s), location, run.homeDirectory);
}

}  // namespace qrl
