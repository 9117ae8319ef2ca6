// Version comparison: the total order is antisymmetric and transitive (fit
// for sorting), every version meets itself as a bound, an empty bound is met
// by everything, and a bound is met by any version it is a prefix of.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jvm/version.h"

namespace {

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string part[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = i < 2 ? text.find('\n', start) : std::string::npos;
        if (end == std::string::npos) end = text.size();
        if (start <= text.size()) part[i] = text.substr(start, end - start);
        start = end + 1;
    }
    const std::string& a = part[0];
    const std::string& b = part[1];
    const std::string& c = part[2];

    if (qrl::compareJavaVersions(a, a) != 0) std::abort();
    int ab = sign(qrl::compareJavaVersions(a, b));
    int bc = sign(qrl::compareJavaVersions(b, c));
    int ac = sign(qrl::compareJavaVersions(a, c));
    if (ab != -sign(qrl::compareJavaVersions(b, a))) std::abort();
    if (ab == bc && ab != 0 && ac != ab) std::abort();
    if (ab == 0 && bc == 0 && ac != 0) std::abort();

    if (qrl::compareWithBound(a, a) != 0) std::abort();
    if (qrl::compareWithBound(a, "") != 0) std::abort();
    // a.b.c meets the bound a.b whatever follows.
    if (!a.empty() && !b.empty() && qrl::compareWithBound(a + "." + b, a) != 0) std::abort();
    return 0;
}
