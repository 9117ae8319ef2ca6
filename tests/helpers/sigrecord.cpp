// Test helper (POSIX): an application that records the stop signals it gets.
//
//   sigrecord   writes "ready <parent process id>" to SIGRECORD_FILE, then
//               appends one line "<signal> <sending process id>" (0: the
//               kernel, as for a key typed at the terminal) for each SIGINT,
//               SIGQUIT, SIGTERM or SIGHUP; it ends with status 0 two seconds
//               after the first, so that a second one would be recorded, or
//               after 20 seconds.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <ctime>

#include "platform/entry.h"
#include "platform/env.h"

namespace {

int g_fd = -1;
volatile sig_atomic_t g_got = 0;

// Digits by hand: a signal handler has no formatted output.
char* digits(long n, char* end) {
    do *--end = static_cast<char>('0' + n % 10);
    while ((n /= 10) > 0);
    return end;
}

extern "C" void onSignal(int signal, siginfo_t* info, void*) {
    char line[48];
    char* end = line + sizeof line;
    *--end = '\n';
    char* start = digits(info->si_pid, end);
    *--start = ' ';
    start = digits(signal, start);
    (void)::write(g_fd, start, static_cast<size_t>(line + sizeof line - start));
    g_got = 1;
}

void sleepMs(long ms) {
    struct timespec ts {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace

int utf8Main(std::vector<std::string>&) {
    std::string file = platform::getEnv("SIGRECORD_FILE").value_or("sigrecord.txt");
    g_fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    if (g_fd < 0) return 2;
    struct sigaction action {};
    action.sa_sigaction = onSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    std::string ready = "ready " + std::to_string(::getppid()) + "\n";
    (void)::write(g_fd, ready.data(), ready.size());
    for (int i = 0; i < 200 && !g_got; ++i) sleepMs(100);
    if (g_got) sleepMs(2000);
    return 0;
}
