// No status window and no worker thread outside Windows: the POSIX and macOS
// installers run their installation on their only thread.
#include "platform/statuswindow.h"

#include <cerrno>

namespace platform {

struct StatusWindow::Impl {};
StatusWindow::StatusWindow() = default;
StatusWindow::~StatusWindow() = default;
Result StatusWindow::create() { return Result::failure(ENOSYS); }
void StatusWindow::show(std::string_view, bool) {}
void StatusWindow::setTitle(std::string_view) {}
void StatusWindow::hide() {}
void StatusWindow::startTimer() {}
void StatusWindow::stopTimer() {}
bool StatusWindow::nextMessage() { return false; }
void StatusWindow::quit() {}

struct WorkerThread::Impl {};
WorkerThread::WorkerThread() = default;
WorkerThread::~WorkerThread() = default;
Result WorkerThread::start(std::function<void()>) { return Result::failure(ENOSYS); }
void WorkerThread::join() {}

}  // namespace platform
