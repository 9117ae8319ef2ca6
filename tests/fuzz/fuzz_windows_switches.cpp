// The Windows installer's switches: details only after a switch and never
// longer than the command line; no double quote in them but one the command
// line escaped (\" or "" inside quotes); and any details file, written on a
// command line as a program quotes its arguments, comes back as it was.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/windowsrun.h"
#include "platform/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    qrl::CommandLine cl = qrl::parseWindowsSwitches(qrl::argumentsOf(line));
    if (!cl.quiet && !cl.properties && !cl.details.empty()) std::abort();
    if (cl.details.size() > line.size()) std::abort();
    bool escapedQuote = line.find("\\\"") != std::string::npos || line.find("\"\"") != std::string::npos;
    if (cl.details.find('"') != std::string::npos && !escapedQuote) std::abort();

    if (line.empty() || line.find('\0') != std::string::npos) return 0;
    std::string written = platform::buildWindowsCommandLine({"C:\\Kit\\installer.exe", "-q", line});
    qrl::CommandLine back = qrl::parseWindowsSwitches(qrl::argumentsOf(written));
    if (!back.quiet || back.details != line) std::abort();
    return 0;
}
