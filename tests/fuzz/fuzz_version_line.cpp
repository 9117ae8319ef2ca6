// The version of a JVM's output: the banner's version is the text between its
// quotes, the fallback runs from a digit to a digit, and the line chosen is
// one of the output's lines.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jvm/jvmok.h"
#include "jvm/version.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);

    for (const auto& l : lines) {
        std::string version = qrl::lineVersion(l);
        if (auto found = qrl::bannerVersion(l)) {
            const std::string& banner = *found;
            if (banner != version || l.find("\"" + banner + "\"") == std::string::npos) std::abort();
            if (banner.find('"') != std::string::npos) std::abort();
        } else if (!version.empty()) {
            if (!isDigit(version.front()) || !isDigit(version.back())) std::abort();
            if (l.find(version) == std::string::npos) std::abort();
        } else {
            for (char c : l)
                if (isDigit(c)) std::abort();
        }
        if (qrl::compareWithBound(version, version) != 0) std::abort();
    }
    std::string chosen = qrl::versionLine(lines);
    if (lines.empty() ? !chosen.empty() : std::find(lines.begin(), lines.end(), chosen) == lines.end()) std::abort();
    return 0;
}
