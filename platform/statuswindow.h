// The Windows installer's user interface: a small status window with one line
// of text, a worker thread beside the thread that owns the window, and the
// message stream that drives the window thread. Where there is no such user
// interface (POSIX) every call fails, answers false or does nothing.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/error.h"

namespace platform {

class StatusWindow {
public:
    StatusWindow();
    ~StatusWindow();
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    // Registers the window class, creates the hidden main window and the
    // modeless dialog "STATUSDIALOG" of the program's resources. Fails when
    // the class cannot be registered or a window not created.
    Result create();
    // Shows both windows with `line` in the dialog's text control;
    // `japaneseFont` prepares the 16-point Shift-JIS font first.
    void show(std::string_view line, bool japaneseFont);
    void hide();
    // The dialog's title in place of the one in the program's resources.
    void setTitle(std::string_view title);
    // Starts (or restarts) the 100 ms timer that keeps messages coming, and
    // stops it.
    void startTimer();
    void stopTimer();
    // Waits for one message and dispatches it (a dialog message to the dialog
    // while it exists). False when the message was the quit message.
    bool nextMessage();
    // Posts the quit message unless the main window already did.
    void quit();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Runs `body` on a thread of its own. Fails when the thread cannot be started.
class WorkerThread {
public:
    WorkerThread();
    ~WorkerThread();  // waits for the thread
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    Result start(std::function<void()> body);
    void join();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
