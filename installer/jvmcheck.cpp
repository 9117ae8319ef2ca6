// The JVM step of the run: find a suitable JVM, or provide one.
#include "common/text.h"
#include "installer/install.h"
#include "provision/installjvm.h"

namespace qrl {

bool Install::isJvmInstalled() {
    ControlSettings& s = settings_;
    if (!s.searchForJvm.empty() && (stricmp(s.searchForJvm, "no") == 0 || stricmp(s.searchForJvm, "none") == 0)) {
        traceMessage(kTraceLog, "Search for JVM:", s.searchForJvm);
        return false;
    }
    showStatusMessage(3);
    FindJvm finder(family_, places_);
    JvmQuery query{{s.requiredVersion, s.minVersion, s.maxVersion}, s.jvmName, homeDirectory_, s.searchForJvm};
    bool found = finder.isJvmInstalled(query, s.jvmCommandName, jvmCommand_);
    if (!found) {
        traceMessage(kTraceLog, "Correct version of JVM was not found in common locations");
        return false;
    }
    traceMessage(kTraceLog, "Found correct version of JVM:", jvmCommand_);
    jvmHome_ = getJavaHomeDir();
    logJvmLocation(false, "", rules_.recordsRegistryWish && configureWinReg());
    return true;
}

bool Install::installTheJvm() {
    if (rules_.installSequence == InstallSequence::WithRetry) return installTheJvmWindows();
    ControlSettings& s = settings_;
    JvmRequest request{{s.requiredVersion, s.minVersion, s.maxVersion},
                       s.jvmVersion,
                       s.jvmName,
                       s.jvmCommandName,
                       s.jvmSelfExtractor,
                       s.predefinedJvmInstallDir,
                       s.jvmHomeDir};
    InstallJvm installer(family_, [this](std::string_view text) { status_.showStatus(text); },
                         installDirCandidates(), places_);
    std::string command;
    bool ok = installer.installJvm(request, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    s.predefinedJvmInstallDir = request.predefinedJvmInstallDir;
    s.jvmHomeDir = request.jvmHomeDir;
    if (!ok) {
        // What a failed search or provisioning tried last is no JVM to use.
        jvmCommand_.clear();
        return false;
    }
    jvmCommand_ = command;
    // The home of the JVM that runs the wizard, whether this run put it there
    // or found it in place.
    jvmHome_ = getJavaHomeDir();
    logJvmLocation(installer.jvmInstalledOk(), s.predefinedJvmInstallDir, false);
    return true;
}

}  // namespace qrl
