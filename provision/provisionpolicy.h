// How each family provides a JVM when the search found none: where the new
// JVM's directory is chosen, how the kit's archive runs, which modes change,
// whether the result is registered, and how a vendor's installer is judged.
#pragma once

#include "common/family.h"

namespace qrl {

struct ProvisionPolicy {
    bool jvmDirsOfWindows;      // a new JVM's directory is chosen among the Windows folders (else among the
                                // POSIX candidates)
    bool kitArchiveSpawned;     // the kit's JVM archive is started directly (its short path where it holds
                                // blanks) and no modes change; else through the shell, its output to "__temp.log"
    bool jvmTreeModes;          // what a kit's archive or vendor installer made below the JVM directory gets
                                // 0755 throughout (else only the directory's own entries)
    bool registersJvm;          // a new JVM that passed the version test is registered and its launcher pair
                                // copied to the home directory, as "configureWinRegistry" allows
    bool windowsLauncherNames;  // a "jre" name stands for "java.exe" ("javaw.exe" when tracing), and the name
                                // found is the one used from then on (else "java")
    bool vendorRestartIsSuccess;  // a vendor's JVM installer answering 3010 or 1641 (restart needed) succeeded
    bool vendorReasonLine;        // its failure is logged as "Error running JVM installer: <reason>" (else
                                  // only an exit status that is not 0 is told)
};

const ProvisionPolicy& provisionPolicy(Family family);

}  // namespace qrl
