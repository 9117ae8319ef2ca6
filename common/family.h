// The three behaviour families of the native programs. Each program is built for
// one of them; logic that differs between them reads the family's description
// (familyrules.h) so that every family's rules can be exercised by the native
// tests.
#pragma once

namespace qrl {

enum class Family { Windows, Posix, Mac };

// The directory separator of a family: "\\" on Windows, "/" elsewhere.
constexpr char dirEnd(Family f) { return f == Family::Windows ? '\\' : '/'; }

// True for the characters a family accepts as a path separator.
constexpr bool isSeparator(Family f, char c) {
    return c == '/' || (f == Family::Windows && c == '\\');
}

}  // namespace qrl
