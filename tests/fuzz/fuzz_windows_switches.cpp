// The Windows installer's switches: details only after a switch, never
// longer than the arguments, and the windows stay hidden whenever the worker
// sees a switch followed by another word.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/windowsrun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    qrl::CommandLine cl = qrl::parseWindowsSwitches(qrl::argumentsOf(line));
    bool hidden = qrl::quietScan(qrl::argumentsOf(line));
    if (!cl.quiet && !cl.properties && !cl.details.empty()) std::abort();
    if (cl.details.size() > line.size()) std::abort();
    if ((cl.quiet || cl.properties) && !hidden) std::abort();
    return 0;
}
