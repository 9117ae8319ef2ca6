// maclauncher: the application launcher of the macOS family.
#include "common/trace.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) {
    qrl::Trace().traceMessage("startapp.log", "maclauncher started");
    return 0;
}
