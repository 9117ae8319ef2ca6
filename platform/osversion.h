// The version word of the operating system.
#pragma once

namespace platform {

// Windows: what GetVersion answers (the top bit set on Windows 9x, the major
// version in the low byte). Elsewhere 0.
unsigned long windowsVersionWord();

}  // namespace platform
