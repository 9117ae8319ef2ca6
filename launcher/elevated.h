// What the launcher that runs with administrator rights (update.exe) relies
// on before it starts anything: its own folder and every folder above it,
// "Quarlan" with the properties file, the program and the JVM it belongs to
// must be the administrators' alone (common/trust.h). Otherwise any user, or
// malware running as one, could choose what an administrator runs.
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"
#include "common/trust.h"

namespace qrl {

// The first place of an installation that someone besides the administrators
// may change, with the reason; empty when there is none. `propertiesFile`
// lies in the "Quarlan" folder beside the launcher; `jvmHome` holds the
// program's folder (the program's folder itself when it is no JVM).
std::string untrustedPlace(const RightsSource& rights, std::string_view propertiesFile, std::string_view program,
                           std::string_view jvmHome, Family family);

// The environment a JVM reads options from (JAVA_TOOL_OPTIONS,
// JDK_JAVA_OPTIONS, _JAVA_OPTIONS), removed: a user's options never reach a
// JVM started with administrator rights.
void clearJvmOptionVariables();

}  // namespace qrl
