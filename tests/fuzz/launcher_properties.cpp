// Launcher properties: any file content parses without harm, values stay
// within their capacities, the part of a line beyond the line limit never
// changes a setting, and the escapes undo a full escaping.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/files.h"
#include "launcher/properties.h"

namespace {

// The text with every line cut at the line limit: what the reader may use.
std::string cutLines(const std::string& raw) {
    std::string text = qrl::withLineFeeds(raw), out;
    size_t column = 0;
    for (char c : text) {
        if (c == '\n') {
            column = 0;
        } else if (column++ >= qrl::kPropLineLimit) {
            continue;
        }
        out += c;
    }
    return out;
}

bool same(const qrl::LaunchSettings& a, const qrl::LaunchSettings& b) {
    return a.programName == b.programName && a.executable == b.executable && a.arguments == b.arguments &&
           a.workingDir == b.workingDir && a.criteria.required == b.criteria.required &&
           a.criteria.minimum == b.criteria.minimum && a.criteria.maximum == b.criteria.maximum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    qrl::LauncherProperties params(qrl::Family::Windows, qrl::Logs::none());
    qrl::LaunchSettings s;
    params.parseText(text, s);
    if (s.programName.size() > qrl::kPropNameCapacity || s.executable.size() > qrl::kPropNameCapacity ||
        s.arguments.size() > qrl::kPropArgsCapacity || s.workingDir.size() > qrl::kPropArgsCapacity ||
        s.criteria.required.size() > qrl::kPropVersionCapacity)
        std::abort();
    // Only worth the second parse when some line is over the limit.
    std::string cut = cutLines(text);
    if (cut.size() != qrl::withLineFeeds(text).size()) {
        qrl::LaunchSettings t;
        params.parseText(cut, t);
        if (!same(s, t)) std::abort();
    }
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
