// A JVM vendor's installer shipped in a macOS kit ("jvmInstallerBinary",
// started with "jvmInstallerCommand"): copied into a directory of the POSIX
// candidates, run there and waited for, then the JVM it installed is looked
// for in that directory and with the family's search. The Windows installer's
// form, with its own directories and the registry, is RunJvmInstaller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "provision/installjvm.h"
#include "provision/runjvminstaller.h"

namespace qrl {

// The parts of a vendor command line (splitInstallerCommand), entry 0 of the
// vector the program's file name after the family's separator.
struct InstallerCommand {
    std::string program;
    std::vector<std::string> argv;
};
InstallerCommand splitInstallerCommand(std::string_view line, Family family);

class RunJvmInstallerPosix {
public:
    RunJvmInstallerPosix(Family family, Logs logs, InstallJvm::StatusFn showStatus,
                         std::vector<std::string> systemDirs, SearchPlaces places);

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
    Family family_;
    Logs logs_;
    InstallJvm::StatusFn showStatus_;
    std::vector<std::string> systemDirs_;
    SearchPlaces places_;
    std::string workingDir_;
    std::string home_;
    bool installed_ = false;
};

}  // namespace qrl
