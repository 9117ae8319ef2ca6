// Starting other programs.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct SpawnOptions {
    bool wait = true;          // wait for the program to end
    bool newConsole = false;   // Windows: give the child a console of its own
    bool hideWindow = false;   // Windows: start its console window hidden
    std::string stderrFile;    // when set, the child's standard error is appended to this file
};

struct SpawnResult {
    bool started = false;
    int exitCode = -1;  // when started and waited for
    int error = 0;      // errno-style reason when not started (ENOENT, E2BIG, ENOEXEC, ENOMEM, EINVAL)
};

// Starts `program` directly (no shell, no search path) with the argument vector
// `argv` (argv[0] is the name the child sees). Every entry reaches the child as
// exactly one argument, whatever characters it holds.
SpawnResult spawn(const std::string& program, const std::vector<std::string>& argv,
                  const SpawnOptions& options = {});

// Runs a command line through the system's command interpreter and waits, as the
// C library's system() does: -1 when it could not be started, otherwise the
// interpreter's status. When `stderrFile` is given, the child's standard error
// is appended to that file; the caller's own standard error is never touched.
int runShell(const std::string& command, const std::string& stderrFile = {});

// The exit code within a status of runShell (-1 when the command was killed).
int shellExitCode(int status);
// The signal that ended the command of a runShell status; 0 when it exited
// (always 0 on Windows).
int shellSignal(int status);

// Runs a program with its words, as a shell would run the same words quoted,
// and waits: -1 when it could not be started, otherwise a status as runShell
// gives it. A file the system cannot execute itself (a script without a "#!"
// line) is run by the shell, as the shell does. The caller's own standard
// error is never touched.
int runCommand(const std::vector<std::string>& argv, const std::string& stderrFile = {});

void sleepMs(unsigned milliseconds);

}  // namespace platform

namespace platform {

// POSIX fork. Windows has no such thing and answers Failed.
enum class ForkRole { Parent, Child, Failed };
ForkRole forkProcess();

// Replaces this process by the shell running `command`; the process's exit
// status becomes the command's. Does not return (a failed exec ends the
// process with status 127, as the shell does for a missing command).
[[noreturn]] void becomeShell(const std::string& command);

}  // namespace platform
