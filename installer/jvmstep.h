// The JVM step of an installation run: find a suitable JVM, or provide one as
// the kit says (its archive, or a vendor's installer), and record it in
// "native.properties" for the wizard.
#pragma once

#include <string>
#include <string_view>

#include "installer/installrun.h"
#include "jvm/findjvm.h"
#include "jvm/jvmverdicts.h"
#include "provision/jvmprovisioner.h"

namespace qrl {

// The versions the control file asks for, as the failure texts name them:
// the required version, "min - max", or "min or a later version".
std::string versionText(const ControlSettings& s);

class JvmStep {
public:
    JvmStep(InstallRun& run, SearchPlaces places);

    // The search of the common places: true when a suitable JVM was found;
    // it then runs the wizard.
    bool find();
    // Provides a JVM the way the family and the kit say; on failure the run's
    // failure texts name what is missing, and no launcher is left.
    bool provide();
    // A JVM for the wizard: the one found, else one provided now
    // (`providedNow`), with the kit's Java security files where the family
    // adds them to every JVM (only the Java Plug-in cannot do without them).
    bool ensure(bool& providedNow);

    // After the wizard has moved the JVM the run installed to its final
    // place `location`: configured (and registered where the family does)
    // there, without progress texts.
    static void configureMoved(InstallRun& run, const std::string& location);

private:
    // The checks and texts all ways of providing a JVM share: no file named,
    // the file missing, or `provision` failing.
    bool provideFrom(std::string_view versionText, const std::string& file, bool (JvmStep::*provision)());
    // The kit's archive: in the Windows directories, or in the POSIX
    // directory candidates.
    bool extractJvm();
    bool installJvm();
    // A vendor's installer.
    bool runVendorInstaller();
    // The engine for this run's ways, showing its progress texts.
    JvmProvisioner provisionerWithStatus();
    // After a provisioning step: its launcher runs the wizard (and its home is
    // the one the wizard is told), or, when it failed, no launcher is left.
    bool useProvidedJvm(bool ok, const std::string& command);
    std::string javaHomeDir() const;
    // Whether the JVM may be registered ("configureWinRegistry"; never
    // outside the Windows installer).
    bool configureWinReg();
    // The kit's Java security files for the JVM found or installed; `plugin`
    // asks for existing files to be replaced (with backups).
    bool addSecurity(bool plugin);
    bool isPlugin() const;
    void notFoundTexts(std::string_view versionText);
    void missingFileTexts(std::string_view versionText);
    void installFailedTexts();

    // The search found no JVM the run could use: its verdicts go to the
    // error log, and the message names the nearest miss.
    void explainSearch();

    InstallRun& run_;
    const FamilyRules& rules_;
    SearchPlaces places_;
    JvmVerdicts verdicts_;  // of the last search
    bool searched_ = false;
};

}  // namespace qrl
