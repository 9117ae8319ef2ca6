// The JVM step of the run: find a suitable JVM, or provide one.
#include "installer/jvmstep.h"

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/language.h"
#include "installer/macsteps.h"
#include "installer/nativeproperties.h"
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

JvmStep::JvmStep(InstallRun& run, SearchPlaces places) : run_(run), rules_(run.rules), places_(std::move(places)) {}

std::optional<std::string> JvmStep::search() {
    ControlSettings& s = run_.settings;
    const Logs& logs = run_.logs;
    if (!searchesForJvm(s)) {
        logs.trace("Search for JVM:", s.searchForJvm);
        return std::nullopt;
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
        return std::nullopt;
    }
    s.jvmCommandName = found->name;
    logs.trace("Found correct version of JVM:", found->executable);
    return found->executable;
}

JvmPlan JvmStep::plan(const std::string& found) {
    const ControlSettings& s = run_.settings;
    JvmPlanFacts searched{.found = found, .searched = searched_, .candidates = verdicts_.candidates};
    JvmPlanSources sources{
        .inKit = [](const std::string& file) { return pathExists(file); },
        .osNewEnough = [this] { return isOsVersionOk(run_.logs); },
        .thirdPartyInstaller = [this] { return thirdPartyInstallerSetting(run_.logs); },
    };
    return planJvm(s, run_.family, gatherPlanFacts(s, run_.family, std::move(searched), sources));
}

Outcome<WizardJvm> JvmStep::ensure() {
    std::optional<std::string> found = search();
    if (!found && run_.stopped()) return run_.stopFailure();
    Outcome<WizardJvm> jvm = carryOut(plan(found.value_or("")));
    // The security files follow every run that found or installed a JVM
    // where the family provides JVMs with InstallJvm (the others add them
    // only to a JVM they put in place); only the Java Plug-in cannot do
    // without them.
    if (!jvm || rules_.provisioning != JvmProvisioning::InstallJvm) return jvm;
    bool plugin = isPlugin();
    if (!addSecurity(jvm.value().home, plugin) && plugin) return Failure{"Unable to add Java security files.", kDiskText};
    return jvm;
}

Outcome<WizardJvm> JvmStep::provide() { return carryOut(plan("")); }

Outcome<WizardJvm> JvmStep::carryOut(const JvmPlan& plan) {
    const ControlSettings& s = run_.settings;
    switch (plan.kind) {
        case JvmPlanKind::UseFound: {
            std::string home = javaHomeDir(plan.launcher);
            writeNativeProperties(run_, home, false, "", configureWinReg());
            return WizardJvm{plan.launcher, home};
        }
        case JvmPlanKind::GiveUp:
            // The search found no JVM the run could use: its verdicts go to
            // the error log, and the message names the nearest miss.
            if (plan.searchFailed) logVerdicts(run_.logs, verdicts_.candidates, plan.criteria);
            return Failure{plan.nearestMiss ? plan.userMessage(getLanguage(run_.family)) : plan.message, plan.details};
        case JvmPlanKind::ExpandArchive:
        case JvmPlanKind::ThirdPartyProgram:
        case JvmPlanKind::VendorInstaller:
            break;
    }
    if (rules_.provisioning == JvmProvisioning::InstallJvm) {
        run_.logs.trace("attempting to install jvm", versionText(s));
    } else {
        run_.showStatusMessage(4);
        run_.logs.trace("attempting to install jvm", s.jvmVersion);
    }
    if (plan.kind == JvmPlanKind::ExpandArchive) return expandArchive();
    if (plan.kind == JvmPlanKind::ThirdPartyProgram) return runThirdPartyProgram();
    return runVendorInstaller();
}

Outcome<WizardJvm> JvmStep::expandArchive() {
    JvmProvisioner provisioner = provisionerWithStatus();
    // Windows: whether the JVM may be registered, as the kit says before its
    // archive runs.
    bool registry = rules_.provisioning == JvmProvisioning::ByInstallerType && configureWinRegSetting(run_.logs);
    return installedJvm(provisioner.expandKitArchive(requestOf(run_.settings), run_.homeDirectory), registry);
}

