// Tells Windows NT and its successors from Windows 9x.
#pragma once

#include "common/logs.h"

namespace qrl {

class WinVersion {
public:
    explicit WinVersion(Logs logs) : logs_(std::move(logs)) {}

    // True on Windows NT and its successors; asked once, then remembered.
    bool winNT();

    // The answer for a GetVersion word: the top bit clear is NT; set with a
    // major version above 3 is Windows 9x; anything else is traced as
    // "Bad version of windows" to "jinstall.log" and answered false.
    bool classify(unsigned long versionWord) const;

private:
    Logs logs_;
    bool probed_ = false;
    bool nt_ = false;
};

}  // namespace qrl
