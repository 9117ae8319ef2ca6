// Starting the Java install wizard and telling it where its JVM is.
#include <cstdio>

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/shellquote.h"
#include "installer/install.h"
#include "installer/windowsrun.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace qrl {
namespace {

// Blank-separated words; empty words (from doubled blanks) never reached the
// JVM as arguments and are left out.
void appendWords(std::vector<std::string>& out, std::string_view text) {
    for (auto& word : splitList(text, ' ')) out.push_back(std::move(word));
}

}  // namespace

std::string Install::getJavaHomeDir() const {
    // A launcher found through a link (/usr/bin/java) belongs to the JVM the
    // link leads to; the link's own directory is no JVM home.
    std::string real = platform::isLink(jvmCommand_) ? platform::canonicalPath(jvmCommand_) : std::string();
    std::string home = getJavaHomeDirectory(real.empty() ? jvmCommand_ : real, family_);
    logs_.trace("jvm home dir", home);
    return home;
}

bool Install::logJvmLocation(bool installed, std::string_view installDirText, bool configureRegistry) {
    platform::Result why;
    std::FILE* f = platform::openFile(kNativeProperties, "wt", &why);
    bool ok = f != nullptr;
    if (f) {
        std::string text = nativePropertiesText(family_, jvmHome_, installed, installDirText, configureRegistry);
        ok = std::fputs(text.c_str(), f) >= 0;
        if (!ok) why = platform::Result::lastError();
        ok = std::fclose(f) == 0 && ok;
        if (!ok && why) why = platform::Result::lastError();
    }
    if (!ok) {
        // The wizard learns its JVM from this file: without it there is no run.
        logs_.error("Unable to write", kNativeProperties);
        logs_.reason(why);
        platform::removeFile(kNativeProperties);
    }
    return ok;
}

std::string Install::buildClasspath() const {
    const ControlSettings& s = settings_;
    std::string swing = fexists("swingall.jar") ? "swingall.jar" : jvmHome_ + "/lib/swingall.jar";
    bool needsSwing = baseName(jvmCommand_, family_).find("java") == std::string_view::npos;
    bool swingExists = fexists(swing);
    std::string cp;
    auto addClassElement = [&](std::string_view element) {
        if (!cp.empty()) cp += ':';
        if (element.find("swingall.jar") == std::string_view::npos) {
            cp += element;
            return;
        }
        if (swingExists && needsSwing) {
            cp += swing;
            logs_.trace("added swing to classpath");
            return;
        }
        if (!cp.empty() && cp.back() == ':') cp.pop_back();
        if (needsSwing) logs_.trace("swing file does not exist", swing);
    };
    // The class path of the control file lists its elements with ";" (and the
    // default with ":"); both separate elements here.
    const std::string& value = s.loaderClasspath;
    size_t start = 0;
    while (start < value.size() && cp.size() <= value.size() + 1000) {
        size_t end = value.find_first_of(";:", start);
        if (end == std::string::npos) end = value.size();
        if (end > start) addClassElement(std::string_view(value).substr(start, end - start));
        start = end + 1;
    }
    return cp;
}

std::vector<std::string> Install::wizardArguments(std::string_view details) const {
    const ControlSettings& s = settings_;
    std::vector<std::string> argv;
    if (!s.jvmExtraParameters.empty()) {
        logs_.trace("install switches:", s.jvmExtraParameters);
        appendWords(argv, s.jvmExtraParameters);
    }
    logs_.trace("class path switch:", s.jvmClasspathSwitch);
    if (!s.jvmClasspathSwitch.empty()) argv.push_back(s.jvmClasspathSwitch);
    // Windows hands the wizard the class path as the control file gives it.
    std::string cp = rules_.classpathAsRead ? s.loaderClasspath : buildClasspath();
    logs_.trace("classpath:", cp);
    argv.push_back(cp);
    logs_.trace("install parameters:", s.loaderJavaCommand);
    appendWords(argv, s.loaderJavaCommand);
    if ((quietInstall_ || propertiesInstall_) && !details.empty()) {
        logs_.trace("install details:", details);
        const char* sw = quietInstall_ ? "-q" : "-s";
        logs_.trace("added", sw);
        argv.emplace_back(sw);
        // The details file arrives as one argument whatever it holds.
        argv.emplace_back(details);
        logs_.trace("details:", details);
    }
    logs_.trace("parameters", static_cast<int>(argv.size()));
    return argv;
}

