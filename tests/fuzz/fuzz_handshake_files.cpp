// The Windows installer's window thread, "__qrlshow.sem" and the worker: however
// the worker removes the file and ends over time, the status window is hidden
// exactly once, no later than about 100 timer ticks after the file went or the
// worker ended, the timer is stopped each time it was started, and the thread
// returns soon after the worker has ended.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/windowsrun.h"

namespace {

const std::string kShow = "C:\\kit\\__qrlshow.sem";

// The worker, played from the input: at each tick it may remove the file or
// end (once gone, the file stays gone); when the input ends the run finishes.
class ScriptedHost : public qrl::StatusLoopHost {
public:
    ScriptedHost(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool fileExists(const std::string& path) override {
        if (path == kShow) return show_;
        std::abort();
    }
    bool workerRunning() override { return running_; }
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
        if ((step & 2) && running_) {
            running_ = false;
            endedAt_ = tick_;
        }
        if ((!show_ || !running_) && firstGoneAt_ == 0) firstGoneAt_ = tick_;
        return true;
    }
    void hide() override {
        if (hidden_) std::abort();
        hidden_ = true;
        hiddenAt_ = tick_;
    }

    void check() const {
        if (!hidden_ || timer_ || running_) std::abort();
        // Hidden within about 10 s (100 ticks) of the file going or the end.
        if (hiddenAt_ > firstGoneAt_ + 102) std::abort();
        // No waiting once the run is over.
        if (tick_ > endedAt_ + 102) std::abort();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    size_t tick_ = 0;
    size_t firstGoneAt_ = 0, endedAt_ = 0, hiddenAt_ = 0;
    bool running_ = true, show_ = true, timer_ = false, hidden_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScriptedHost host(data, size);
    qrl::runStatusLoops(host, kShow);
    host.check();
    return 0;
}
