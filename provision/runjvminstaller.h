// A JVM vendor's installer shipped in the kit (Windows installer): copied
// into a directory JvmInstaller prepared, started there with the argument
// vector of the control file's "jvmInstallerCommand", waited for and removed
// again; the JVM it installed is then looked for in that directory and, when
// not there, with the normal registry search. The vendor program registers
// its JVM itself.
//
// The command line's parts are separated by "/*/*/*": the first is the
// program, each further one argument, handed over as exactly one argument
// whatever it holds (the program is started directly, never through the
// command interpreter).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "jvm/findjvm.h"
#include "provision/installjvm.h"
#include "provision/jvminstaller.h"

namespace qrl {

inline constexpr const char* kInstallerArgSeparator = "/*/*/*";

// The program and the argument vector of a vendor command line: setup.exe
// /*/*/*-s gives setup.exe and {setup.exe, -s}; a line that ends right after
// a separator gives an empty last argument; a line without separator is the
// program and, as its one argument, the whole line again. Entry 0 is the
// program's file name (after its last "\").
void splitInstallerCommand(std::string_view line, std::string& program, std::vector<std::string>& argv);

class RunJvmInstaller {
public:
    using StatusFn = std::function<void(std::string_view)>;
    RunJvmInstaller(Logs logs, StatusFn showStatus, SearchPlaces places,
                    WindowsFolders folders = WindowsFolders::fromEnvironment());

    // On success `jvmCommand` is the launcher of the JVM found.
    bool run(JvmRequest& request, std::string_view jvmInstallerBinary, std::string_view jvmInstallerCommand,
             std::string& jvmCommand, std::string_view homeDirectory);
    bool installed() const { return installed_; }
    bool discovered() const { return discovered_; }

    bool installJvm(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                    std::string_view jvmDirectory, std::string& jvmCommand);
    bool copyInstaller(std::string_view binary, std::string_view jvmDirectory);
    void removeInstaller(std::string_view binary, std::string_view jvmDirectory);
    void removeEmptyDir(std::string_view jvmDirectory);
    bool runInstaller(std::string_view commandLine, std::string_view jvmDirectory);
    bool executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                          std::string_view jvmDirectory);
    bool jvmInNewDir(JvmRequest& request, std::string_view jvmDirectory, std::string& jvmCommand);
    bool findInstalledJvm(JvmRequest& request, std::string& jvmCommand);
    bool configureWinReg();

private:
    JvmCriteria exactly(const JvmRequest& request) const { return {request.jvmVersion, "", ""}; }

    Logs logs_;
    StatusFn showStatus_;
    SearchPlaces places_;
    WindowsFolders folders_;
    std::string workingDir_;
    std::string homeDirectory_;
    std::vector<std::string> created_;
    bool installed_ = false;
    bool discovered_ = false;
};

}  // namespace qrl
