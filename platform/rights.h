// Who besides the system's administrators may change a file or folder, read
// from the object itself: a link or junction is judged as the link, never
// followed. An elevated program relies only on what administrators alone can
// change.
#pragma once

#include <string>

#include "platform/error.h"

namespace platform {

struct ObjectRights {
    bool known = false;             // the object could be opened and its rights read
    bool isLink = false;            // a symbolic link, junction or other reparse point
    bool trustedOwner = false;      // SYSTEM, Administrators or TrustedInstaller (root elsewhere)
    bool othersMayReplace = false;  // another account may delete, rename, re-own or re-permit it (or, for a folder, its entries)
    bool othersMayWrite = false;    // another account may write its data or add entries to it
    Result why;                     // the system's reason when not known
};

ObjectRights objectRights(const std::string& path);

// Whether this process runs with administrator rights (an elevated token;
// root elsewhere).
bool runsElevated();

// Whether this process runs with another user's or group's rights than those
// of whoever started it (a set-user-ID or set-group-ID program); never on
// Windows.
bool runsSetId();

// Creates a folder that is the administrators' alone from its first moment:
// SYSTEM and Administrators full control, Users read and execute, nothing
// inherited, all given in the call that creates it (elsewhere mode 0755).
Result makeAdminOnlyDir(const std::string& path);

}  // namespace platform
