// What differs between the families' launchers: how the properties arguments
// are read, where the properties file is looked for, how the application is
// started and what the exit status says.
#pragma once

#include "common/family.h"

namespace qrl {

struct LauncherPolicy {
    bool spawnsApplication;       // the application is started directly with a Windows command line (else each
                                  // token arrives as one argument of a POSIX program)
    bool splitsLikeWindows;       // %NAME% in the properties arguments expanded, inside each token
    bool shortExecutable;         // an executable path with blanks or quotes is shortened (8.3)
    bool passesArguments;         // the launcher's own arguments follow those of the properties file
    bool startsInBundle;          // a path inside "<name>.app" is cut there and the launcher works beside the bundle
    bool followsLinks;            // started through a symbolic link, the real path names the properties file
    bool tellsMissingProperties;  // an unreadable properties file is named on standard error
    bool exitsWithAppStatus;      // the application's exit status (126/127 when it was not started), else 1 when
                                  // it ran or was reported missing, 0 otherwise
    bool becomesApplication;      // the launcher process becomes the application (its signals, status and process
                                  // id are the application's), else it waits for it and passes TERM, INT, HUP and
                                  // QUIT on
    bool noticesOnStderr;         // notices go to standard error (else to "errors.log", no box)
};

const LauncherPolicy& launcherPolicy(Family family);

}  // namespace qrl
