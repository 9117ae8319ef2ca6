// A JVM vendor's installer shipped in the kit ("jvmInstallerBinary", started
// with "jvmInstallerCommand"): started from the kit by its full path, in a
// prepared directory, with the argument vector of the command line, and
// waited for;
// the JVM it installed is then looked for in that directory and, when not
// there, with the family's search. The family's JvmDirChooser gives the
// directory (the Windows installer's vendor program registers its JVM
// itself); the family's policy says how the installer's end is judged and told.
//
// The command line's parts are separated by "/*/*/*": the first is the
// program, each further one argument, handed over as exactly one argument
// whatever it holds (the program is started directly, never through the
// command interpreter).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/outcome.h"
#include "jvm/findjvm.h"
#include "provision/jvmlauncher.h"
#include "provision/providedjvm.h"
#include "provision/provisionpolicy.h"
#include "provision/provisioncontext.h"

namespace qrl {

inline constexpr const char* kInstallerArgSeparator = "/*/*/*";

// The program and the argument vector of a vendor command line: setup.exe
// /*/*/*-s gives setup.exe and {setup.exe, -s}; a line that ends right after
// a separator gives an empty last argument; a line without separator is the
// program and, as its one argument, the whole line again. Entry 0 is the
// program's file name (after the family's last separator).
struct InstallerCommand {
    std::string program;
    std::vector<std::string> argv;
};
InstallerCommand splitInstallerCommand(std::string_view line, Family family);

// The family's search once more, after a vendor's program ran ("Searching
// for JVM again" in front of the user): the launcher found, under the name
// accepted (`commandName` as the kit gives it).
std::optional<JvmLauncher> searchAgain(const ProvisionContext& run, const JvmQuery& query, std::string commandName);

class RunJvmInstaller {
public:
    explicit RunJvmInstaller(ProvisionContext context);

    // The launcher of a JVM of version request.jvmVersion (or one meeting
    // the criteria that was already in the prepared directory).
    Outcome<ProvidedJvm> run(JvmRequest request, std::string_view jvmInstallerBinary,
                             std::string_view jvmInstallerCommand, std::string_view homeDirectory) const;

private:
    JvmCriteria exactly(const JvmRequest& request) const { return {request.jvmVersion, "", ""}; }
    // The vendor's program run in `jvmDirectory`, then its JVM looked for.
    Outcome<JvmLauncher> installJvm(const JvmRequest& request, std::string_view binary, std::string_view commandLine,
                                    std::string_view jvmDirectory, std::string_view homeDirectory) const;
    // The prepared directory and the parents the choice made for it
    // (`created`), as long as they are empty.
    void removeEmptyDir(std::string_view jvmDirectory, const std::vector<std::string>& created) const;
    Outcome<void> runInstaller(std::string_view commandLine, std::string_view jvmDirectory) const;
    // Runs the program in the JVM directory and waits (where the family
    // changes modes, what it made there gets the mode 0755).
    Outcome<void> executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                                   std::string_view jvmDirectory) const;
    std::optional<JvmLauncher> jvmInNewDir(const JvmRequest& request, std::string_view jvmDirectory) const;
    bool succeeded(int status) const;

    ProvisionContext run_;
    const ProvisionPolicy& policy_;
};

}  // namespace qrl
