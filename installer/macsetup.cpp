// macsetup: the installer bootstrap of the macOS family.
#include "common/trace.h"
#include "common/logfiles.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) {
    qrl::Trace().traceMessage(qrl::kTraceLog, "macsetup started");
    return 0;
}
