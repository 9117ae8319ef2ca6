#include "jvm/winvers.h"

#include "platform/osversion.h"
#include "common/logfiles.h"

namespace qrl {

bool WinVersion::classify(unsigned long versionWord) const {
    if ((versionWord & 0x80000000UL) == 0) return true;
    if ((versionWord & 0xFFUL) > 3) return false;
    logs_.trace("Bad version of windows");
    return false;
}

bool WinVersion::winNT() {
    if (!probed_) {
        nt_ = classify(platform::windowsVersionWord());
        probed_ = true;
    }
    return nt_;
}

}  // namespace qrl
