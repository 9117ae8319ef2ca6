// Quarlan and update: the application launchers of the Windows family.
#include "common/trace.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) {
    qrl::Trace().traceMessage("startapp.log", "launcher started");
    return 0;
}
