// The JVM step of the run: find a suitable JVM, or provide one.
#include "common/clib.h"
#include "installer/install.h"

namespace qrl {

bool Install::isJvmInstalled() {
    ControlSettings& s = settings_;
    if (!s.searchForJvm.empty() && (stricmp(s.searchForJvm, "no") == 0 || stricmp(s.searchForJvm, "none") == 0)) {
        traceMessage(kTraceLog, "Search for JVM:", s.searchForJvm);
        return false;
    }
    showStatusMessage(3);
    FindJvm finder(family_, places_);
    JvmCriteria criteria{s.requiredVersion, s.minVersion, s.maxVersion};
    bool found = family_ == Family::Mac
                     ? finder.isJvmInstalled(criteria, s.jvmCommandName, jvmCommand_)
                     : finder.isJvmInstalled(homeDirectory_, criteria, s.jvmName, s.jvmCommandName, jvmCommand_,
                                             s.searchForJvm);
    if (!found) {
        traceMessage(kTraceLog, "Correct version of JVM was not found in common locations");
        return false;
    }
    traceMessage(kTraceLog, "Found correct version of JVM:", jvmCommand_);
    jvmHome_ = getJavaHomeDir();
    logJvmLocation(false, "", false);
    return true;
}

bool Install::installTheJvm() {
    // Expanding a JVM shipped with the kit is not part of this installer yet.
    traceMessage(kTraceLog, "installing a JVM from the kit is not supported by this installer");
    return false;
}

}  // namespace qrl
