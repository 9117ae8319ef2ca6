#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/stopsignal.h"

extern char** environ;

namespace platform {
namespace {

// Whether this process belongs to the foreground of its controlling
// terminal: then what is typed there (an answer to a JVM vendor's licence
// question) must reach the programs it waits for, which therefore stay in
// its process group. Any other run gives each program it waits for a group
// of its own, so that a stop signal reaches everything that program started.
bool inTerminalForeground() {
    int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return false;
    bool foreground = ::tcgetpgrp(tty) == ::getpgrp();
    ::close(tty);
    return foreground;
}

int waitFor(pid_t pid, bool ownGroup) {
    // A stop signal that arrives meanwhile reaches the program waited for. It
    // is waited for without being reaped first, so that its process id cannot
    // pass to another process while signals may still be sent to it.
    setWaitedProcess(pid, ownGroup);
    siginfo_t info {};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    setWaitedProcess(0);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    return status;
}

std::vector<char*> cArgs(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    out.reserve(argv.size() + 1);
    for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// A started program: its process id, and whether it leads a process group
// of its own.
struct Started {
    pid_t pid = 0;
    bool ownGroup = false;
};

int startProcess(const std::string& program, const std::vector<std::string>& args, const std::string& stderrFile,
                 const std::string& cwd, Started& started, bool waited) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!stderrFile.empty())
        ::posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    // In the child, after the standard error file is opened where this
    // process is and before the program is looked up, so that a relative
    // program path is taken from there.
    if (!cwd.empty()) ::posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    started.ownGroup = waited && !inTerminalForeground();
    if (started.ownGroup) {
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        ::posix_spawnattr_setpgroup(&attributes, 0);
    }
    auto c = cArgs(args);
    int rc = ::posix_spawn(&started.pid, program.c_str(), &actions, &attributes, c.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return rc;
}

}  // namespace

namespace {

Result enterable(const std::string& cwd) { return cwd.empty() ? Result() : canRunIn(cwd); }

}  // namespace

Result canRunIn(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return Result::lastError();
    if (!S_ISDIR(st.st_mode)) return Result::failure(ENOTDIR);
    if (::access(dir.c_str(), X_OK) != 0) return Result::lastError();
    return {};
}

SpawnResult spawn(const std::string& program, const std::vector<std::string>& argv,
                  const SpawnOptions& options) {
    SpawnResult result;
    if (Result enter = enterable(options.cwd); !enter) {
        result.why = enter;
        result.badDirectory = true;
        return result;
    }
    std::vector<std::string> args = argv.empty() ? std::vector<std::string>{program} : argv;
    Started child;
    int rc = startProcess(program, args, options.stderrFile, options.cwd, child, options.wait);
    if (rc != 0) {
        result.why = Result::failure(rc);
        return result;
    }
    result.started = true;
    if (!options.wait) return result;
    int status = waitFor(child.pid, child.ownGroup);
    result.exitCode = shellExitCode(status);
    result.signal = shellSignal(status);
    return result;
}

RunResult run(const Command& command) {
    RunResult result;
    if (command.program.empty()) {
        result.why = Result::failure(EINVAL);
        return result;
    }
    if (Result enter = enterable(command.cwd); !enter) {
        result.why = enter;
        result.badDirectory = true;
        return result;
    }
    Started child;
    int rc = 0;
    if (command.shell) {
        rc = startProcess("/bin/sh", {"sh", "-c", command.program}, command.stderrFile, command.cwd, child, true);
    } else {
        std::vector<std::string> args = command.argv.empty() ? std::vector<std::string>{command.program} : command.argv;
        rc = startProcess(command.program, args, command.stderrFile, command.cwd, child, true);
        if (rc == ENOEXEC) {
            // What execvp does for a script without "#!": the shell reads it.
            std::vector<std::string> viaShell{"/bin/sh", command.program};
            viaShell.insert(viaShell.end(), args.begin() + 1, args.end());
            rc = startProcess("/bin/sh", viaShell, command.stderrFile, command.cwd, child, true);
        }
    }
    if (rc != 0) {
        result.why = Result::failure(rc);
        return result;
    }
    // Started first: the process id is filled in before anything waits for it.
    result.started = true;
    result.status = waitFor(child.pid, child.ownGroup);
    return result;
}

int shellExitCode(int status) {
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

int shellSignal(int status) {
    if (status == -1 || !WIFSIGNALED(status)) return 0;
    return WTERMSIG(status);
}

void sleepMs(unsigned milliseconds) {
    struct timespec ts {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace platform

namespace platform {

ForkRole forkProcess() {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) return ForkRole::Failed;
    return pid == 0 ? ForkRole::Child : ForkRole::Parent;
}

void endWithShellCommand(const std::string& command) {
    std::fflush(nullptr);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

Result becomeProgram(const std::string& program, const std::vector<std::string>& argv, const std::string& cwd) {
    std::vector<std::string> args = argv.empty() ? std::vector<std::string>{program} : argv;
    // The program's own directory is entered just before it replaces this
    // process; when it cannot be started this process returns where it was.
    int back = -1;
    if (!cwd.empty()) {
        back = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (::chdir(cwd.c_str()) != 0) {
            Result why = Result::lastError();
            if (back >= 0) ::close(back);
            return why;
        }
    }
    std::fflush(nullptr);
    ::execve(program.c_str(), cArgs(args).data(), environ);
    int error = errno;
    if (error == ENOEXEC) {
        // What execvp does for a script without "#!": the shell reads it.
        std::vector<std::string> viaShell{"/bin/sh", program};
        viaShell.insert(viaShell.end(), args.begin() + 1, args.end());
        ::execve("/bin/sh", cArgs(viaShell).data(), environ);
        error = errno;
    }
    if (back >= 0) {
        // Should even that fail, the caller ends with its message all the same.
        [[maybe_unused]] int returned = ::fchdir(back);
        ::close(back);
    }
    return Result::failure(error);
}

}  // namespace platform
