// The JVM step of an installation run: search for a suitable JVM, plan what
// to do with the answer (installer/jvmplan.h) and carry the plan out, and
// record the JVM in "native.properties" for the wizard.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/outcome.h"
#include "installer/installrun.h"
#include "installer/jvmplan.h"
#include "jvm/findjvm.h"
#include "jvm/jvmverdicts.h"
#include "provision/jvmprovisioner.h"

namespace qrl {

// The JVM that runs the wizard.
struct WizardJvm {
    std::string command;       // its launcher
    std::string home;          // its home, as the wizard is told
    bool providedNow = false;  // the run installed it (it was not found)
};

class JvmStep {
public:
    JvmStep(InstallRun& run, SearchPlaces places);

    // A JVM for the wizard: the one the search found, else one provided the
    // way the plan says, with the kit's Java security files where the family
    // adds them to every JVM (only the Java Plug-in cannot do without them).
    Outcome<WizardJvm> ensure();
    // A JVM provided the way the family and the kit say, whatever the search
    // found (the JVM found could not run the wizard); the failure names what
    // is missing.
    Outcome<WizardJvm> provide();

    // After the wizard has moved the JVM the run installed to its final
    // place `location`: configured (and registered where the family does)
    // there, without progress texts.
    static void configureMoved(InstallRun& run, const std::string& location);

private:
    // The search of the common places: the launcher found, if any.
    std::optional<std::string> search();
    JvmPlan plan(const std::string& found);
    Outcome<WizardJvm> carryOut(const JvmPlan& plan);
    // The kit's archive, or (POSIX) the kit's program that installs a JVM.
    Outcome<WizardJvm> expandArchive();
    Outcome<WizardJvm> runThirdPartyProgram();
    // A vendor's installer.
    Outcome<WizardJvm> runVendorInstaller();
    // The engine for this run's ways, showing its progress texts.
    JvmProvisioner provisionerWithStatus();
    // After the kit's archive or program: the settings it completed are kept
    // for the wizard and the clean-up, and its JVM recorded.
    Outcome<WizardJvm> installedJvm(const Outcome<ProvidedJvm>& provided, bool registry);
    // After a provisioning step: its launcher runs the wizard and its home is
    // the one the wizard is told; when it failed, the texts say so.
    Outcome<WizardJvm> providedJvm(bool ok, const std::string& command);
    std::string javaHomeDir(const std::string& launcher) const;
    // Whether the JVM may be registered ("configureWinRegistry"; never
    // outside the Windows installer).
    bool configureWinReg();
    // The kit's Java security files for the JVM at `jvmHome`; `plugin` asks
    // for existing files to be replaced (with backups).
    bool addSecurity(const std::string& jvmHome, bool plugin);
    bool isPlugin() const;
    Failure installFailed() const;

    InstallRun& run_;
    const JvmPlanPolicy& policy_;
    SearchPlaces places_;
    JvmVerdicts verdicts_;  // of the last search
    bool searched_ = false;
};

}  // namespace qrl
