// Facts about the operating system the program runs on.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Windows: what GetVersion answers (the top bit set on Windows 9x, the major
// version in the low byte). Elsewhere 0.
unsigned long windowsVersionWord();

// True on Windows NT and its successors; false on Windows 9x and elsewhere.
bool isWindowsNT();
// The major version of Windows (5 for XP, 6 for Vista and 7, ...); 0 elsewhere.
unsigned windowsMajorVersion();

// The kernel's release as "uname -r" prints it ("23.4.0" on macOS 14); the
// test setting QUARLAN_OS_RELEASE stands for it. Nothing when it cannot be
// told (and on Windows, test setting aside).
std::optional<std::string> osRelease();

// The Windows directory and where it was found: `source` names the registry
// value ("SystemRoot", "PathName", "WinDir", "Setup WinDir", "9x Setup WinDir")
// and is empty when the test setting QUARLAN_WINDOWS_DIR gave it. Windows NT
// keys are asked first (on NT only), then the Windows 9x one. Nothing when no
// value names it (and always elsewhere, test setting aside).
struct WindowsDirectory {
    std::string path;
    std::string source;
};
std::optional<WindowsDirectory> windowsDirectory();

}  // namespace platform
