// Folders outside the working directory where a run keeps work files of its
// own for a while: the launch script and the archive's output in a JVM home
// that is being expanded. Each folder is noted in the working directory
// before the run goes there, so that a run killed in the middle leaves a note
// that the next run in the same kit acts on.
#pragma once

#include <string_view>

#include "common/family.h"

namespace qrl {

inline constexpr const char* kWorkDirsNote = "__qrlworkdirs";
inline constexpr const char* kArchiveOutput = "__temp.log";

// Adds `dir` to the note in `workingDir`.
void noteWorkDir(std::string_view workingDir, std::string_view dir);

// Removes the run's work files (the launch script, its wait semaphore and the archive's output,
// never what a link there points to) from every folder the note in
// `workingDir` names, then the note.
void removeNotedWorkFiles(std::string_view workingDir, Family family);

}  // namespace qrl
