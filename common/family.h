// The three behaviour families of the native programs. Each program is built
// for one of them and says which in its entry; every module that behaves
// differently between them keeps its own small policy, one value per family
// beside the code that reads it, so that every family can be exercised by the
// native tests through this value.
#pragma once

namespace qrl {

enum class Family { Windows, Posix, Mac };

// For traces and messages: "Windows", "POSIX", "macOS".
const char* familyName(Family family);

// A module's policy for one family, out of its three.
template <class Policy>
const Policy& byFamily(Family family, const Policy& windows, const Policy& posix, const Policy& mac) {
    switch (family) {
        case Family::Windows:
            return windows;
        case Family::Posix:
            return posix;
        case Family::Mac:
            break;
    }
    return mac;
}

}  // namespace qrl
