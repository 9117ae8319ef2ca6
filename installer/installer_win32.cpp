// installer: the installer bootstrap of the Windows family.
//
//   installer.exe [-q file | -s file]
//   installer.exe --version
//
// Runs in the unpacked kit. The installation runs on a worker thread while
// this thread keeps the status window up (none with -q or -s). Exit status 0
// after a successful installation, 1 after a failed one, also when another
// installation is running in the same directory (that one is left alone: this
// run changes nothing there and writes its errors.log in the temporary
// directory). When the kit's
// "startdir.txt" names another directory, the logs are saved there and
// "__cleanup.exe" removes the working directory after this program has ended.
// Any other switch ("--help", "/?", "-x") is answered with the usage, in a box
// unless quiet and in the kit's errors.log, and exit status 1: nothing is
// installed and nothing removed.
#include <atomic>
#include <optional>

#include "common/logs.h"
#include "common/paths.h"
#include "installer/controlfile.h"
#include "installer/language.h"
#include "installer/startdir.h"
#include "installer/status.h"
#include "installer/windowsrun.h"
#include "installer/usage.h"
#include "platform/cmdline.h"
#include "platform/console.h"
#include "platform/entry.h"
#include "platform/fs.h"
#include "platform/runlock.h"
#include "platform/statuswindow.h"
#include "platform/ui.h"

namespace {

// The window thread's loops on the platform's status window.
class WindowHost : public qrl::StatusLoopHost {
public:
    WindowHost(platform::StatusWindow& window, const std::atomic<bool>& running)
        : window_(window), running_(running) {}
    bool fileExists(const std::string& path) override { return platform::exists(path); }
    bool workerRunning() override { return running_; }
    void startTimer() override { window_.startTimer(); }
    void stopTimer() override { window_.stopTimer(); }
    bool nextMessage() override { return window_.nextMessage(); }
    void hide() override { window_.hide(); }

private:
    platform::StatusWindow& window_;
    const std::atomic<bool>& running_;
};

// The command line's words that ask for no installation: "--version", or a
// switch the installer does not know. Answers the exit status then; nothing
// when the installation is to run.
std::optional<int> answerOtherSwitches(std::string_view commandLine, bool quiet) {
    using namespace qrl;
    std::string program(platform::firstWindowsToken(commandLine));
    if (size_t sep = program.find_last_of("\\/"); sep != std::string::npos) program.erase(0, sep + 1);
    if (!program.empty() && program.front() == '"') program.erase(0, 1);
    if (!program.empty() && program.back() == '"') program.pop_back();
    if (program.empty()) program = "installer.exe";
    std::vector<std::string> words = platform::splitWindowsArguments(argumentsOf(commandLine));
    words.insert(words.begin(), program);
    if (words.size() == 2 && words[1] == "--version") {
        std::string version = installerVersion(program);
        platform::writeStdout(version);
        if (!quiet) platform::showInfo("Quarlan Installer", version);
        return 0;
    }
    std::string word = unknownSwitch(words, Family::Windows);
    if (word.empty()) return std::nullopt;
    std::string text = program + ": unknown option " + word + "\n\n" + installerUsage(program, Family::Windows);
    Logs::inCurrentDir().errorOnly(text);
    platform::writeStderr(text);
    if (!quiet) platform::showError("Quarlan Installer", text);
    return windowsExitStatus(false);
}

}  // namespace

int utf8Main(std::vector<std::string>&) {
    using namespace qrl;
    std::string cwd = getCurrentDir(Family::Windows);
    std::string arguments(argumentsOf(platform::rawCommandLine()));
    CommandLine switches = parseWindowsSwitches(arguments);
    bool quiet = switches.quiet || switches.properties;
    if (auto status = answerOtherSwitches(platform::rawCommandLine(), quiet)) return *status;

    // The kit is this run's for the whole life of the process; a run that
    // cannot have it leaves it as it is.
    platform::RunLock kitLock;
    std::string showSemaphore = joinPath(cwd, kShowSemaphore, Family::Windows);
    KitClaim claim = claimKit(kitLock, joinPath(cwd, kInstallSemaphore, Family::Windows), showSemaphore);
    if (!claim.ok) {
        // No status window and no handshake path yet: the box takes nothing
        // away from the run that holds the kit.
        Logs logs = unclaimedRunLogs(claim);
        logs.errorOnly(claim.message);
        logs.reason(claim.why);
        Status status(Family::Windows);
        status.setQuietMode(quiet);
        status.showError(claim.message, claim.why ? std::string() : claim.why.text());
        return windowsExitStatus(false);
    }
    ShowSemaphore show(showSemaphore);
    std::string startDir = getStartDir();

    // Without a desktop (a service's session) the installation runs all the
    // same, with no window to show.
    platform::StatusWindow window;
    bool haveWindow = window.create().ok();
    if (haveWindow && !quiet) {
        std::string language = getLanguage(Family::Windows);
        std::string product = ControlFile::productNameIn(cwd, Family::Windows);
        if (!product.empty()) window.setTitle(installerTitle(product));
        window.show(firstDialogLine(language), language == "japanese");
    }

    show.write();
    std::atomic<bool> success{false};
    bool kitRead = false;  // written by the worker, read after it has ended
    std::atomic<bool> running{true};
    platform::WorkerThread worker;
    if (worker.start([&] {
            success = runWorker(arguments, show, &kitRead);
            running = false;
        })) {
        if (haveWindow) {
            WindowHost host(window, running);
            runStatusLoops(host, show.path());
        }
        worker.join();
    } else {
        show.remove();
    }
    window.hide();
    startCleanup(startDir, cwd, kitRead);
    window.quit();
    return windowsExitStatus(success);
}
