// The POSIX and macOS candidates for a new JVM's directory, the first that
// yields a directory winning:
//   1. the control file's "predefinedJvmInstallDir" ("[$AppDir]/" standing
//      for the working directory), made with all missing parents; never the
//      root of the file system, never the home directory;
//   2. the "jvm" subtree below each system directory (installDirCandidates),
//      then below the home directory.
#pragma once

#include "provision/dirchoice.h"

namespace qrl {

class PosixDirChoice : public DirChoice {
public:
    PosixDirChoice(Family family, Logs logs, std::vector<std::string> systemDirs, std::string workingDir,
                   JvmRequest request, std::string_view home);

private:
    std::optional<std::string> chooseFamilyDir() override;
    std::vector<std::string> searchPathEntries(std::string_view path) const override;
    bool refused(std::string_view dir) const override;
    bool makeDirectory(const std::string& path) override;

    const std::vector<std::string> systemDirs_;
};

}  // namespace qrl
