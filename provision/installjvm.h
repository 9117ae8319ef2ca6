// Providing a JVM when the search found none (POSIX installer): choose and
// create a directory for it, expand the JVM archive the kit ships there (or
// run a JVM vendor's installer), make sure a launcher is there, and accept the
// result only when it passes the version test.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/execcmd.h"
#include "common/family.h"
#include "common/logs.h"
#include "jvm/findjvm.h"
#include "jvm/jvmok.h"

namespace qrl {

// The control file's key that chooses the vendor installer over the archive.
inline constexpr const char* kThirdPartyInstallerKey = "jvmThirdPartyInstaller";

// The system directories a new JVM may be put below, in the order they are
// tried: /usr/local/bin, /usr/local, /usr/share, /usr/bin, /usr, /opt, /bin.
// The environment variable QUARLAN_INSTALL_DIRS replaces them (a
// ":"-separated list; an empty value is an empty list).
std::vector<std::string> installDirCandidates();

// Where a "predefinedJvmInstallDir" value puts the JVM. "[$AppDir]" followed
// by "/" stands for the working directory: "[$AppDir]/jre" gives
// workingDir + "/jre". False (and `dir` empty) for the bare "[$AppDir]/" and
// for any other value that begins with "[$" (no other variable is known).
bool resolvePredefinedDir(std::string_view setting, std::string_view workingDir, std::string& dir);

// The JVM home inside the directory an archive was expanded into: a
// "jvmHomeDir" beginning with "./" is appended ("./jre" gives dir + "/jre"),
// any other non-empty value replaces the directory. Trailing separators are
// dropped, so "./" is the directory itself.
std::string applyJvmHomeDir(std::string_view dir, std::string_view jvmHomeDir);

// What the kit asks for, as the control file says it. Provisioning may
// rewrite jvmCommandName (the launcher found), and the vendor path clears
// predefinedJvmInstallDir and jvmHomeDir (that JVM lives where its installer
// put it).
struct JvmRequest {
    JvmCriteria criteria;
    std::string jvmVersion;
    std::string jvmName;
    std::string jvmCommandName;
    std::string jvmSelfExtractor;
    std::string predefinedJvmInstallDir;
    std::string jvmHomeDir;
};

class InstallJvm {
public:
    // `showStatus` puts a progress text in front of the user ("1" only
    // refreshes the display). The directory candidates and the search places
    // default to the system's.
    using StatusFn = std::function<void(std::string_view)>;
    InstallJvm(Family family, Logs logs, StatusFn showStatus);
    InstallJvm(Family family, Logs logs, StatusFn showStatus, std::vector<std::string> systemDirs,
               SearchPlaces places);

    // Provides the JVM: the vendor installer when the control file says
    // "jvmThirdPartyInstaller=true", else the kit's archive. On success
    // `jvmCommand` is the full path of the launcher that passed the version
    // test; on failure it is empty and no directory this call created is left.
    bool installJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory);
    // True when the last installJvm put a new JVM in place (not a reused one).
    bool jvmInstalledOk() const { return installed_; }
    // True when the last installJvm found a suitable JVM where it would have
    // put the new one, and reused it.
    bool jvmDiscovered() const { return discovered_; }

    // "jvmThirdPartyInstaller" of "qrl.control" (else "__qrlwizard.sem").
    bool thirdPartyInstaller();
    // installJvm then always expands the kit's archive (the caller has chosen
    // that way already).
    void kitArchiveOnly() { archiveOnly_ = true; }
    // The home directory, the last of the directory candidates.
    void setHomeDirectory(std::string_view dir) { home_ = dir; }

    // The kit's archive, expanded into the chosen directory; `jvmDirectory`
    // receives the JVM's home.
    bool installCompressedJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory,
                              std::string& jvmDirectory);
    // The archive's full path in the working directory (the name after its
    // last "/"); false when that file is missing.
    bool getJvmInstallerCommand(std::string_view archive, std::string& command);
    // Finds the launcher of a JVM directory: dir/name, dir/java (for a name
    // beginning with "jre"), dir/bin/name, dir/bin/java.
    bool configureJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view jvmCommandName,
                      std::string_view jvmDirectory, std::string_view homeDirectory);

    // The vendor installer (the file "jvmSelfExtractor" names), run from the
    // working directory; the JVM it installs is then searched for.
    bool installThirdPartyJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory,
                              std::string& jvmDirectory);
    bool searchForJvm(const JvmCriteria& criteria, std::string_view jvmName, std::string& jvmCommandName,
                      std::string& jvmCommand, std::string_view homeDirectory);

    // The directory for the new JVM: the predefined one, a "jvm" subtree
    // below a system directory, the home directory, a search path entry, the
    // working directory. `discovered` tells whether it already holds a JVM
    // that passes the version test (then `jvmCommand` is its launcher).
    bool createJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand, bool& discovered);
    bool makeJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand, bool& discovered);
    bool createPredeterminedJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand,
                                         bool& discovered);
    bool createJvmSubdirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand, bool& discovered);
    bool foundValidJvm(const JvmCriteria& criteria, std::string& jvmCommandName, std::string_view dir,
                       std::string& jvmCommand);
    // Creates dir/name (name alone when dir is empty); on success dir is the
    // new path. An existing directory counts as success.
    bool addDirectory(std::string& dir, std::string_view name);
    bool addDirectory(std::string_view path);
    // chmod of every entry of dir (not recursive, the directory itself
    // included, never its parent, never through a link) except the names in
    // `untouched`: what was there before this run's archive expanded ("."
    // for the directory itself).
    bool setPermissionsForDir(std::string_view dir, unsigned mode, const std::vector<std::string>& untouched = {});

    // The directories the last installJvm created (each the outermost of
    // its tree), in the order they were made.
    const std::vector<std::string>& createdDirectories() const { return created_; }

private:
    void removeCreatedDirectories();

    Family family_;
    Logs logs_;
    StatusFn showStatus_;
    std::vector<std::string> systemDirs_;
    SearchPlaces places_;
    std::string workingDir_;
    std::string home_;
    std::vector<std::string> created_;
    bool installed_ = false;
    bool discovered_ = false;
    bool archiveOnly_ = false;
};

// The entries of a directory (without "." and ".."), to tell afterwards what
// a program run in it has added.
std::vector<std::string> entryNames(std::string_view dir);
// Gives what was added to `dir` since `before` was listed the mode 0755
// throughout (links neither changed nor followed).
void setModesOfNewEntries(ExecCommand& exec, std::string_view dir, const std::vector<std::string>& before);

}  // namespace qrl
