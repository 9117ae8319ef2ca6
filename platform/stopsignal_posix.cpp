#include "platform/stopsignal.h"

#include <signal.h>

#include <cerrno>
#include <initializer_list>

namespace platform {
namespace {

volatile sig_atomic_t g_stopSignal = 0;
volatile sig_atomic_t g_waited = 0;

extern "C" void onStopSignal(int signal) {
    int saved = errno;
    if (g_stopSignal == 0) g_stopSignal = signal;
    pid_t child = static_cast<pid_t>(g_waited);
    if (child > 0) ::kill(child, signal);
    errno = saved;
}

}  // namespace

void passStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int stopSignal() { return g_stopSignal; }

void setWaitedProcess(long pid) {
    g_waited = static_cast<sig_atomic_t>(pid);
    if (pid > 0 && g_stopSignal != 0) ::kill(static_cast<pid_t>(pid), g_stopSignal);
}

}  // namespace platform
