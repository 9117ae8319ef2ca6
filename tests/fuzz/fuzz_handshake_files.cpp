// The Windows installer's window thread and its two handshake files: however
// the worker removes "__qrlshow.sem" and "__qrlinstall.sem" over time, the
// status window is hidden exactly once, no later than about 100 timer ticks
// after either file went, the timer is stopped each time it was started, and
// the thread returns as soon as "__qrlinstall.sem" has gone.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/windowsrun.h"

namespace {

const std::string kInstall = "C:\\kit\\__qrlinstall.sem";
const std::string kShow = "C:\\kit\\__qrlshow.sem";

// The worker, played from the input: at each tick it may remove either file
// (once gone, a file stays gone); when the input ends the run finishes.
class ScriptedHost : public qrl::StatusLoopHost {
public:
    ScriptedHost(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool fileExists(const std::string& path) override {
        if (path == kInstall) return install_;
        if (path == kShow) return show_;
        std::abort();
    }
    void startTimer() override {
        if (timer_) std::abort();
        timer_ = true;
    }
    void stopTimer() override {
        if (!timer_) std::abort();
        timer_ = false;
    }
    bool nextMessage() override {
        if (!timer_) std::abort();  // nothing would ever wake the thread
        ++tick_;
        if (tick_ > 100000) std::abort();
        uint8_t step = at_ < size_ ? data_[at_++] : 3;
        if ((step & 1) && show_) show_ = false;
        if ((step & 2) && install_) {
            install_ = false;
            installGoneAt_ = tick_;
        }
        if ((!show_ || !install_) && firstGoneAt_ == 0) firstGoneAt_ = tick_;
        return true;
    }
    void hide() override {
        if (hidden_) std::abort();
        hidden_ = true;
        hiddenAt_ = tick_;
    }

    void check() const {
        if (!hidden_ || timer_ || install_) std::abort();
        // Hidden within about 10 s (100 ticks) of the first file going.
        if (hiddenAt_ > firstGoneAt_ + 102) std::abort();
        // No waiting once the run is over.
        if (tick_ > installGoneAt_ + 102) std::abort();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    size_t tick_ = 0;
    size_t firstGoneAt_ = 0, installGoneAt_ = 0, hiddenAt_ = 0;
    bool install_ = true, show_ = true, timer_ = false, hidden_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScriptedHost host(data, size);
    qrl::runStatusLoops(host, kInstall, kShow);
    host.check();
    return 0;
}
