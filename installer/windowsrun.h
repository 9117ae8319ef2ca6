// The Windows installer around its installation: the switches of its command
// line, the two handshake files through which the window thread watches the
// worker thread, the window thread's loops and the start of the cleanup
// program. Plain logic; the windows themselves are the platform's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "installer/commandline.h"
#include "installer/install.h"
#include "installer/progress.h"
#include "platform/runlock.h"

namespace qrl {

inline constexpr const char* kInstallSemaphore = "__qrlinstall.sem";
inline constexpr const char* kShowSemaphore = "__qrlshow.sem";
inline constexpr const char* kCleanupProgram = "cleanup.exe";
inline constexpr const char* kCleanupCopy = "__cleanup.exe";

// The arguments of a Windows command line: what follows the program path and
// the blanks after it.
std::string_view argumentsOf(std::string_view commandLine);

// The switches, read from the arguments split as the C runtime splits them:
// "-q" quiet, "-s" properties (a switch counts only when another argument
// follows it), and the first argument after a switch the details file, as
// that argument reads (quotes gone). With either switch no window is shown.
CommandLine parseWindowsSwitches(std::string_view arguments);

// The worker's side of the status window's handshake: "__qrlshow.sem"
// (its full path) is there while the window is to stay up, and goes when the
// wizard is about to start, before a message box and when the run ends; the
// window thread watches for it (runStatusLoops).
class ShowSemaphore : public Progress {
public:
    explicit ShowSemaphore(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    // Writes the file, holding "ok\n". False when it cannot be written.
    bool write() const;
    // Takes the status window away.
    void remove() const;

    void wizardStarting() override { remove(); }
    void boxShowing() override { remove(); }
    void runEnded() override { remove(); }

private:
    std::string path_;
};

// The start of a run in its working directory: "__qrlinstall.sem" is taken
// for the whole life of the process (another run in the same directory finds
// it held), and what an earlier run left of the handshake files is removed.
// The message says why the run cannot go on: another installation is
// running here, or a leftover cannot be removed (with the system's reason).
struct KitClaim {
    bool ok = false;
    std::string message;
    platform::Result why;
};
KitClaim claimKit(platform::RunLock& lock, const std::string& installSemaphore, const std::string& showSemaphore);
// Where a run that could not claim the kit writes its "errors.log": its own
// place (refusedRunLogsDir) while another run holds the kit, whose logs are
// that run's; the kit's own for a leftover that cannot be removed.
Logs unclaimedRunLogs(const KitClaim& claim);

// What the window thread needs of its windows.
class StatusLoopHost {
public:
    virtual ~StatusLoopHost() = default;
    virtual bool fileExists(const std::string& path) = 0;
    // False once the worker thread has ended.
    virtual bool workerRunning() = 0;
    virtual void startTimer() = 0;
    virtual void stopTimer() = 0;
    // Waits for one message and dispatches it; false for the quit message.
    virtual bool nextMessage() = 0;
    virtual void hide() = 0;
};

// The window thread while the worker runs: shown until "__qrlshow.sem" goes
// or the worker ends, then up to 100 more ticks (about 10 s) for the worker
// to finish, hidden, and then it waits as long as the worker runs. Nothing on
// disk keeps it waiting.
void runStatusLoops(StatusLoopHost& host, const std::string& showSemaphore);

// After the run: with a start directory other than the working directory
// (compared as folders, whatever the spelling) "__cleanup.exe" is started,
// without waiting, to remove the working directory; otherwise "__cleanup.exe"
// and "cleanup.exe" are removed. A working directory the run may not remove
// (`mayRemove` false: it held no readable kit, or the logs could not be saved
// and stay in it), or that is a root, the user's profile or a folder of it,
// the Windows directory or Program Files, is never emptied: only the run's
// "__cleanup.exe" goes. True when the cleanup program was started.
bool startCleanup(std::string_view startDir, std::string_view workingDir, bool mayRemove = true);

// The worker thread's body: copies "cleanup.exe" to "__cleanup.exe" and runs
// the installation with the switches of `arguments`, saving the logs in the
// directory "startdir.txt" names; `progress` hears of the run's progress.
// True after a successful installation whose logs are where they belong;
// `mayRemove`, when given, tells whether the working directory may be
// removed (RunOutcome::mayRemoveKit).
bool runWorker(std::string_view arguments, Progress& progress, bool* mayRemove = nullptr);

// The process exit status of the Windows installer: 0 after a successful
// installation, 1 after a failed one.
inline int windowsExitStatus(bool success) { return success ? 0 : 1; }

}  // namespace qrl
