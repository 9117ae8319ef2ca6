#include <sys/utsname.h>

#include "platform/env.h"
#include "platform/osversion.h"

namespace platform {

unsigned long windowsVersionWord() { return 0; }

std::optional<std::string> osRelease() {
    if (auto fixed = testSetting("QUARLAN_OS_RELEASE")) return fixed;
    struct utsname names {};
    if (::uname(&names) != 0) return std::nullopt;
    return std::string(names.release);
}

}  // namespace platform
