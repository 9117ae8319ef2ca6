// A JVM vendor's installer shipped in a kit ("jvmInstallerBinary", started
// with "jvmInstallerCommand"): copied into a prepared directory, run there and
// waited for, then the JVM it installed is looked for in that directory and
// with the normal search.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/trace.h"
#include "provision/installjvm.h"

namespace qrl {

// The parts of a vendor command line, separated by "/*/*/*": the program and
// its argument vector (entry 0 the program's file name). A line without a
// separator starts the whole line with the whole line as its one argument.
struct InstallerCommand {
    std::string program;
    std::vector<std::string> argv;
};
InstallerCommand splitInstallerCommand(std::string_view line, Family family);

class RunJvmInstaller : public Trace {
public:
    RunJvmInstaller(Family family, InstallJvm::StatusFn showStatus, std::vector<std::string> systemDirs,
                    SearchPlaces places);

    // On success `jvmCommand` is the launcher of a JVM of version
    // request.jvmVersion (or one meeting the criteria that was already in the
    // prepared directory).
    bool run(JvmRequest& request, std::string_view binary, std::string_view commandLine, std::string& jvmCommand,
             std::string_view homeDirectory);
    bool installJvm(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                    std::string_view jvmDirectory, std::string& jvmCommand);
    bool copyInstaller(std::string_view binary, std::string_view jvmDirectory);
    void removeInstaller(std::string_view binary, std::string_view jvmDirectory);
    void removeEmptyDir(std::string_view jvmDirectory);
    bool runInstaller(std::string_view commandLine, std::string_view jvmDirectory);
    // Runs the program in the JVM directory and waits; what it made there
    // gets the mode 0755.
    bool executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                          std::string_view jvmDirectory);
    bool jvmInNewDir(JvmRequest& request, std::string_view jvmDirectory, std::string& jvmCommand);
    bool findInstalledJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory);

    bool jvmInstalledOk() const { return installed_; }

private:
    std::string tracePath() const;
    std::string errorsPath() const;

    Family family_;
    InstallJvm::StatusFn showStatus_;
    std::vector<std::string> systemDirs_;
    SearchPlaces places_;
    std::string workingDir_;
    std::string home_;
    bool installed_ = false;
};

}  // namespace qrl
