// The machine's JVM search as the launchers' repair step uses it: the registry
// on Windows (JVM name "JRE", executable name "jre"), the JVM roots and the
// usual places on macOS and POSIX systems (executable name "jre").
#pragma once

#include "launcher/properties.h"

namespace qrl {

// The search traces into `logs` (the installers' "jinstall.log" where the
// launcher starts).
JvmFinder systemJvmFinder(Family family, Logs logs);

}  // namespace qrl
