// The run of the Windows installer: the sequence with a second wizard start
// after a JVM is installed, the Windows directory as home directory, and the
// logs appended to those already in the start directory.
#include <cstdio>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/windowsrun.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace qrl {

bool Install::installWithRetry(bool quiet, bool properties, std::string_view details) {
    logs_.trace("");
    logs_.trace("Preparing Java install wizard");
    quietInstall_ = quiet;
    propertiesInstall_ = properties;
    logs_.trace("Quite install", quiet);
    logs_.trace("Properties install", properties);
    if (quiet || properties) {
        status_.setQuietMode(true);
        logs_.trace("set status quite");
    }
    showStatusMessage(1);
    bool ok = getEnvironmentSetup();
    errorMessage_.clear();
    errorDetails_.clear();
    if (ok) {
        ok = getParams();
        if (!ok) logs_.error("unable to get parameters");
    }
    bool installedNow = false;
    if (ok && stopped()) ok = false;
    if (ok && !isJvmInstalled()) {
        ok = !stopped() && installTheJvm();
        installedNow = ok;
    }
    if (ok) {
        auto startWizard = [&] {
            // A semaphore left by an earlier run must not pass for this run's wizard.
            platform::removeFile(kWizardSemaphore);
            return runJavaInstaller(details);
        };
        ok = startWizard();
        if (!ok && !installedNow && !stopped()) {
            // The JVM that was found could not run the wizard: one more start
            // with a JVM installed now.
            showStatusMessage(4);
            if (installTheJvm()) {
                showStatusMessage(5);
                ok = startWizard();
            }
        }
        if (!ok && !stopped()) {
            errorMessage_ =
                "Unable to start the install wizard.\r\rIs there a \"java\" command in the path that doesn't start "
                "the JRE?\r\rIf there is, remove it and try the installer again.";
            errorDetails_ = causesText(family_) + "\n" + kDiskText;
        }
    }
    if (!ok) {
        if (errorMessage_.empty()) errorMessage_ = std::string("Unable to install application.\r\r") + kDiskText;
        if (errorDetails_.empty()) errorDetails_ = causesText(family_);
        nameTheLogs();
        logs_.error(errorMessage_);
        logs_.error(errorDetails_);
        status_.showError(errorMessage_, errorDetails_);
    }
    cleanUp(ok);
    removeShowSemaphore();
    return ok;
}

bool Install::getWindowsHomeDirectory() {
    homeDirectory_.clear();
    // The Windows directory a site (or a test) names stands for the system's.
    if (auto fixed = platform::getEnv("QUARLAN_WINDOWS_DIR"); fixed && !fixed->empty()) {
        homeDirectory_ = *fixed;
        logs_.trace("home directory", homeDirectory_);
        return true;
    }
    static const struct {
        const char* key;
        const char* value;
        const char* message;
    } places[] = {
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "got home directory from SystemRoot"},
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "PathName", "got home directory from PathName"},
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "WinDir", "got home directory from WinDir"},
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SETUP", "WinDir", "got home directory from Setup WinDir"},
    };
    for (const auto& p : places) {
        auto v = platform::regString(platform::RegRoot::LocalMachine, p.key, p.value);
        if (v && !v->empty()) {
            homeDirectory_ = *v;
            logs_.trace(p.message);
            logs_.trace("home directory", homeDirectory_);
            return true;
        }
    }
    logs_.trace("unable to get windows directory from registry");
    if (auto path = getPathPtr()) {
        for (const auto& element : splitList(*path, ';')) {
            std::string lower = strlwr(element);
            if (lower.size() >= 5 && lower.compare(lower.size() - 5, 5, "winnt") == 0) {
                homeDirectory_ = lower;
                logs_.trace("home directory", homeDirectory_);
                return true;
            }
        }
    }
    if (isDir("c:\\winnt")) {
        homeDirectory_ = "c:\\winnt";
        logs_.trace("home directory", homeDirectory_);
        return true;
    }
    homeDirectory_ = workingDir();
    logs_.trace("unable to get windows directory");
    if (homeDirectory_.empty()) return false;
    logs_.trace("home directory", homeDirectory_);
    return true;
}

}  // namespace qrl
