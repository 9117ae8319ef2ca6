// The kit directory a run works in: claimed for the run, the place of its
// logs, and removed once it is finished.
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"
#include "platform/dirlock.h"

namespace qrl {

// The refusal of a run started in a kit that another run holds.
inline constexpr const char* kAnotherRunning = "Another installation is running in this directory";

// Where a run that is refused writes its "errors.log": the user's temporary
// directory (TMPDIR, TEMP or TMP, else /tmp), never the kit or the start
// directory, whose logs belong to the run that holds the kit. Empty when there
// is none.
std::string refusedRunLogsDir();

// Takes the kit directory `kit` for this run: an exclusive lock held as long
// as `lock` lives, inherited by the programs the run starts and gone with the
// last of them, however they end. Once taken, what a killed run left of its
// work files (in a kit with a control file, and in the folders it noted) is
// removed. False when another run holds the kit: the refusal is then on
// standard error and in the refused run's own "errors.log"
// (refusedRunLogsDir), and nothing is changed. A kit that cannot be locked at all is run unlocked. A kit that
// the run copies before it works (`KitUse::CopiedFirst`) holds no work files.
enum class KitUse { WorkedIn, CopiedFirst };
bool claimKitDir(const std::string& kit, platform::DirLock& lock, Family family, KitUse use = KitUse::WorkedIn);

// Whether a file cannot be created in `dir` (an empty name counts as
// protected). The probe is created exclusively and removed again.
bool isDirWriteProtected(std::string_view dir, Family family);

// Where a run's logs go: the working directory, or, when it cannot take a
// file (a kit on a read-only medium), the start directory, else the user's
// home (profile) directory.
std::string logsPlace(Family family, std::string_view workingDir, std::string_view startDir);

// Removes the entries of a finished kit directory (not those beginning with
// "."), then the directory. Refuses the places platform::isProtectedDir names
// (a root, the user's home directory and its Desktop, Documents and
// Downloads) and any directory that holds `startDir`. Log files (names with
// ".log") that are still there could not be saved: they stay, and so does the
// directory.
bool cleanUpAllFiles(std::string_view dir, std::string_view startDir);

}  // namespace qrl
