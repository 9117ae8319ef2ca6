#include "provision/provisionpolicy.h"

namespace qrl {

const ProvisionPolicy& provisionPolicy(Family family) {
    static const ProvisionPolicy windows{.jvmDirsOfWindows = true,
                                         .kitArchiveSpawned = true,
                                         .jvmTreeModes = false,
                                         .registersJvm = true,
                                         .windowsLauncherNames = true,
                                         .vendorRestartIsSuccess = true,
                                         .vendorReasonLine = true};
    static const ProvisionPolicy posix{.jvmDirsOfWindows = false,
                                       .kitArchiveSpawned = false,
                                       .jvmTreeModes = false,
                                       .registersJvm = false,
                                       .windowsLauncherNames = false,
                                       .vendorRestartIsSuccess = false,
                                       .vendorReasonLine = false};
    static const ProvisionPolicy mac{.jvmDirsOfWindows = false,
                                     .kitArchiveSpawned = false,
                                     .jvmTreeModes = true,
                                     .registersJvm = false,
                                     .windowsLauncherNames = false,
                                     .vendorRestartIsSuccess = false,
                                     .vendorReasonLine = false};
    return byFamily(family, windows, posix, mac);
}

}  // namespace qrl
