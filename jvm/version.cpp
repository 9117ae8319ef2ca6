#include "jvm/version.h"

#include <algorithm>

#include "common/text.h"

namespace qrl {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The components as written, the legacy "1." still in place.
std::vector<VersionPart> rawParts(std::string_view version) {
    std::vector<VersionPart> parts;
    size_t i = 0;
    while (i < version.size()) {
        if (!isDigit(version[i]) && !isLetter(version[i]) && static_cast<unsigned char>(version[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t start = i;
        bool numeric = true;
        while (i < version.size() &&
               (isDigit(version[i]) || isLetter(version[i]) || static_cast<unsigned char>(version[i]) >= 0x80)) {
            numeric = numeric && isDigit(version[i]);
            ++i;
        }
        VersionPart part;
        part.numeric = numeric;
        std::string_view token = version.substr(start, i - start);
        if (numeric) {
            size_t nz = token.find_first_not_of('0');
            part.text = nz == std::string_view::npos ? std::string() : std::string(token.substr(nz));
        } else {
            part.text = std::string(token);
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

bool isOne(const VersionPart& p) { return p.numeric && p.text == "1"; }

bool isLegacy(const std::vector<VersionPart>& raw) { return raw.size() >= 2 && isOne(raw[0]); }

std::vector<VersionPart> normalised(std::vector<VersionPart> raw) {
    if (isLegacy(raw)) raw.erase(raw.begin());
    return raw;
}

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// A missing component is the number 0.
int comparePart(const VersionPart* a, const VersionPart* b) {
    static const VersionPart zero{true, ""};
    if (!a) a = &zero;
    if (!b) b = &zero;
    if (a->numeric && b->numeric) {
        if (a->text.size() != b->text.size()) return a->text.size() < b->text.size() ? -1 : 1;
        return sign(a->text.compare(b->text));
    }
    if (a->numeric != b->numeric) return a->numeric ? 1 : -1;
    return sign(compareIgnoreCase(a->text, b->text));
}

int compareFirst(const std::vector<VersionPart>& a, const std::vector<VersionPart>& b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        int c = comparePart(i < a.size() ? &a[i] : nullptr, i < b.size() ? &b[i] : nullptr);
        if (c != 0) return c;
    }
    return 0;
}

}  // namespace

std::vector<VersionPart> versionParts(std::string_view version) { return normalised(rawParts(version)); }

int compareJavaVersions(std::string_view a, std::string_view b) {
    auto pa = versionParts(a);
    auto pb = versionParts(b);
    return compareFirst(pa, pb, std::max(pa.size(), pb.size()));
}

int compareWithBound(std::string_view found, std::string_view bound) {
    auto rawFound = rawParts(found);
    auto rawBound = rawParts(bound);
    // A lone "1" names the whole legacy family: every 1.x meets it.
    if (rawBound.size() == 1 && isOne(rawBound[0]) && isLegacy(rawFound)) return 0;
    auto f = normalised(std::move(rawFound));
    auto b = normalised(std::move(rawBound));
    return compareFirst(f, b, b.size());
}

}  // namespace qrl
