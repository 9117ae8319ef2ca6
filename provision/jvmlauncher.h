// A JVM launcher a step found: the name it answers to from then on ("java",
// "javaw.exe") and its full path.
#pragma once

#include <string>

namespace qrl {

struct JvmLauncher {
    std::string name;
    std::string path;
};

}  // namespace qrl
