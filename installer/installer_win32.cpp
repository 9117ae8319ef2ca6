// installer: the installer bootstrap of the Windows family.
//
//   installer.exe [-q file | -s file]
//
// Runs in the unpacked kit. The installation runs on a worker thread while
// this thread keeps the status window up (none with -q or -s). Exit status 0
// after a successful installation, 1 after a failed one. When the kit's
// "startdir.txt" names another directory, the logs are saved there and
// "__cleanup.exe" removes the working directory after this program has ended.
#include <atomic>

#include "common/paths.h"
#include "installer/language.h"
#include "installer/status.h"
#include "installer/windowsrun.h"
#include "platform/entry.h"
#include "platform/fs.h"
#include "platform/statuswindow.h"

namespace {

// The window thread's loops on the platform's status window.
class WindowHost : public qrl::StatusLoopHost {
public:
    explicit WindowHost(platform::StatusWindow& window) : window_(window) {}
    bool fileExists(const std::string& path) override { return platform::exists(path); }
    void startTimer() override { window_.startTimer(); }
    void stopTimer() override { window_.stopTimer(); }
    bool nextMessage() override { return window_.nextMessage(); }
    void hide() override { window_.hide(); }

private:
    platform::StatusWindow& window_;
};

}  // namespace

int utf8Main(std::vector<std::string>&) {
    using namespace qrl;
    std::string cwd = getCurrentDir(Family::Windows);
    setHandshakePaths(joinPath(cwd, kInstallSemaphore, Family::Windows),
                      joinPath(cwd, kShowSemaphore, Family::Windows));
    std::string startDir = getStartDir();
    std::string arguments(argumentsOf(platform::rawCommandLine()));

    // Without a desktop (a service's session) the installation runs all the
    // same, with no window to show.
    platform::StatusWindow window;
    bool haveWindow = window.create();
    if (haveWindow && !quietScan(arguments)) {
        std::string language = getLanguage(Family::Windows);
        window.show(firstDialogLine(language), language == "japanese");
    }

    // The handshake files exist before the worker starts, so that a worker
    // that ends at once cannot leave "__qrlinstall.sem" behind it.
    writeHandshakeFiles();
    std::atomic<bool> success{false};
    bool kitRead = false;  // written by the worker, read after it has ended
    platform::WorkerThread worker;
    if (worker.start([&] { success = runWorker(arguments, &kitRead); })) {
        if (haveWindow) {
            WindowHost host(window);
            runStatusLoops(host, installSemaphorePath(), showSemaphorePath());
        }
        worker.join();
    } else {
        platform::removeFile(installSemaphorePath());
        removeShowSemaphore();
    }
    window.hide();
    startCleanup(startDir, cwd, kitRead);
    window.quit();
    return windowsExitStatus(success);
}
