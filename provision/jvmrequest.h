// What a kit asks of JVM provisioning, as its control file says it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jvm/findjvm.h"
#include "jvm/jvmok.h"

namespace qrl {

// Provisioning may rewrite jvmCommandName (the launcher found), and the vendor
// ways clear predefinedJvmInstallDir and jvmHomeDir (that JVM lives where its
// installer put it).
struct JvmRequest {
    JvmCriteria criteria;
    std::string jvmVersion;
    std::string jvmName;
    std::string jvmCommandName;
    std::string jvmSelfExtractor;
    std::string predefinedJvmInstallDir;
    std::string jvmHomeDir;
};

// Puts a progress text in front of the user ("1" only refreshes the display).
using StatusFn = std::function<void(std::string_view)>;

}  // namespace qrl
