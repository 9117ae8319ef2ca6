// The machine's JVM search as the launchers' repair step uses it: the registry
// on Windows (JVM name "JRE", executable name "jre"), the JVM roots and the
// usual places on macOS and POSIX systems (executable name "jre").
#pragma once

#include "launcher/properties.h"

namespace qrl {

JvmFinder systemJvmFinder(Family family);

}  // namespace qrl
