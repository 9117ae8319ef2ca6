#include "platform/timerloop.h"

#include "platform/process.h"

namespace platform {

Result runTimerLoop(const std::string&, unsigned periodMs, unsigned maxPasses, const std::function<bool()>& pass) {
    for (unsigned i = 0; i < maxPasses; ++i) {
        sleepMs(periodMs);
        if (pass()) break;
    }
    return {};
}

}  // namespace platform
