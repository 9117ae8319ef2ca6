// Starting the Java install wizard and telling it where its JVM is.
#include <cstdio>

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/shellquote.h"
#include "installer/nativeproperties.h"
#include "installer/wizard.h"
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

bool writeNativeProperties(const InstallRun& run, std::string_view jvmHome, bool installed,
                           std::string_view installDirText, bool configureRegistry) {
    platform::Result why;
    std::FILE* f = platform::openFile(kNativeProperties, "wt", &why);
    bool ok = f != nullptr;
    if (f) {
        std::string text = nativePropertiesText(run.family, jvmHome, installed, installDirText, configureRegistry);
        ok = std::fputs(text.c_str(), f) >= 0;
        if (!ok) why = platform::Result::lastError();
        ok = std::fclose(f) == 0 && ok;
        if (!ok && why) why = platform::Result::lastError();
    }
    if (!ok) {
        // The wizard learns its JVM from this file: without it there is no run.
        run.logs.error("Unable to write", kNativeProperties);
        run.logs.reason(why);
        (void)platform::removeFile(kNativeProperties);  // the failure is told above
    }
    return ok;
}

WizardStart::WizardStart(InstallRun& run) : run_(run) {}

std::string WizardStart::classpath(const WizardJvm& jvm) const {
    const ControlSettings& s = run_.settings;
    const Logs& logs = run_.logs;
    std::string swing = pathExists("swingall.jar") ? "swingall.jar" : jvm.home + "/lib/swingall.jar";
    bool needsSwing = baseName(jvm.command, run_.family).find("java") == std::string_view::npos;
    bool swingExists = pathExists(swing);
    std::string cp;
    auto addClassElement = [&](std::string_view element) {
        if (!cp.empty()) cp += ':';
        if (element.find("swingall.jar") == std::string_view::npos) {
            cp += element;
            return;
        }
        if (swingExists && needsSwing) {
            cp += swing;
            logs.trace("added swing to classpath");
            return;
        }
        if (!cp.empty() && cp.back() == ':') cp.pop_back();
        if (needsSwing) logs.trace("swing file does not exist", swing);
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

std::vector<std::string> WizardStart::arguments(std::string_view details, const WizardJvm& jvm) const {
    const ControlSettings& s = run_.settings;
    const Logs& logs = run_.logs;
    std::vector<std::string> argv;
    if (!s.jvmExtraParameters.empty()) {
        logs.trace("install switches:", s.jvmExtraParameters);
        appendWords(argv, s.jvmExtraParameters);
    }
    logs.trace("class path switch:", s.jvmClasspathSwitch);
    if (!s.jvmClasspathSwitch.empty()) argv.push_back(s.jvmClasspathSwitch);
    // Windows hands the wizard the class path as the control file gives it.
    std::string cp = run_.rules.classpathAsRead ? s.loaderClasspath : classpath(jvm);
    logs.trace("classpath:", cp);
    argv.push_back(cp);
    logs.trace("install parameters:", s.loaderJavaCommand);
    appendWords(argv, s.loaderJavaCommand);
    if ((run_.quiet || run_.properties) && !details.empty()) {
        logs.trace("install details:", details);
        const char* sw = run_.quiet ? "-q" : "-s";
        logs.trace("added", sw);
        argv.emplace_back(sw);
        // The details file arrives as one argument whatever it holds.
        argv.emplace_back(details);
        logs.trace("details:", details);
    }
    logs.trace("parameters", static_cast<int>(argv.size()));
    return argv;
}

Outcome<void> WizardStart::run(std::string_view details, const WizardJvm& jvm) {
    // A semaphore left by an earlier run must not pass for this run's wizard.
    (void)platform::removeFile(kWizardSemaphore);  // tested once more before the wizard starts
    const Logs& logs = run_.logs;
    run_.showStatusMessage(2);
    std::vector<std::string> argv = arguments(details, jvm);
    if (!pathExists(kNativeProperties)) {
        logs.error("No native.properties for the wizard");
        return Failure{};
    }
    if (run_.settings.loaderClasspath.find("install.jar") != std::string::npos && !pathExists("install.jar")) {
        logs.error("install.jar does not exist.");
        return Failure{};
    }
    return startAndWait(argv, jvm);
}

Outcome<void> WizardStart::startAndWait(const std::vector<std::string>& argv, const WizardJvm& jvm) {
    if (run_.stopped()) return run_.stopFailure();
    const Logs& logs = run_.logs;
    // Stopped while the desktop was checked: no wizard.
    Outcome<void> gui = startGuiInterface(run_.settings.startGuiCommand, run_.settings.checkGuiRunningCommand);
    if (!gui) return gui;
    if (run_.stopped()) return run_.stopFailure();
    std::string command = shellQuote(jvm.command);
    for (const auto& a : argv) command += " " + shellQuote(a);
    logs.trace("java installer C++ command:", command);
    (void)platform::setEnv("CLASSPATH", "");  // fails only for want of memory
    // Only a semaphore the wizard of this run leaves says it started: one left
    // in the kit (by a run that was killed) goes first.
    if (pathExists(kWizardSemaphore) && !platform::removeFile(kWizardSemaphore) && !platform::removeDir(kWizardSemaphore)) {
        logs.error("Unable to remove an earlier", kWizardSemaphore);
        return Failure{};
    }
    run_.progress.wizardStarting();
    std::vector<std::string> words{jvm.command};
    words.insert(words.end(), argv.begin(), argv.end());
    platform::RunResult run = platform::runCommand(words);
    if (!run.started) {
        logs.error("Unable to start ", command);
        logs.error("  reason: " + spawnErrorReason(run.why));
        return Failure{.cause = run.why};
    }
    logs.trace("java wizard execed with no reported errors");
    // The wizard's own status is recorded; the outcome stays with the semaphore.
    if (int signal = platform::shellSignal(run.status)) {
        logs.error("java wizard ended by signal", std::to_string(signal));
    } else if (int code = platform::shellExitCode(run.status)) {
        logs.error("java wizard exit status", std::to_string(code));
    } else {
        logs.trace("java wizard exit status", "0");
    }
    if (!pathExists(kWizardSemaphore)) {
        logs.error("Java wizard not started properly");
        return Failure{};
    }
    (void)platform::removeFile(kWizardSemaphore);  // the next run removes a leftover before its wizard
    logs.trace("Java wizard launched successfully", true);
    return {};
}

Outcome<void> WizardStart::startGuiInterface(std::string_view startCommand, std::string_view checkCommand) {
    const Logs& logs = run_.logs;
    Outcome<void> outcome;
    std::string start(startCommand), check(checkCommand);
    auto guiRunning = [&] {
        if (check.empty()) return false;
        platform::RunResult r = platform::runShell(check);
        return r.started && r.status == 0;
    };
    auto startGui = [&] {
        if (run_.stopped()) {
            outcome = run_.stopFailure();
            return;
        }
        platform::writeStdout("\r\n\nStarting GUI. Screen may blank. Please wait...\n");
        for (int i = 0; i < 10; ++i) platform::sleepMs(1000);
        switch (platform::forkProcess()) {
            case platform::ForkRole::Parent:
                // This process becomes the desktop's; the installation goes on in the child.
                logs.trace("about to start GUI with command:", start);
                platform::endWithShellCommand(start);
            case platform::ForkRole::Child:
                for (int i = 0; i < 15 && !guiRunning(); ++i)
                    platform::sleepMs(1000);
                break;
            case platform::ForkRole::Failed:
                logs.trace("unable to fork");
                break;
        }
        if (!guiRunning()) logs.trace("finished waiting for GUI to start");
    };
    if (start.empty() && check.empty()) return outcome;
    if (check.empty()) {
        startGui();
    } else if (guiRunning()) {
        logs.trace("GUI already running");
    } else if (!start.empty()) {
        startGui();
    } else {
        logs.trace("GUI not running; no command to start it");
    }
    size_t redirect = check.find('>');
    if (redirect != std::string::npos) {
        std::string target = check.substr(redirect + 1);
        size_t b = target.find_first_not_of(' ');
        target = b == std::string::npos ? std::string() : trimRight(target.substr(b));
        if (!target.empty()) (void)platform::removeFile(target);  // the output of the test, only a leftover
    }
    return outcome;
}

}  // namespace qrl
