// A JVM vendor's installer shipped in the kit ("jvmInstallerBinary", started
// with "jvmInstallerCommand"): started from the kit by its full path, in a
// prepared directory, with the argument vector of the command line, and
// waited for;
// the JVM it installed is then looked for in that directory and, when not
// there, with the family's search. The family's JvmDirChooser gives the
// directory (the Windows installer's vendor program registers its JVM
// itself); the family's rules say how the installer's end is judged and told.
//
// The command line's parts are separated by "/*/*/*": the first is the
// program, each further one argument, handed over as exactly one argument
// whatever it holds (the program is started directly, never through the
// command interpreter).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/familyrules.h"
#include "common/logs.h"
#include "jvm/findjvm.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmrequest.h"

namespace qrl {

inline constexpr const char* kInstallerArgSeparator = "/*/*/*";

// The program and the argument vector of a vendor command line: setup.exe
// /*/*/*-s gives setup.exe and {setup.exe, -s}; a line that ends right after
// a separator gives an empty last argument; a line without separator is the
// program and, as its one argument, the whole line again. Entry 0 is the
// program's file name (after its last "\").
void splitInstallerCommand(std::string_view line, std::string& program, std::vector<std::string>& argv);

// The same parts, entry 0 of the vector the program's file name after the
// family's last separator.
struct InstallerCommand {
    std::string program;
    std::vector<std::string> argv;
};
InstallerCommand splitInstallerCommand(std::string_view line, Family family);

// The family's search once more, after a vendor's program ran ("Searching
// for JVM again" in front of the user).
bool searchAgain(const ProvisionContext& run, const JvmQuery& query, std::string& jvmCommandName,
                 std::string& jvmCommand);

class RunJvmInstaller {
public:
    explicit RunJvmInstaller(ProvisionContext context);
    ~RunJvmInstaller();

    // On success `jvmCommand` is the launcher of a JVM of version
    // request.jvmVersion (or one meeting the criteria that was already in the
    // prepared directory).
    bool run(JvmRequest& request, std::string_view jvmInstallerBinary, std::string_view jvmInstallerCommand,
             std::string& jvmCommand, std::string_view homeDirectory);
    bool installed() const { return installed_; }
    bool discovered() const { return discovered_; }

private:
    JvmCriteria exactly(const JvmRequest& request) const { return {request.jvmVersion, "", ""}; }
    // The directory for the installer, from the family's candidates; sets
    // discovered_.
    bool prepareDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand);
    bool installJvm(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                    std::string_view jvmDirectory, std::string& jvmCommand);
    void removeEmptyDir(std::string_view jvmDirectory);
    bool runInstaller(std::string_view commandLine, std::string_view jvmDirectory);
    // Runs the program in the JVM directory and waits (where the family
    // changes modes, what it made there gets the mode 0755).
    bool executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                          std::string_view jvmDirectory);
    bool jvmInNewDir(JvmRequest& request, std::string_view jvmDirectory, std::string& jvmCommand);
    bool succeeded(int status) const;

    ProvisionContext run_;
    const FamilyRules& rules_;
    std::string homeDirectory_;
    std::unique_ptr<JvmDirChooser> chooser_;
    bool installed_ = false;
    bool discovered_ = false;
};

}  // namespace qrl
