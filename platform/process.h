// Starting other programs.
#pragma once

#include <string>
#include <vector>

#include "platform/error.h"

namespace platform {

struct SpawnOptions {
    bool wait = true;          // wait for the program to end
    bool newConsole = false;   // Windows: give the child a console of its own
    bool hideWindow = false;   // Windows: start its console window hidden
    std::string stderrFile;    // when set, the child's standard error is appended to this file
    // Windows: the child shares this process's console and standard handles
    // (no console, no process group of its own), so Ctrl-C and Ctrl-Break
    // reach it while this process waits on; it ends, with everything it
    // started, when this process ends before it.
    bool consoleChild = false;
};

struct SpawnResult {
    bool started = false;
    int exitCode = -1;  // when started and waited for
    Result why;         // the system's own reason when not started (errno, a Windows error code)
    int signal = 0;     // POSIX: the signal that ended the program (exitCode is then -1)
};

// Starts `program` directly (no shell, no search path) with the argument vector
// `argv` (argv[0] is the name the child sees). Every entry reaches the child as
// exactly one argument, whatever characters it holds. While it is waited for,
// the stop signals this process passes on reach it (platform/stopsignal.h).
SpawnResult spawn(const std::string& program, const std::vector<std::string>& argv,
                  const SpawnOptions& options = {});

// The exit code within a wait status (-1 when the command was killed).
int shellExitCode(int status);
// The signal that ended the command of a runShell status (0 when it exited).
int shellSignal(int status);

// What a command that was run and waited for answered.
struct RunResult {
    bool started = false;
    int status = -1;  // the wait status, as the C library's system() gives it, when started
    Result why;       // the system's own reason when it could not be started
    int exitCode() const { return started ? shellExitCode(status) : -1; }
};

// Runs a command line through the system's command interpreter and waits, as the
// C library's system() does. When `stderrFile` is given, the child's standard
// error is appended to that file; the caller's own standard error is never
// touched.
RunResult runShell(const std::string& command, const std::string& stderrFile = {});

// Runs a program with its words, as a shell would run the same words quoted,
// and waits. A file the system cannot execute itself (a script without a "#!"
// line) is run by the shell, as the shell does. The caller's own standard
// error is never touched.
RunResult runCommand(const std::vector<std::string>& argv, const std::string& stderrFile = {});

void sleepMs(unsigned milliseconds);

}  // namespace platform

namespace platform {

// POSIX fork. Windows has no such thing and answers Failed.
enum class ForkRole { Parent, Child, Failed };
ForkRole forkProcess();

// Ends this process with the shell command's own exit status, on every system:
// POSIX replaces the process by the shell (a failed exec ends it with 127, as
// the shell does for a missing command); Windows runs the command and exits.
[[noreturn]] void endWithShellCommand(const std::string& command);

// This process becomes `program` with the argument vector `argv`, so that its
// exit status, its signals and its process id are the program's: POSIX
// replaces the process (a file the system cannot execute itself, a script
// without a "#!" line, is run by the shell, as the shell does); Windows starts
// the program, waits and exits with its exit code. Returns only when the
// program could not be started, with the system's reason.
Result becomeProgram(const std::string& program, const std::vector<std::string>& argv);

}  // namespace platform
