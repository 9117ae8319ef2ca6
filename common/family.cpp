#include "common/family.h"

namespace qrl {

const char* familyName(Family family) {
    static const char* const windows = "Windows";
    static const char* const posix = "POSIX";
    static const char* const mac = "macOS";
    return byFamily(family, windows, posix, mac);
}

}  // namespace qrl
