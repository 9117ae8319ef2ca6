// What the installer does for a JVM once its search has answered: use the
// JVM found, provide one the way the family and the kit say, or give up with
// the texts the user is told. The decision is a pure function of values
// gathered beforehand; the installer's JVM step carries it out and
// "kitcheck --jvm" tells it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "installer/controlfile.h"
#include "jvm/jvmverdicts.h"

namespace qrl {

// How each family provides a JVM when the search found none.
enum class JvmProvisioning {
    ByInstallerType,             // "jvmInstallerType": the kit's archive or a vendor's installer in the Windows
                                 // directories, registered in the registry; the security files only after a
                                 // JVM was newly put in place
    ByInstallerTypeInPosixDirs,  // "jvmInstallerType", in the POSIX directory candidates (macOS)
    InstallJvm,                  // the kit's archive, or the vendor program "jvmThirdPartyInstaller" asks for;
                                 // the security files after every run that found or installed a JVM
};

struct JvmPlanPolicy {
    JvmProvisioning way;
    bool checksOsForKitJvm;  // the system's release is checked before the kit's own JVM is installed
};

const JvmPlanPolicy& jvmPlanPolicy(Family family);

// The versions the control file asks for, as the failure texts name them:
// the required version, "min - max", or "min or a later version".
std::string versionText(const ControlSettings& s);

// Whether the installer searches for a JVM: unless "searchForJvm" says
// "no" or "none".
bool searchesForJvm(const ControlSettings& s);

// What the plan depends on beyond the settings and the family.
struct JvmPlanFacts {
    std::string found{};                    // the launcher the search accepted; empty: none
    bool searched = false;                  // the search ran ("searchForJvm" did not say no)
    std::vector<JvmCandidate> candidates{}; // its verdicts
    bool archiveInKit = false;              // the kit holds jvmSelfExtractor
    bool installerInKit = false;            // the kit holds jvmInstallerBinary
    bool osNewEnough = true;                // the system can take the kit's JVM
    bool thirdPartyInstaller = false;       // jvmThirdPartyInstaller: the kit's program installs the JVM
};

// Where the facts come from: the kit's files, the system's version and the
// control file's flag. Each is asked only when the plan depends on it (the
// system's version check leaves its lines in the trace).
struct JvmPlanSources {
    std::function<bool(const std::string& kitFile)> inKit;
    std::function<bool()> osNewEnough;
    std::function<bool()> thirdPartyInstaller;
};
// `facts` holds what the search answered; the rest is filled in from
// `sources`.
JvmPlanFacts gatherPlanFacts(const ControlSettings& s, Family family, JvmPlanFacts facts,
                             const JvmPlanSources& sources);

enum class JvmPlanKind {
    UseFound,           // the JVM the search found runs the wizard
    ExpandArchive,      // the kit's JVM archive is expanded
    VendorInstaller,    // the JVM vendor's installer runs, then the JVM is searched again
    ThirdPartyProgram,  // the kit's archive is a program that installs the JVM itself
    GiveUp,             // no JVM: the user is told why
};

struct JvmPlan {
    JvmPlanKind kind = JvmPlanKind::GiveUp;
    std::string launcher;  // UseFound
    std::string file;      // the kit's archive, vendor installer or program
    // GiveUp: the texts in front of the user, and what a report adds to the
    // message or the details in the kit's own terms.
    std::string message;
    std::string details;
    std::string messageNote;
    std::string detailsNote;
    // GiveUp: the search ran and accepted no JVM (its verdicts explain why),
    // and the candidate that came nearest, which the message names.
    bool searchFailed = false;
    std::optional<JvmCandidate> nearestMiss;
    JvmCriteria criteria;

    // The message as the installer tells it, in the user's language, and
    // with the note as a report tells it.
    std::string userMessage(std::string_view language) const;
    std::string reportMessage() const;
    std::string reportDetails() const;
};

JvmPlan planJvm(const ControlSettings& s, Family family, const JvmPlanFacts& facts);

}  // namespace qrl
