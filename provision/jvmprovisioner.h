// Providing a JVM when the search found none, one engine for every family:
// the family's JvmDirChooser picks and creates the directory, then one of the
// ways below puts a JVM there, and the result is accepted only when it passes
// the version test. What the families do differently comes from their policy
// (provisionpolicy.h):
// how the kit's archive is started and which modes change, whether the
// launcher is looked for under its windowed name, whether a new JVM is
// registered (JvmRegistration).
//
// Whatever way fails leaves nothing of its JVM behind: no registration and
// none of the directories the run created (a JVM that was found in place and
// reused is never removed).
#pragma once

#include <string>
#include <string_view>

#include "common/logs.h"
#include "common/outcome.h"
#include "provision/jvmlauncher.h"
#include "provision/jvmplaces.h"
#include "provision/jvmrequest.h"
#include "provision/providedjvm.h"
#include "provision/provisionpolicy.h"
#include "provision/provisioncontext.h"

namespace qrl {

class ExecCommand;
struct JvmDirChoice;

// The control file's key that chooses, for the POSIX installer, the vendor
// program over the kit's archive.
inline constexpr const char* kThirdPartyInstallerKey = "jvmThirdPartyInstaller";

// "jvmThirdPartyInstaller" of "qrl.control" (else "__qrlwizard.sem"); false
// when neither says.
bool thirdPartyInstallerSetting(const Logs& logs);

// The JVM home inside the directory an archive was expanded into: a
// "jvmHomeDir" beginning with "./" is appended ("./jre" gives dir + "/jre"),
// any other non-empty value replaces the directory. The result is written with
// the family's separators, without a trailing one ("./" is the directory
// itself).
std::string applyJvmHomeDir(std::string_view dir, std::string_view jvmHomeDir, Family family);

// Each way answers the JVM it provided, or the failure that stopped it; it
// keeps nothing from one call to the next. `homeDirectory` is the family's
// last directory candidate (and where a registered JVM's launchers are
// copied).
class JvmProvisioner {
public:
    JvmProvisioner(Family family, Logs logs, StatusFn showStatus = nullptr);
    JvmProvisioner(Family family, Logs logs, StatusFn showStatus, JvmPlaces places);

    // The kit's archive ("jvmSelfExtractor", a program in the working
    // directory) run in the chosen directory, where it expands itself; the
    // launcher that passed the version test (request.jvmCommandName its name,
    // where the family renames).
    Outcome<ProvidedJvm> expandKitArchive(JvmRequest request, std::string_view homeDirectory) const;
    // A vendor's installer ("jvmInstallerBinary", started as
    // "jvmInstallerCommand" says) run in the chosen directory; see
    // RunJvmInstaller.
    Outcome<ProvidedJvm> runVendorInstaller(JvmRequest request, std::string_view binary,
                                            std::string_view commandLine, std::string_view homeDirectory) const;
    // The program "jvmSelfExtractor" names, run from the working directory
    // through the shell (the POSIX installer's "jvmThirdPartyInstaller"); the
    // JVM it installed is searched for. The request comes back without its
    // predefined and home directories.
    Outcome<ProvidedJvm> runThirdPartyProgram(JvmRequest request, std::string_view homeDirectory) const;
    // A JVM the wizard moved to `jvmDirectory`: its launcher looked for there
    // and, where the family registers JVMs, registered at that place.
    Outcome<JvmLauncher> configureMovedJvm(const JvmRequest& request, std::string_view jvmDirectory,
                                           std::string_view homeDirectory) const;

private:
    // A JVM in its directory, configured, before the final version test.
    struct Placed;

    Outcome<ProvidedJvm> finish(Outcome<Placed> placed, std::string_view homeDirectory) const;
    Outcome<Placed> installCompressedJvm(JvmRequest request, std::string_view homeDirectory) const;
    Outcome<void> expandArchive(const JvmRequest& request, const JvmDirChoice& choice) const;
    Outcome<void> runArchive(ExecCommand& exec, const std::string& command, const std::string& jvmDirectory) const;
    std::vector<std::string> entriesBefore(const JvmDirChoice& choice) const;
    Outcome<std::string> archiveCommand(std::string_view archive) const;
    Outcome<JvmLauncher> configureJvm(const JvmRequest& request, std::string_view jvmDirectory) const;
    void registerJvm(const JvmRequest& request, const JvmLauncher& launcher, std::vector<std::string> adminOnly,
                     std::string_view homeDirectory) const;
    void refreshStatus() const;

    ProvisionContext run_;
    const ProvisionPolicy& policy_;
};

}  // namespace qrl