bool Install::runJavaInstaller(std::string_view details) {
    showStatusMessage(2);
    std::vector<std::string> argv = wizardArguments(details);
    if (!fexists(kNativeProperties)) {
        logs_.error("No native.properties for the wizard");
        return false;
    }
    if (settings_.loaderClasspath.find("install.jar") != std::string::npos && !fexists("install.jar")) {
        logs_.error("install.jar does not exist.");
        return false;
    }
    return startWizardAndWait(argv);
}

bool Install::startWizardAndWait(const std::vector<std::string>& argv) {
    if (stopped()) return false;
    startGuiInterface(settings_.startGuiCommand, settings_.checkGuiRunningCommand);
    std::string command = shellQuote(jvmCommand_);
    for (const auto& a : argv) command += " " + shellQuote(a);
    logs_.trace("java installer C++ command:", command);
    platform::setEnv("CLASSPATH", "");
    // Only a semaphore the wizard of this run leaves says it started: one left
    // in the kit (by a run that was killed) goes first.
    if (fexists(kWizardSemaphore) && !platform::removeFile(kWizardSemaphore) && !platform::removeDir(kWizardSemaphore)) {
        logs_.error("Unable to remove an earlier", kWizardSemaphore);
        return false;
    }
    removeShowSemaphore();
    std::vector<std::string> words{jvmCommand_};
    words.insert(words.end(), argv.begin(), argv.end());
    platform::RunResult run = platform::runCommand(words);
    if (!run.started) {
        logs_.error("Unable to start ", command);
        logs_.error("  reason: " + spawnErrorReason(run.why));
        return false;
    }
    logs_.trace("java wizard execed with no reported errors");
    // The wizard's own status is recorded; the outcome stays with the semaphore.
    if (int signal = platform::shellSignal(run.status)) {
        logs_.error("java wizard ended by signal", std::to_string(signal));
    } else if (int code = platform::shellExitCode(run.status)) {
        logs_.error("java wizard exit status", std::to_string(code));
    } else {
        logs_.trace("java wizard exit status", "0");
    }
    if (!fexists(kWizardSemaphore)) {
        logs_.error("Java wizard not started properly");
        return false;
    }
    platform::removeFile(kWizardSemaphore);
    logs_.trace("Java wizard launched successfully", true);
    return true;
}

void Install::startGuiInterface(std::string_view startCommand, std::string_view checkCommand) {
    std::string start(startCommand), check(checkCommand);
    auto guiRunning = [&] {
        if (check.empty()) return false;
        platform::RunResult r = platform::runShell(check);
        return r.started && r.status == 0;
    };
    auto startGui = [&] {
        platform::writeStdout("\r\n\nStarting GUI. Screen may blank. Please wait...\n");
        for (int i = 0; i < 10; ++i) platform::sleepMs(1000);
        switch (platform::forkProcess()) {
            case platform::ForkRole::Parent:
                // This process becomes the desktop's; the installation goes on in the child.
                logs_.trace("about to start GUI with command:", start);
                platform::endWithShellCommand(start);
            case platform::ForkRole::Child:
                for (int i = 0; i < 15 && !guiRunning(); ++i)
                    platform::sleepMs(1000);
                break;
            case platform::ForkRole::Failed:
                logs_.trace("unable to fork");
                break;
        }
        if (!guiRunning()) logs_.trace("finished waiting for GUI to start");
    };
    if (start.empty() && check.empty()) return;
    if (check.empty()) {
        startGui();
    } else if (guiRunning()) {
        logs_.trace("GUI already running");
    } else if (!start.empty()) {
        startGui();
    } else {
        logs_.trace("GUI not running; no command to start it");
    }
    size_t redirect = check.find('>');
    if (redirect != std::string::npos) {
        std::string target = check.substr(redirect + 1);
        size_t b = target.find_first_not_of(' ');
        target = b == std::string::npos ? std::string() : trimRight(target.substr(b));
        if (!target.empty()) platform::removeFile(target);
    }
}

}  // namespace qrl
