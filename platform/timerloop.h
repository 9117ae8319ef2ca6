// A pass run again and again on a timer, for programs without a user interface
// that wait for something outside them (files still held open by a program that
// is ending).
#pragma once

#include <functional>
#include <string>

#include "platform/error.h"

namespace platform {

// Runs `pass` after each tick of a `periodMs` timer until it answers true, it
// has run `maxPasses` times, or the system asks the program to quit. The timer
// has an owner named `ownerName` where the system wants one (Windows: a hidden
// window of that class, whose message loop dispatches the ticks; the loop
// fails when its timer cannot be made, and no pass has then run). Elsewhere
// the process sleeps between passes. Succeeds when the loop ran.
Result runTimerLoop(const std::string& ownerName, unsigned periodMs, unsigned maxPasses,
                    const std::function<bool()>& pass);

}  // namespace platform
