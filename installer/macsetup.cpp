// macsetup: the installer bootstrap of the macOS family.
#include "common/trace.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) {
    qrl::Trace().traceMessage("jinstall.log", "macsetup started");
    return 0;
}
