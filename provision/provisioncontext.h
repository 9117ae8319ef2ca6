// What one provisioning run works with.
#pragma once

#include <string>

#include "common/family.h"
#include "common/logs.h"
#include "provision/jvmplaces.h"
#include "provision/jvmrequest.h"

namespace qrl {

struct ProvisionContext {
    Family family;
    Logs logs;
    StatusFn showStatus;
    JvmPlaces places;
    std::string workingDir;  // the kit's directory, where the run started
};

}  // namespace qrl
