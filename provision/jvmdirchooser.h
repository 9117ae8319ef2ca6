// The directory a new JVM goes to (the kit's archive is expanded there, a
// vendor's installer runs there), created with the parents it needs. Each
// family has its own candidates (WinDirChoice, PosixDirChoice); what follows
// them is common: the "jvm" subtree below each entry of the search path, then
// below the working directory.
//
// The subtree is jvm/<name><major.minor>/<major.minor> ("jvm/jre1.3/1.3" for
// the JRE 1.3.1). A candidate that already holds a JVM passing the version
// test is reused (the "discovered" outcome): nothing needs to be installed
// there. Every directory a choice creates is part of its answer, so that a
// JVM that fails leaves none of them behind; a choice that fails takes them
// back itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logs.h"
#include "common/outcome.h"
#include "provision/jvmlauncher.h"
#include "provision/jvmplaces.h"
#include "provision/jvmrequest.h"

namespace qrl {

// The directory chosen, and what the choice made and found on its way.
struct JvmDirChoice {
    std::string dir;
    // A JVM that passed the version test was there: `launcher` is its
    // launcher, under the name accepted.
    bool discovered = false;
    JvmLauncher launcher;
    // The directories the choice created (each the outermost of its tree), in
    // the order they were made, and those of them made for the
    // administrators alone.
    std::vector<std::string> created;
    std::vector<std::string> adminOnly;
};

class JvmDirChooser {
public:
    // `workingDir`: the kit's directory, the last candidate.
    JvmDirChooser(Family family, Logs logs, JvmPlaces places, std::string workingDir);

    // Chooses and creates the directory. `homeDirectory` is the last of the
    // family's candidates. A failure's details name the directory tried last.
    Outcome<JvmDirChoice> choose(const JvmRequest& request, std::string_view homeDirectory) const;

    // Whether the family's new JVMs go below the Windows folders (else among
    // the POSIX candidates).
    static bool inWindowsFolders(Family family);

private:
    Family family_;
    Logs logs_;
    JvmPlaces places_;
    std::string workingDir_;
};

// Removes what a choice created (for a JVM that failed), the last made first.
void removeCreatedDirectories(const std::vector<std::string>& created, Family family, const Logs& logs);

}  // namespace qrl
