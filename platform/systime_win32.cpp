#include "platform/systime.h"

namespace platform {

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    ::localtime_s(&tm, &now);
    return tm;
}

}  // namespace platform
