// A pass run again and again on a timer, for programs without a user interface
// that wait for something outside them (files still held open by a program that
// is ending).
#pragma once

#include <functional>

namespace platform {

// Runs `pass` after each tick of a `periodMs` timer until it answers true, it
// has run `maxPasses` times, or (Windows) the loop receives a quit message.
// Windows: a hidden window of the class `windowClass` owns the timer and a
// message loop dispatches its messages; false when the class cannot be
// registered or the window not created (no pass has then run). Elsewhere the
// process sleeps between passes. True when the loop ran.
bool runTimerLoop(const wchar_t* windowClass, unsigned periodMs, unsigned maxPasses,
                  const std::function<bool()>& pass);

}  // namespace platform
