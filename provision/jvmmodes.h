// The modes of what a kit's program (its JVM archive, a vendor's installer)
// made in a directory: only what it made changes, links are neither changed
// nor followed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/execcmd.h"

namespace qrl {

// The entries of a directory, to tell afterwards what
// a program run in it has added.
std::vector<std::string> entryNames(std::string_view dir);
// Gives what was added to `dir` since `before` was listed the mode 0755
// throughout.
void setModesOfNewEntries(ExecCommand& exec, std::string_view dir, const std::vector<std::string>& before);
// chmod of every entry of dir (not recursive, the directory itself
// included, never its parent) except the names in `untouched` ("." for the
// directory itself).
bool setPermissionsForDir(std::string_view dir, unsigned mode, const std::vector<std::string>& untouched);

}  // namespace qrl
