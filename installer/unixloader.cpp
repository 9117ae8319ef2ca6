// unixloader: the installer bootstrap of the POSIX family.
#include "common/trace.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) {
    qrl::Trace().traceMessage("jinstall.log", "unixloader started");
    return 0;
}
