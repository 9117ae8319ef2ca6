#include "common/familyrules.h"

namespace qrl {

const FamilyRules& rulesFor(Family family) {
    switch (family) {
        case Family::Windows:
            return kWindowsRules;
        case Family::Posix:
            return kPosixRules;
        case Family::Mac:
            break;
    }
    return kMacRules;
}

}  // namespace qrl
