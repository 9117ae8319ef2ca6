// Whether a JVM folder is the administrators' alone: inside a directory the
// run created so (`adminOnlyCreated`), or, read back, owned by them with no
// write right for anyone else and nothing above it others may replace. Only
// such a JVM is reused or registered machine-wide by the Windows family.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/trust.h"

namespace qrl {

bool adminOnlyFolder(std::string_view dir, const std::vector<std::string>& adminOnlyCreated,
                     const RightsSource* rights);

}  // namespace qrl
