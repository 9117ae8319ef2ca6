#include "platform/systime.h"

namespace platform {

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    ::localtime_r(&now, &tm);
    return tm;
}

}  // namespace platform
