// What a way of providing a JVM gave the run: the launcher that passed the
// version test and the request as the way left it.
#pragma once

#include <string>

#include "provision/jvmrequest.h"

namespace qrl {

struct ProvidedJvm {
    std::string command;      // the full path of the launcher
    bool installed = false;   // this run put a new JVM in place
    bool discovered = false;  // a suitable JVM was found where the new one would have gone, and reused
    // The request as the run changed it: the launcher's name (where the
    // family renames), and, for the vendor ways, no predefined or home
    // directory (that JVM lives where its installer put it).
    JvmRequest request;
};

}  // namespace qrl
