// Providing a JVM when the search found none, one engine for every family:
// the family's JvmDirChooser picks and creates the directory, then one of the
// ways below puts a JVM there, and the result is accepted only when it passes
// the version test. What the families do differently comes from their rules:
// how the kit's archive is started and which modes change, whether the
// launcher is looked for under its windowed name, whether a new JVM is
// registered (JvmRegistration).
//
// Whatever way fails leaves nothing of its JVM behind: no registration and
// none of the directories the run created (a JVM that was found in place and
// reused is never removed).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/familyrules.h"
#include "common/logs.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmrequest.h"

namespace qrl {

class ExecCommand;

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

class JvmProvisioner {
public:
    JvmProvisioner(Family family, Logs logs, StatusFn showStatus = nullptr);
    JvmProvisioner(Family family, Logs logs, StatusFn showStatus, JvmPlaces places);
    ~JvmProvisioner();

    // The kit's archive ("jvmSelfExtractor", a program in the working
    // directory) run in the chosen directory, where it expands itself. On
    // success `jvmCommand` is the full path of the launcher that passed the
    // version test (request.jvmCommandName its name, where the family
    // renames); on failure it is empty.
    bool expandKitArchive(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory);
    // A vendor's installer ("jvmInstallerBinary", started as
    // "jvmInstallerCommand" says) run in the chosen directory; see
    // RunJvmInstaller.
    bool runVendorInstaller(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                            std::string& jvmCommand, std::string_view homeDirectory);
    // The program "jvmSelfExtractor" names, run from the working directory
    // through the shell (the POSIX installer's "jvmThirdPartyInstaller"); the
    // JVM it installed is searched for. Clears the request's predefined and
    // home directories on success.
    bool runThirdPartyProgram(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory);
    // A JVM the wizard moved to `jvmDirectory`: its launcher looked for there
    // and, where the family registers JVMs, registered at that place.
    bool configureMovedJvm(JvmRequest request, std::string_view jvmDirectory, std::string_view homeDirectory);

    // True when the last run put a new JVM in place; discovered when it
    // found a suitable one where the new one would have gone, and reused it.
    bool installed() const { return installed_; }
    bool discovered() const { return discovered_; }

private:
    void begin(std::string_view homeDirectory);
    bool finish(JvmRequest& request, bool ok, const std::string& jvmDirectory, std::string& jvmCommand);
    bool installCompressedJvm(JvmRequest& request, std::string& jvmCommand, std::string& jvmDirectory);
    bool expandArchive(const JvmRequest& request, const std::string& jvmDirectory);
    bool runArchive(ExecCommand& exec, const std::string& command, const std::string& jvmDirectory);
    std::vector<std::string> entriesBefore(const std::string& jvmDirectory) const;
    bool archiveCommand(std::string_view archive, std::string& command);
    bool configureJvm(JvmRequest& request, std::string_view jvmDirectory);
    void registerJvm(const JvmRequest& request);

    ProvisionContext run_;
    const FamilyRules& rules_;
    std::string home_;
    std::unique_ptr<JvmDirChooser> chooser_;
    bool installed_ = false;
    bool discovered_ = false;
    // What registration waits for: the final version test.
    bool registerAfterTest_ = false;
    std::string launcher_;
    std::string launcherPath_;
};

}  // namespace qrl
