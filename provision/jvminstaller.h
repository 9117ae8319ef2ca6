// The directory a Windows installer puts a new JVM into (the kit's archive is
// expanded there, a vendor's installer runs there), created with all missing
// parents. The candidates, the first that yields a directory winning:
//   1. the control file's "predefinedJvmInstallDir", which may begin with
//      "[$ProgFilesDir]", "[$WinDir]" or "[$AppDir]";
//   2. the programs directory: JavaSoft\JRE1.3\1.3.1 (for the names "JRE",
//      "JDK" and "Java Plug-in"; JVM1.3 for any other name, Java1.3 when that
//      cannot be made);
//   3. the jvm subtree (jvm\jre1.3\1.3) below the drive of the programs
//      directory, then below the home directory (the Windows directory);
//   4. the jvm subtree below each entry of the search path;
//   5. the jvm subtree below the working directory.
// A candidate that already holds a JVM passing the version test is reused
// (the "discovered" outcome): nothing needs to be installed there. Only a
// folder that is the administrators' alone is reused: one that others may
// change could hold anything. A run with administrator rights creates every
// directory with an access list of its own (administrators full control,
// users read and execute) in the same call.
//
// The programs directory is Program Files while it can be written. Where it
// cannot (a user without administrator rights on Windows Vista and later),
// the JVM goes to the user's own programs folder (%LOCALAPPDATA%\Programs,
// else the user's documents): a place only that user (and administrators)
// can write, never a folder every user of the machine can change, since the
// installer and later the launchers run the java.exe found there.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "common/trust.h"
#include "provision/installjvm.h"

namespace qrl {

// The system folders the candidates start from. A value that is set replaces
// the system's; tests (or a site) set them through the environment:
// QUARLAN_PROGRAM_FILES, QUARLAN_WINDOWS_DIR and QUARLAN_USER_PROGRAMS.
struct WindowsFolders {
    std::optional<std::string> programFiles;  // else "ProgramFilesDir" of the registry
    std::optional<std::string> windowsDir;    // else "SystemRoot" (and the like) of the registry
    std::optional<std::string> userPrograms;  // else the user's programs folder, else documents
    const RightsSource* rights = nullptr;     // whose answers about rights count (the system's when null)

    static WindowsFolders fromEnvironment();
};

class JvmInstaller {
public:
    explicit JvmInstaller(Logs logs, WindowsFolders folders = WindowsFolders::fromEnvironment());

    void setHomeDirectory(std::string_view dir) { home_ = dir; }
    bool isJvmDiscovered() const { return discovered_; }

    // Chooses and creates the directory; `dir` receives it. When a JVM that
    // passes the version test was discovered there, `jvmCommand` is its
    // launcher (and request.jvmCommandName the name accepted).
    bool createJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    bool makeJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    // A "predefinedJvmInstallDir" value resolved into a directory name.
    bool getNewJvmInstallerTo(std::string_view setting, std::string& out);
    // `setting` is `variable` + "\" + rest: `resolved` + "\" + rest.
    bool getVariableDir(std::string_view variable, std::string_view resolved, std::string_view setting,
                        std::string& result);
    bool createPredeterminedJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    bool createWinJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    bool createJvmSubdirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    bool foundValidJvm(JvmRequest& request, std::string_view dir, std::string& jvmCommand);
    // Creates dir\name (name alone for an empty dir); on success dir is the
    // new path. An existing directory counts as success.
    bool addDirectory(std::string& dir, std::string_view name);
    bool addDirectory(std::string_view path);
    // Removes the "jvm" subtree an earlier run left below dir.
    void deleteTempJvmDir(std::string_view dir);

    bool getProgramsDirectory(std::string& out);
    bool getProgramFilesDirectory(std::string& out);
    bool getDocumentsDirectory(std::string& out);
    bool getWindowsDirectory(std::string& out);
    bool isVistaOrWindows7();
    bool isWinNT();

    // The directories this object created (each the outermost of its tree),
    // in the order they were made, and their removal (for a JVM that failed).
    const std::vector<std::string>& createdDirectories() const { return created_; }
    // The directories this run created as the administrators' alone (an
    // elevated run creates every directory so).
    const std::vector<std::string>& adminOnlyDirectories() const { return adminOnly_; }
    void removeCreatedDirectories();

private:
    bool refused(std::string_view dir);

    Logs logs_;
    WindowsFolders folders_;
    std::string workingDir_;
    std::string home_;
    std::vector<std::string> created_;
    std::vector<std::string> adminOnly_;
    bool elevated_;
    bool discovered_ = false;
};

// Whether a JVM folder is the administrators' alone: inside a directory the
// run created so (`adminOnlyCreated`), or, read back, owned by them with no
// write right for anyone else and nothing above it others may replace. Only
// such a JVM is reused or registered machine-wide.
bool adminOnlyFolder(std::string_view dir, const std::vector<std::string>& adminOnlyCreated,
                     const RightsSource* rights);

}  // namespace qrl
