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
    // Where the child runs; empty: where this process is. A program named by
    // a relative path is taken from there, on every system, as the child's
    // own chdir before exec would take it.
    std::string cwd;
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
    bool badDirectory = false;  // not started because `cwd` cannot be entered (`why` says why)
};

// Whether a program can be started in `dir`: a directory this process may
// enter. Otherwise the system's reason (the one changing into it would give).
Result canRunIn(const std::string& dir);

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

// A program to run and wait for: what it is, its words, where it runs, where
// its standard error goes and whether the system's command interpreter reads
// it. The caller's own standard error and current directory are never
// touched.
struct Command {
    // The program file; with `shell`, the command line the interpreter reads.
    std::string program{};
    // The argument vector (its first entry the name the program sees); empty:
    // the program's path alone. Every entry reaches the program as exactly
    // one argument. Not used with `shell`.
    std::vector<std::string> argv{};
    std::string cwd{};         // where it runs (see SpawnOptions::cwd); empty: here
    // When set, its standard error is appended to this file (a relative name
    // is taken from where this process is, not from `cwd`).
    std::string stderrFile{};
    // The command interpreter (/bin/sh -c, cmd.exe /c) runs `program` as a
    // command line, as the C library's system() does.
    bool shell = false;
};

// What a command that was run and waited for answered.
struct RunResult {
    bool started = false;
    int status = -1;  // the wait status, as the C library's system() gives it, when started
    Result why;       // the system's own reason when it could not be started
    bool badDirectory = false;  // not started because `cwd` cannot be entered
    int exitCode() const { return started ? shellExitCode(status) : -1; }
    int signal() const { return started ? shellSignal(status) : 0; }
};

// Runs the command and waits; while it is waited for, the stop signals this
// process passes on reach it (platform/stopsignal.h). Started directly, a
// file the system cannot execute itself (a script without a "#!" line) is run
// by the shell, as the shell does.
RunResult run(const Command& command);

// run() of a command line through the interpreter.
inline RunResult runShell(const std::string& command, const std::string& stderrFile = {}) {
    return run({.program = command, .stderrFile = stderrFile, .shell = true});
}

// run() of a program with its words (argv[0] is the program).
inline RunResult runCommand(const std::vector<std::string>& argv, const std::string& stderrFile = {}) {
    return run({.program = argv.empty() ? std::string() : argv[0], .argv = argv, .stderrFile = stderrFile});
}

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
// program could not be started, with the system's reason. The program runs
// in `cwd` when given (see SpawnOptions::cwd).
Result becomeProgram(const std::string& program, const std::vector<std::string>& argv, const std::string& cwd = {});

}  // namespace platform
