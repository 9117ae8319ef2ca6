// Stopping a run from outside. Once passStopSignals() was called, SIGTERM,
// SIGINT and SIGHUP (POSIX) no longer end the program at once: the program
// it waits for at that moment gets the same signal, and the run learns of it
// through stopSignal() at its next step, so that it can save its logs and
// tidy up before it ends. Windows has no such signals: nothing happens there.
#pragma once

namespace platform {

void passStopSignals();

// The first stop signal received (0 while none arrived).
int stopSignal();

// The process the program now waits for (0: none), set by the calls that
// start and wait; a stop signal that has already arrived is passed on to it
// at once.
void setWaitedProcess(long pid);

}  // namespace platform
