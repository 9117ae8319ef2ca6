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

#include "common/familyrules.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "platform/error.h"

namespace qrl {

inline constexpr const char* kWaitSemaphore = "__qrlwait.sem";

// The reason texts of the C runtime for a start that failed, by the kind of
// the system's reason.
std::string spawnErrorReason(const platform::Result& why);

class ExecCommand {
public:
    ExecCommand(Family family, Logs logs);

    // Windows: command path and argument string split at every blank. POSIX:
    // command file and a shell fragment appended to it (redirections,
    // arguments); the command file is made executable first.
    bool execCommand(std::string_view cmd, std::string_view args);
    bool runFormatted(std::string_view cmd, std::string_view args);

    // Starts the program with the argument vector (its first entry is the
    // program name) and waits; every entry reaches the program as exactly one
    // argument. POSIX: the program is made executable first and a name
    // without "/" is taken from the current directory; a script without "#!"
    // is read by the shell. On failure `reason` is the system's own, in its
    // words with its number.
    bool spawnAndWait(std::string_view cmd, const std::vector<std::string>& argv, std::string& reason);

    // The vector joined by blanks, an entry with a blank and no double quote
    // wrapped in double quotes (for log lines).
    static std::string argsString(const std::vector<std::string>& argv);

    // Windows: the command unchanged. POSIX: "./" before a name without "/",
    // then quoted for the shell unless it already begins with a double quote.
    std::string formatCommand(std::string_view cmd);

    bool createLaunchFile(std::string_view cmd, std::string_view args);
    bool execCmdAndWait(std::string_view cmd, std::string_view args);

    // The exit status of the last command (POSIX: run through the shell, for
    // execCmdAndWait the command's own; Windows: started directly and waited
    // for), -1 when it could not be started.
    int exitCode() const { return exitCode_; }

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

    static const char* launchFileName(Family family) { return rulesFor(family).launchFile; }

private:
    bool invokeWinCommand(std::string_view cmd, const std::vector<std::string>& argv);
    bool runPosix(std::string_view line);

    const FamilyRules& rules_;
    Logs logs_;
    int exitCode_ = -1;
};

}  // namespace qrl
