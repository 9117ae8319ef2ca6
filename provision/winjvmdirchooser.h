// The Windows candidates for a new JVM's directory, the first that yields a
// directory winning:
//   1. the control file's "predefinedJvmInstallDir", which may begin with
//      "[$ProgFilesDir]", "[$WinDir]" or "[$AppDir]", made with all missing
//      parents; never a root, the user's profile or the Windows directory;
//   2. the programs directory: JavaSoft\JRE1.3\1.3.1 (for the names "JRE",
//      "JDK" and "Java Plug-in"; JVM1.3 for any other name, Java1.3 when that
//      cannot be made);
//   3. the jvm subtree below the drive of the programs directory, then below
//      the home directory (the Windows directory).
// Then, as for every family, the subtree below each entry of the search path
// (an empty entry too) and below the working directory, where the subtree an
// earlier run left is removed first.
//
// Only a folder that is the administrators' alone is reused: one that others
// may change could hold anything. A run with administrator rights creates
// every directory with an access list of its own (administrators full
// control, users read and execute) in the same call.
//
// The programs directory is Program Files while it can be written. Where it
// cannot (a user without administrator rights on Windows Vista and later),
// the JVM goes to the user's own programs folder (%LOCALAPPDATA%\Programs,
// else the user's documents): a place only that user (and administrators)
// can write, never a folder every user of the machine can change, since the
// installer and later the launchers run the java.exe found there.
#pragma once

#include "provision/dirchoice.h"
#include "provision/jvmplaces.h"

namespace qrl {

class WinDirChoice : public DirChoice {
public:
    WinDirChoice(Logs logs, WindowsFolders folders, std::string workingDir, JvmRequest request,
                 std::string_view home);

private:
    std::optional<std::string> chooseFamilyDir() override;
    std::vector<std::string> searchPathEntries(std::string_view path) const override;
    void beforeWorkingDir() override;
    bool refused(std::string_view dir) const override;
    bool mayReuse(std::string_view dir) const override;
    bool makeDirectory(const std::string& path) override;

    // A "predefinedJvmInstallDir" value resolved into a directory name.
    std::optional<std::string> predefinedDir(std::string_view setting) const;
    std::optional<std::string> variableDir(std::string_view variable, std::string_view resolved,
                                           std::string_view setting) const;
    std::optional<std::string> createWinJvmDirectory();
    // The JavaSoft (or JVM) subtree below the programs directory `dir`.
    std::optional<std::string> createProgramsJvmDirectory(std::string dir);
    // dir/leaf when it holds a JVM to reuse; else, when there is no such
    // directory, dir/fresh made.
    std::optional<std::string> reuseOrAdd(const std::string& dir, const std::string& leaf, const std::string& fresh,
                                          bool traceVerdict);
    std::optional<std::string> programsDirectory() const;

    const WindowsFolders folders_;
    const bool elevated_;
};

}  // namespace qrl
