// Where a POSIX "predefinedJvmInstallDir" value puts the JVM. "[$AppDir]"
// followed by "/" stands for the working directory: "[$AppDir]/jre" gives
// workingDir + "/jre". Nothing for the bare "[$AppDir]/" and for any other
// value that begins with "[$" (no other variable is known).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qrl {

std::optional<std::string> resolvePredefinedDir(std::string_view setting, std::string_view workingDir);

}  // namespace qrl
