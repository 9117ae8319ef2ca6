// Stopping a run from outside. While a PassStopSignals lives, the signals that
// ask a program to end (SIGTERM, SIGINT, SIGHUP, and SIGQUIT when asked) no
// longer end this process: the program it waits for at that moment (spawn,
// runShell and runCommand wait that way) gets the same signal, and the run
// learns of it through stopSignal(), so that it can save its logs and tidy up
// before it ends. A signal this process ignores stays ignored, by it and by
// the programs it starts. A program waited for by a run that is not in the
// foreground of a terminal (a service, a script, a remote session without
// one) leads a process group of its own, which gets the signal as a whole:
// a shell and the command it runs alike. An interrupt or quit typed at the terminal reaches
// every program of the terminal's foreground group by itself: a program of
// this process's group is not sent it a second time. Windows has no such
// signals: nothing happens there.
#pragma once

namespace platform {

// One at a time; the end of its life brings back the handling from before.
class PassStopSignals {
public:
    explicit PassStopSignals(bool quitToo = false);
    ~PassStopSignals();

    PassStopSignals(const PassStopSignals&) = delete;
    PassStopSignals& operator=(const PassStopSignals&) = delete;
};

// The first stop signal received (0 while none arrived).
int stopSignal();

// The process the program now waits for (0: none), set by the calls that
// start and wait; a stop signal that has already arrived is passed on to it
// at once. With `wholeGroup` the process leads a process group of its own
// and the signal goes to that whole group, so that the programs it started
// in turn (a script's commands) get it too.
void setWaitedProcess(long pid, bool wholeGroup = false);

}  // namespace platform
