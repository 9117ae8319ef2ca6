#include "common/text.h"

#include <algorithm>
#include <cctype>

#include "platform/encoding.h"

namespace qrl {

void parseVersion(std::string_view version, std::string& base, std::string& micro) {
    size_t dot = version.rfind('.');
    bool split = std::count(version.begin(), version.end(), '.') >= 2;
    micro = split ? std::string(version.substr(dot + 1)) : std::string(1, '0');
    base = std::string(split ? version.substr(0, dot) : version);
}

std::string asciiLower(std::string_view s) { return platform::asciiLower(s); }

int compareIgnoreCase(std::string_view a, std::string_view b) {
    std::string la = asciiLower(a), lb = asciiLower(b);
    return la.compare(lb) < 0 ? -1 : (la == lb ? 0 : 1);
}

std::vector<std::string> splitList(std::string_view list, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(separator, start);
        if (end == std::string_view::npos) end = list.size();
        if (end > start) out.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::optional<std::string> prefixValue(std::string_view line, std::string_view key, size_t skip) {
    if (!line.starts_with(key)) return std::nullopt;
    size_t at = key.size() + skip;
    return at < line.size() ? std::string(line.substr(at)) : std::string();
}

std::string trimRight(std::string_view s) {
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\n' || s[end - 1] == '\r')) --end;
    return std::string(s.substr(0, end));
}

}  // namespace qrl
