// The Windows installer around its installation: the switches of its command
// line, the two handshake files through which the window thread watches the
// worker thread, the window thread's loops and the start of the cleanup
// program. Plain logic; the windows themselves are the platform's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "installer/install.h"

namespace qrl {

inline constexpr const char* kInstallSemaphore = "__qrlinstall.sem";
inline constexpr const char* kShowSemaphore = "__qrlshow.sem";
inline constexpr const char* kCleanupProgram = "cleanup.exe";
inline constexpr const char* kCleanupCopy = "__cleanup.exe";

// The arguments of a Windows command line: what follows the program path and
// the blanks after it.
std::string_view argumentsOf(std::string_view commandLine);

// Whether the windows stay hidden: a word "-q" or "-s" that another word
// follows (a switch alone as the last word does not count).
bool quietScan(std::string_view arguments);

// The worker's reading of the switches: "-q" quiet, "-s" properties, and the
// first word after a switch the details file; a details file that begins with
// a double quote runs to the word holding the closing one.
CommandLine parseWindowsSwitches(std::string_view arguments);

// The full paths of the handshake files, set once by the window thread before
// the worker starts; empty (nothing to remove) in every other program.
void setHandshakePaths(std::string installSemaphore, std::string showSemaphore);
const std::string& installSemaphorePath();
const std::string& showSemaphorePath();
// Takes the status window away: removes "__qrlshow.sem" when there is one.
void removeShowSemaphore();
// Both files, holding "ok\n". False when one cannot be written.
bool writeHandshakeFiles();

// What the window thread needs of its windows.
class StatusLoopHost {
public:
    virtual ~StatusLoopHost() = default;
    virtual bool fileExists(const std::string& path) = 0;
    virtual void startTimer() = 0;
    virtual void stopTimer() = 0;
    // Waits for one message and dispatches it; false for the quit message.
    virtual bool nextMessage() = 0;
    virtual void hide() = 0;
};

// The window thread while the worker runs: shown until either handshake file
// goes, then up to 100 more ticks (about 10 s) for the worker to finish,
// hidden, and then it waits as long as "__qrlinstall.sem" is there.
void runStatusLoops(StatusLoopHost& host, const std::string& installSemaphore, const std::string& showSemaphore);

// After the run: with a start directory other than the working directory
// (ignoring case) "__cleanup.exe" is started, without waiting, to remove the
// working directory; otherwise "__cleanup.exe" and "cleanup.exe" are removed.
// A working directory that held no readable kit (`kitRead` false), or that is
// a root, the user's profile or a folder of it, the Windows directory or
// Program Files, is never emptied: only the run's "__cleanup.exe" goes.
// True when the cleanup program was started.
bool startCleanup(std::string_view startDir, std::string_view workingDir, bool kitRead = true);

// The worker thread's body: copies "cleanup.exe" to "__cleanup.exe", runs the
// installation with the switches of `arguments`, removes "__qrlinstall.sem".
// `kitRead`, when given, tells whether the control file was read.
bool runWorker(std::string_view arguments, bool* kitRead = nullptr);

// The process exit status of the Windows installer: 0 after a successful
// installation, 1 after a failed one.
inline int windowsExitStatus(bool success) { return success ? 0 : 1; }

}  // namespace qrl