Outcome<WizardJvm> JvmStep::runThirdPartyProgram() {
    JvmProvisioner provisioner = provisionerWithStatus();
    return installedJvm(provisioner.runThirdPartyProgram(requestOf(run_.settings), run_.homeDirectory), false);
}

Outcome<WizardJvm> JvmStep::installedJvm(const Outcome<ProvidedJvm>& provided, bool registry) {
    ControlSettings& s = run_.settings;
    // The POSIX installer takes the directories the step chose; macOS keeps
    // those the control file named.
    const bool addsSecurityToEveryJvm = rules_.provisioning == JvmProvisioning::InstallJvm;
    if (provided.ok()) {
        const JvmRequest& request = provided.value().request;
        s.jvmCommandName = request.jvmCommandName;
        if (addsSecurityToEveryJvm) {
            s.predefinedJvmInstallDir = request.predefinedJvmInstallDir;
            s.jvmHomeDir = request.jvmHomeDir;
        }
    }
    Outcome<WizardJvm> jvm = providedJvm(provided.ok(), provided.ok() ? provided.value().command : "");
    if (!jvm) return jvm;
    const bool installed = provided.value().installed;
    writeNativeProperties(run_, jvm.value().home, installed, s.predefinedJvmInstallDir, registry);
    if (!addsSecurityToEveryJvm && installed) addSecurity(jvm.value().home, isPlugin());
    return jvm;
}

Outcome<WizardJvm> JvmStep::runVendorInstaller() {
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
    Outcome<WizardJvm> jvm = providedJvm(provided.ok(), provided.ok() ? provided.value().command : "");
    if (!jvm) return jvm;
    s.predefinedJvmInstallDir.clear();
    // The vendor's JVM is its own: recorded as not installed by this run.
    writeNativeProperties(run_, jvm.value().home, false, "", configureWinReg());
    return jvm;
}

JvmProvisioner JvmStep::provisionerWithStatus() {
    return JvmProvisioner(run_.family, run_.logs, [this](std::string_view text) { run_.status.showStatus(text); },
                          JvmPlaces::searching(places_));
}

Outcome<WizardJvm> JvmStep::providedJvm(bool ok, const std::string& command) {
    // What a failed provisioning tried last is no JVM to use; a stop signal
    // says so itself (the disk texts would mislead).
    if (!ok) return run_.stopped() ? run_.stopFailure() : installFailed();
    // The home of the JVM that now runs the wizard, also when it was found in
    // place (the wizard is told where its JVM lives).
    return WizardJvm{command, javaHomeDir(command), true};
}

std::string JvmStep::javaHomeDir(const std::string& launcher) const {
    // A launcher found through a link (/usr/bin/java) belongs to the JVM the
    // link leads to; the link's own directory is no JVM home.
    std::string real = platform::isLink(launcher) ? platform::canonicalPath(launcher) : std::string();
    std::string home = getJavaHomeDirectory(real.empty() ? launcher : real, run_.family);
    run_.logs.trace("jvm home dir", home);
    return home;
}

bool JvmStep::configureWinReg() {
    return rules_.provisioning == JvmProvisioning::ByInstallerType && configureWinRegSetting(run_.logs);
}

bool JvmStep::addSecurity(const std::string& jvmHome, bool plugin) {
    const ControlSettings& s = run_.settings;
    Security security(run_.family, getLanguage(run_.family), run_.logs);
    if (rules_.userProfileKeystore) {
        bool winNT = platform::isWindowsNT();
        security.setLoginName([winNT] { return registryLoginName(winNT); });
    }
    return security.addSecurity(s.systemSecurityPolicyFilename, s.userSecurityPolicyFilename, s.keystoreFilename,
                                jvmHome, run_.homeDirectory, plugin);
}

bool JvmStep::isPlugin() const { return compareIgnoreCase(run_.settings.jvmName, "Java Plug-in") == 0; }

Failure JvmStep::installFailed() const {
    const ControlSettings& s = run_.settings;
    return {"Unable to install " + s.jvmName + " " + s.jvmVersion + ". " + kDiskText, causesText(run_.family)};
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
