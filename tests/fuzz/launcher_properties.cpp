// Launcher properties: any file content parses without harm, values stay
// within their capacities, and the escapes undo a full escaping.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launcher/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    qrl::LauncherProperties params(qrl::Family::Windows, qrl::Logs::inCurrentDir(qrl::kLauncherTrace));
    qrl::LaunchSettings s;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, std::min(end - start, qrl::kPropLineLimit));
        params.parseLine(line, s);
        start = end + 1;
    }
    if (s.programName.size() > qrl::kPropNameCapacity || s.executable.size() > qrl::kPropNameCapacity ||
        s.arguments.size() > qrl::kPropArgsCapacity || s.workingDir.size() > qrl::kPropArgsCapacity ||
        s.criteria.required.size() > qrl::kPropVersionCapacity)
        std::abort();
    std::string unescaped = qrl::LauncherProperties::unescape(text);
    if (unescaped.size() > text.size()) std::abort();
    std::string escaped;
    for (char c : text) {
        escaped += '\\';
        escaped += c;
    }
    if (qrl::LauncherProperties::unescape(escaped) != text) std::abort();
    return 0;
}
