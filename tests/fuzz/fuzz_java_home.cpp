// getJavaHomeDirectory: the home is a prefix of the executable's directory and
// ends at a component boundary; "bin" is never kept as its own last component
// unless no component is named bin.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/paths.h"

namespace {

void check(const std::string& exe, qrl::Family family) {
    std::string home = qrl::getJavaHomeDirectory(exe, family);
    if (exe.compare(0, home.size(), home) != 0) std::abort();
    if (home.size() < exe.size() && !home.empty() && !qrl::isSeparator(family, exe[home.size()]) && home != exe)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string exe(reinterpret_cast<const char*>(data), size);
    check(exe, qrl::Family::Windows);
    check(exe, qrl::Family::Posix);
    return 0;
}
