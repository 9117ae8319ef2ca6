// The directory a new JVM goes to (the kit's archive is expanded there, a
// vendor's installer runs there), created with the parents it needs. Each
// family has its own candidates (WinJvmDirChooser, PosixJvmDirChooser); what
// follows them is common: the "jvm" subtree below each entry of the search
// path, then below the working directory.
//
// The subtree is jvm/<name><major.minor>/<major.minor> ("jvm/jre1.3/1.3" for
// the JRE 1.3.1). A candidate that already holds a JVM passing the version
// test is reused (the "discovered" outcome): nothing needs to be installed
// there. Every directory a choice creates is remembered, so that a JVM that
// fails leaves none of them behind.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "common/trust.h"
#include "provision/jvmrequest.h"

namespace qrl {

// The Windows folders the candidates start from. A value that is set replaces
// the system's; tests (or a site) set them through the environment:
// QUARLAN_PROGRAM_FILES and QUARLAN_USER_PROGRAMS (the Windows directory is
// platform::windowsDirectory's, QUARLAN_WINDOWS_DIR).
struct WindowsFolders {
    std::optional<std::string> programFiles;  // else "ProgramFilesDir" of the registry
    std::optional<std::string> userPrograms;  // else the user's programs folder, else documents
    const RightsSource* rights = nullptr;     // whose answers about rights count (the system's when null)

    static WindowsFolders fromEnvironment();

    // The Program Files directory; nothing when neither the setting nor the
    // registry names one.
    std::optional<std::string> programFilesDir(const Logs& logs) const;
    // The user's own programs folder (never the public documents every user
    // of the machine may write to).
    std::optional<std::string> userProgramsDir(const Logs& logs) const;
};

// The places provisioning puts and looks for a JVM; each family reads its own.
struct JvmPlaces {
    SearchPlaces search;                  // the search after a vendor's installer ran
    std::vector<std::string> systemDirs;  // the POSIX directory candidates
    WindowsFolders folders;               // the Windows folders

    static JvmPlaces defaults(Family family);
    // The system's candidates and folders with the given search places.
    static JvmPlaces searching(SearchPlaces search);
};

// What one provisioning run works with.
struct ProvisionContext {
    Family family;
    Logs logs;
    StatusFn showStatus;
    JvmPlaces places;
    std::string workingDir;  // the kit's directory, where the run started
};

// The POSIX system directories a new JVM may be put below, in the order they
// are tried: /usr/local/bin, /usr/local, /usr/share, /usr/bin, /usr, /opt,
// /bin. The environment variable QUARLAN_INSTALL_DIRS replaces them (a
// ":"-separated list; an empty value is an empty list).
std::vector<std::string> installDirCandidates();

// Where a POSIX "predefinedJvmInstallDir" value puts the JVM. "[$AppDir]"
// followed by "/" stands for the working directory: "[$AppDir]/jre" gives
// workingDir + "/jre". False (and `dir` empty) for the bare "[$AppDir]/" and
// for any other value that begins with "[$" (no other variable is known).
bool resolvePredefinedDir(std::string_view setting, std::string_view workingDir, std::string& dir);

// Whether a JVM folder is the administrators' alone: inside a directory the
// run created so (`adminOnlyCreated`), or, read back, owned by them with no
// write right for anyone else and nothing above it others may replace. Only
// such a JVM is reused or registered machine-wide by the Windows family.
bool adminOnlyFolder(std::string_view dir, const std::vector<std::string>& adminOnlyCreated,
                     const RightsSource* rights);

class JvmDirChooser {
public:
    // The family's chooser.
    static std::unique_ptr<JvmDirChooser> forFamily(Family family, Logs logs, const JvmPlaces& places);
    virtual ~JvmDirChooser() = default;

    // Chooses and creates the directory; `dir` receives it. When discovered(),
    // `jvmCommand` is the launcher of the JVM found there (and
    // request.jvmCommandName the name accepted). `homeDirectory` is the last
    // of the family's candidates.
    bool choose(JvmRequest& request, std::string_view homeDirectory, std::string& dir, std::string& jvmCommand);
    bool discovered() const { return discovered_; }

    // The directories the last choice created (each the outermost of its
    // tree), in the order they were made, and those of them made for the
    // administrators alone.
    const std::vector<std::string>& createdDirectories() const { return created_; }
    const std::vector<std::string>& adminOnlyDirectories() const { return adminOnly_; }
    // Removes what the choice created (for a JVM that failed).
    void removeCreatedDirectories();

protected:
    JvmDirChooser(Family family, Logs logs);

    // The family's candidates, tried before the search path.
    virtual bool chooseFamilyDir(JvmRequest& request, std::string& dir, std::string& jvmCommand) = 0;
    // The search path's entries as the family reads them.
    virtual std::vector<std::string> searchPathEntries(std::string_view path) const = 0;
    // Called before the working directory's subtree is tried.
    virtual void beforeWorkingDir() {}
    // Whether the predefined directory is refused (told in the errors log).
    virtual bool refused(std::string_view dir) = 0;
    // Whether a JVM found in `dir` may be reused at all.
    virtual bool mayReuse(std::string_view) { return true; }
    // Creates one directory (its parent exists).
    virtual bool makeDirectory(const std::string& path) = 0;

    // The predefined directory with every parent it needs.
    bool createPredeterminedJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    // The "jvm" subtree below `dir`; `dir` becomes its leaf.
    bool createJvmSubdirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    bool foundValidJvm(JvmRequest& request, std::string_view dir, std::string& jvmCommand);
    // Creates dir/name (name alone for an empty dir); on success dir is the
    // new path. An existing directory counts as success.
    bool addDirectory(std::string& dir, std::string_view name);
    bool addDirectory(std::string_view path);

    const Family family_;
    Logs logs_;
    const std::string workingDir_;
    std::string home_;
    std::vector<std::string> created_;
    std::vector<std::string> adminOnly_;
    bool discovered_ = false;

private:
    bool insideCreated(std::string_view path) const;
};

}  // namespace qrl
