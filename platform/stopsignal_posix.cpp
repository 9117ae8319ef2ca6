#include "platform/stopsignal.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace platform {
namespace {

// What a service manager, timeout, kill or a closed terminal send to end a
// program; SIGQUIT last, passed on only when asked.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

volatile sig_atomic_t g_stopSignal = 0;
volatile sig_atomic_t g_waited = 0;
volatile sig_atomic_t g_waitedGroup = 0;  // g_waited leads a process group of its own
volatile sig_atomic_t g_passing = 0;

struct sigaction g_previous[std::size(kStopSignals)];
bool g_installed[std::size(kStopSignals)];

// A keyboard signal the kernel sent (no process did) came from the terminal,
// which sends it to its whole foreground group: `child` has it already when
// it belongs to this process's group.
bool childHasItFromTheTerminal(int signal, const siginfo_t* info, pid_t child) {
    if (signal != SIGINT && signal != SIGQUIT) return false;
    if (!info || info->si_pid != 0 || info->si_code == SI_USER || info->si_code == SI_QUEUE) return false;
    return ::getpgid(child) == ::getpgrp();
}

extern "C" void onStopSignal(int signal, siginfo_t* info, void*) {
    int saved = errno;
    if (g_stopSignal == 0) g_stopSignal = signal;
    pid_t child = static_cast<pid_t>(g_waited);
    if (child > 0 && !childHasItFromTheTerminal(signal, info, child)) ::kill(g_waitedGroup ? -child : child, signal);
    errno = saved;
}

}  // namespace

PassStopSignals::PassStopSignals(bool quitToo) {
    struct sigaction action {};
    action.sa_sigaction = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_SIGINFO;
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        g_installed[i] = false;
        if (kStopSignals[i] == SIGQUIT && !quitToo) continue;
        if (::sigaction(kStopSignals[i], nullptr, &g_previous[i]) != 0) continue;
        if (g_previous[i].sa_handler == SIG_IGN) continue;  // ignored here, ignored by the programs too
        g_installed[i] = ::sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
    g_passing = 1;
}

PassStopSignals::~PassStopSignals() {
    g_passing = 0;
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        if (g_installed[i]) ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
}

int stopSignal() { return g_stopSignal; }

void setWaitedProcess(long pid, bool wholeGroup) {
    // Blocked meanwhile, so that a signal arriving now reaches the program
    // once: from here or from the handler, never from both.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (int signal : kStopSignals) sigaddset(&stops, signal);
    ::sigprocmask(SIG_BLOCK, &stops, &before);
    g_waited = static_cast<sig_atomic_t>(pid);
    g_waitedGroup = pid > 0 && wholeGroup;
    if (pid > 0 && g_passing && g_stopSignal != 0)
        ::kill(wholeGroup ? -static_cast<pid_t>(pid) : static_cast<pid_t>(pid), g_stopSignal);
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace platform
