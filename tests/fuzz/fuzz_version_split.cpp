// parseVersion: the two parts always rebuild the version.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string version(reinterpret_cast<const char*>(data), size);
    std::string base, micro;
    qrl::parseVersion(version, base, micro);
    size_t dots = 0;
    for (char c : version) dots += c == '.';
    if (dots < 2) {
        if (base != version || micro != "0") std::abort();
    } else if (base + "." + micro != version || micro.find('.') != std::string::npos) {
        std::abort();
    }
    return 0;
}
