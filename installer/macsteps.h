// The steps of the macOS installer around the run: its own working directory
// (a copy of the kit in a private directory below TMPDIR), its switches, and
// the operating-system check in front of the JVM a kit ships.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "platform/dirlock.h"

namespace qrl {

// The directory the temporary working directories are made in: TMPDIR when
// it names a directory this user can write in, short enough to hold the
// run's files ("/" never is), else "/tmp"; a trailing "/" removed.
std::string tempDirBase();

// Makes the run's working directory tmpqrl01 ... tmpqrl99 below tempDirBase():
// created for this run alone (mode 0700) and locked for as long as `lock`
// lives. A candidate that is a link, belongs to another user, is locked by a
// run still alive or is the start directory itself is never touched; a
// leftover of this user that no run holds is emptied and reused. Then
// "startdir.txt" and a copy of the kit go in. On success the current
// directory is the new one; on failure it is `startDir`, no working
// directory is left, and `why` (when given) holds the message for the user
// when there is more to say than that no directory could be made: a kit in a
// folder that is not its own (kitFolderRefusal), a copy of the kit that is
// not complete (a full disk, a file that cannot be read).
bool createTempDir(std::string_view startDir, platform::DirLock& lock, std::string& tempDir,
                   std::string* why = nullptr);

// The kit is copied whole, so it must be in a folder of its own: not the
// home folder, the Desktop, Documents or Downloads (under any name: a link,
// another spelling) nor a folder that holds one of them. The message for a
// kit that is not, else empty.
std::string kitFolderRefusal(std::string_view kitDir);

// Writes the start directory and a line feed into dir/name, a file this call
// creates (an existing file or link there is not written through).
bool writeStartDirFile(std::string_view name, std::string_view startDir, std::string_view dir);

// Copies the kit tree `from` into `to` (which must not lie inside it), then
// gives the copy the mode 0755 throughout. Links are not followed out of the
// kit: a link to a file inside the kit is copied as that file, any other link
// is left out, and so is what is not a file or a folder (a FIFO, a socket).
// `to` itself, met inside `from`, is skipped. True only when every file and
// folder arrived whole; else `why` (when given) names the first that did not
// and the system's reason.
bool copyKitToTempDir(std::string_view from, std::string_view to, std::string* why = nullptr);

// The switches: "-q" (quiet) and "-s" (properties) only as whole arguments;
// the argument after a switch is the details file whatever it holds, with the
// quoting rules of the installers (a name the shell split at its blanks is
// joined again).
struct MacCommandLine {
    bool quiet = false;
    bool properties = false;
    std::string details;
};
MacCommandLine parseMacCommandLine(const std::vector<std::string>& args);

// The Darwin release the kit's own JVM needs at least (11.3, the kernel of
// Mac OS X 10.7.3): every JVM from Java 7 on needs that system.
inline constexpr unsigned kMinDarwinRelease[3] = {11, 3, 0};
// True when the release text (uname -r: "23.4.0") reads as numbers and is at
// least kMinDarwinRelease.
bool darwinReleaseOk(std::string_view release);

// The check in front of the JVM the kit ships: the kernel's release
// (platform::osRelease) traced and judged by darwinReleaseOk. False when it
// cannot be told.
bool isOsVersionOk(const Logs& logs);

}  // namespace qrl
