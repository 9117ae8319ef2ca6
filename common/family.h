// The three behaviour families of the native programs. Each program is built for
// one of them; logic that differs between them reads the family's description
// (familyrules.h) so that every family's rules can be exercised by the native
// tests.
#pragma once

namespace qrl {

enum class Family { Windows, Posix, Mac };

}  // namespace qrl
