// Starting other programs and waiting for them: the Java install wizard, the
// expansion of a JVM shipped in a kit, a JVM vendor's installer. On Windows
// programs are started directly with an argument vector; on POSIX systems
// command lines run through the shell after the command file is made
// executable. Commands that must run through a script get a launch file and
// the semaphore "__qrlwait.sem", which the script removes when it has ended.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "platform/error.h"

namespace qrl {

struct CommandPolicy;

inline constexpr const char* kWaitSemaphore = "__qrlwait.sem";

// The reason texts of the C runtime for a start that failed, by the kind of
// the system's reason.
std::string spawnErrorReason(const platform::Result& why);

// A command of the run: the command file, its words and the directory it runs
// in.
struct ExecRequest {
    std::string program{};
    // The words as one string, when `argv` is empty: the Windows build splits
    // it at every blank; the POSIX build hands it to the shell after the
    // quoted command file (redirections included).
    std::string args{};
    // The words as a vector, its first entry the program name: every entry
    // reaches the program as exactly one argument and no shell reads them.
    std::vector<std::string> argv{};
    // Where the program runs (empty: where this process is); a relative
    // command file is taken from there, and a launch file is written there.
    std::string cwd{};
    // Run through a launch file and the semaphore "__qrlwait.sem" (the
    // argument string only).
    bool launchFile = false;
};

struct ExecResult {
    bool started = false;
    // The program's exit status when started (through a launch file, the
    // command's own), -1 otherwise.
    int exitCode = -1;
    // When not started: the system's own reason, in its words with its
    // number, and whether it was the directory that could not be entered.
    std::string reason;
    bool badDirectory = false;
};

class ExecCommand {
public:
    ExecCommand(Family family, Logs logs);

    // Runs the command and waits. Windows: started directly. POSIX: the
    // command file is made executable first (a missing one is not run); an
    // argument string runs through the shell, a vector does not, and a
    // script without "#!" is read by the shell. A command of an argument
    // string that cannot be started is reported in the error log; one of a
    // vector leaves that to the caller, with the reason.
    ExecResult run(const ExecRequest& request);

    // The vector joined by blanks, an entry with a blank and no double quote
    // wrapped in double quotes (for log lines).
    static std::string argsString(const std::vector<std::string>& argv);

    // Windows: the command unchanged. POSIX: "./" before a name without "/",
    // then quoted for the shell unless it already begins with a double quote.
    std::string formatCommand(std::string_view cmd);

    // Writes the semaphore and the launch file that runs the command line
    // and removes the semaphore, both in `dir` (empty: where this process
    // is).
    bool createLaunchFile(std::string_view cmd, std::string_view args, std::string_view dir = {});

    // POSIX: mode 0755. False only when the file does not exist; a mode that
    // cannot be set is traced and the start left to tell.
    bool makeExecutable(std::string_view path);

    // Gives a directory tree the mode 0755: the directory and everything
    // below it, without a shell. Links are neither changed nor followed.
    bool setPermissions(std::string_view dir);

    void reportExecError(std::string_view cmd, int result, int error);

    // Windows: the argument string split at every blank into the vector after
    // the command path.
    std::vector<std::string> buildVector(std::string_view cmd, std::string_view args) const;

    // The launch file a command may run through: "__qrllaunch.bat" on
    // Windows, "__qrllaunch" elsewhere.
    static const char* launchFileName(Family family);

private:
    ExecResult runLine(std::string_view cmd, std::string_view args, const std::string& cwd);
    ExecResult runVector(const ExecRequest& request);
    ExecResult runLaunchFile(const ExecRequest& request);
    ExecResult runFormatted(std::string_view cmd, std::string_view args, const std::string& cwd);

    const CommandPolicy& policy_;
    Logs logs_;
};

}  // namespace qrl
