#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <optional>

#include "platform/stopsignal.h"

extern char** environ;

namespace platform {
namespace {

int waitFor(pid_t pid) {
    // A stop signal that arrives meanwhile reaches the program waited for.
    setWaitedProcess(pid);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    setWaitedProcess(0);
    return status;
}

std::vector<char*> cArgs(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    out.reserve(argv.size() + 1);
    for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// `childMask`, when given, is the signal mask the child starts with.
int startProcess(const std::string& program, const std::vector<std::string>& args, const std::string& stderrFile,
                 pid_t& pid, const sigset_t* childMask = nullptr) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!stderrFile.empty())
        ::posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawnattr_t attr;
    ::posix_spawnattr_init(&attr);
    if (childMask) {
        ::posix_spawnattr_setsigmask(&attr, childMask);
        ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    }
    auto c = cArgs(args);
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, c.data(), environ);
    ::posix_spawnattr_destroy(&attr);
    ::posix_spawn_file_actions_destroy(&actions);
    return rc;
}

// The signals a waiting launcher passes on: what a service manager, timeout,
// kill or a closed terminal send to end a program.
constexpr int kForwarded[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

volatile sig_atomic_t forwardTo = 0;

void forwardSignal(int sig) {
    pid_t pid = forwardTo;
    if (pid > 0) ::kill(pid, sig);
}

// Passes the forwarded signals on to one child for as long as it lives. They
// are blocked from before the child starts (it gets the mask this process had)
// until their handlers are in place, so none is lost in between; one that
// arrived meanwhile is passed on as soon as they are unblocked.
class SignalForwarding {
public:
    SignalForwarding() {
        sigemptyset(&forwarded_);
        for (int sig : kForwarded) sigaddset(&forwarded_, sig);
        ::sigprocmask(SIG_BLOCK, &forwarded_, &mask_);
    }
    const sigset_t* childMask() const { return &mask_; }

    void start(pid_t pid) {
        forwardTo = pid;
        for (size_t i = 0; i < std::size(kForwarded); ++i) {
            ::sigaction(kForwarded[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler == SIG_IGN) continue;  // ignored here, ignored by the child too
            struct sigaction sa {};
            sa.sa_handler = forwardSignal;
            sa.sa_flags = SA_RESTART;
            sigemptyset(&sa.sa_mask);
            installed_[i] = ::sigaction(kForwarded[i], &sa, nullptr) == 0;
        }
        ::sigprocmask(SIG_SETMASK, &mask_, nullptr);
    }

    // Waits for the child to end without reaping it, so that its process id
    // cannot be taken by another process while signals are still passed on.
    void waitForEnd(pid_t pid) {
        siginfo_t info {};
        while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
        }
        forwardTo = 0;
    }

    ~SignalForwarding() {
        forwardTo = 0;
        for (size_t i = 0; i < std::size(kForwarded); ++i)
            if (installed_[i]) ::sigaction(kForwarded[i], &previous_[i], nullptr);
        ::sigprocmask(SIG_SETMASK, &mask_, nullptr);
    }

    SignalForwarding(const SignalForwarding&) = delete;
    SignalForwarding& operator=(const SignalForwarding&) = delete;

private:
    sigset_t forwarded_;
    sigset_t mask_;
    struct sigaction previous_[std::size(kForwarded)] {};
    bool installed_[std::size(kForwarded)] {};
};

}  // namespace

SpawnResult spawn(const std::string& program, const std::vector<std::string>& argv,
                  const SpawnOptions& options) {
    SpawnResult result;
    std::vector<std::string> args = argv.empty() ? std::vector<std::string>{program} : argv;
    pid_t pid = 0;
    std::optional<SignalForwarding> forwarding;
    if (options.forwardSignals && options.wait) forwarding.emplace();
    int rc = startProcess(program, args, options.stderrFile, pid, forwarding ? forwarding->childMask() : nullptr);
    if (rc != 0) {
        result.why = Result::failure(rc);
        return result;
    }
    result.started = true;
    if (!options.wait) return result;
    if (forwarding) {
        forwarding->start(pid);
        forwarding->waitForEnd(pid);
    }
    int status = waitFor(pid);
    result.exitCode = shellExitCode(status);
    result.signal = shellSignal(status);
    return result;
}

namespace {

// Waits for a process that started (rc 0), or keeps the reason it did not.
RunResult awaited(int rc, pid_t pid) {
    RunResult result;
    if (rc != 0) {
        result.why = Result::failure(rc);
        return result;
    }
    result.started = true;
    result.status = waitFor(pid);
    return result;
}

}  // namespace

RunResult runCommand(const std::vector<std::string>& argv, const std::string& stderrFile) {
    if (argv.empty()) return awaited(EINVAL, 0);
    pid_t pid = 0;
    int rc = startProcess(argv[0], argv, stderrFile, pid);
    if (rc == ENOEXEC) {
        // What execvp does for a script without "#!": the shell reads it.
        std::vector<std::string> viaShell{"/bin/sh"};
        viaShell.insert(viaShell.end(), argv.begin(), argv.end());
        rc = startProcess("/bin/sh", viaShell, stderrFile, pid);
    }
    return awaited(rc, pid);
}

RunResult runShell(const std::string& command, const std::string& stderrFile) {
    pid_t pid = 0;
    return awaited(startProcess("/bin/sh", {"sh", "-c", command}, stderrFile, pid), pid);
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

Result becomeProgram(const std::string& program, const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv.empty() ? std::vector<std::string>{program} : argv;
    std::fflush(nullptr);
    ::execve(program.c_str(), cArgs(args).data(), environ);
    int error = errno;
    if (error != ENOEXEC) return Result::failure(error);
    // What execvp does for a script without "#!": the shell reads it.
    std::vector<std::string> viaShell{"/bin/sh", program};
    viaShell.insert(viaShell.end(), args.begin() + 1, args.end());
    ::execve("/bin/sh", cArgs(viaShell).data(), environ);
    return Result::failure(errno);
}

}  // namespace platform
