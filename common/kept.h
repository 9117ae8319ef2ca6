// Behaviours that look like accidents but are kept on purpose: kits, install
// wizards, launcher properties files and administrators' scripts in the field
// depend on them. Each is named here once, with its reason; the code uses
// these names, and the tests pin them.
#pragma once

#include <cstddef>

namespace qrl::kept {

// The POSIX and macOS installers and the launchers answer 1 after success and
// 0 after a failure: scripts written for the first kits test for exactly that.
inline constexpr int kSuccessStatus = 1;
inline constexpr int kFailureStatus = 0;

// Control-file lines are read 998 characters at a time, as the first readers
// did; a kit's line is never longer in practice.
inline constexpr std::size_t kControlLineLimit = 998;
// Launcher properties lines are read 9998 characters at a time.
inline constexpr std::size_t kLauncherLineLimit = 9998;

// Keys match as prefixes and values sit at key length + 1, without trimming:
// "jvmVersionX=1" sets jvmVersion to "=1" and "key = value" gives " value".
// Kits were written against this reading (ControlFile, LauncherProperties).

// Values longer than their field are cut to its capacity (a 500-character
// jvmVersion keeps 200), as fixed buffers did; no kit relies on more.

// Without "jinstall.log" in the kit (the user does not trace) the Windows
// installer starts the windowed launcher: "java.exe" becomes "javaw.exe" and
// "jre.exe" becomes "jrew.exe", so no console window opens beside the wizard.

// The POSIX class path default names "swingall.jar", the Swing library of
// Java 1.1 runtimes; wizards of old kits still ship it beside install.jar.

// A Windows locale value that begins with "swiss" is German, "swiss-french"
// too: "swiss" is the C runtime's name for German (Switzerland), and the
// locale names match as prefixes.
inline constexpr const char* kSwissIsGerman = "swiss";

// The default required version is "1.1.8" (POSIX) or "1.4" (Windows, macOS):
// kits without a version line were made for those runtimes, and any later
// JVM meets them.

}  // namespace qrl::kept
