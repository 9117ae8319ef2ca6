// What the steps of one installation run share: the kit's settings as the
// control file gave them (the JVM step completes them), the JVM that is to
// run the wizard, the home directory, the texts of a failure, and the run's
// logs and status display.
#pragma once

#include <string>

#include "common/familyrules.h"
#include "common/logs.h"
#include "installer/controlfile.h"
#include "installer/status.h"

namespace qrl {

struct InstallRun {
    // `logs`: "errors.log" and "jinstall.log" in the working directory.
    InstallRun(Family family, Logs logs);

    Family family;
    const FamilyRules& rules;
    Logs logs;
    Status status;
    ControlSettings settings;
    std::string homeDirectory;
    // The JVM that runs the wizard: its launcher and its home.
    std::string jvmCommand;
    std::string jvmHome;
    // What the user is told after a failure.
    std::string errorMessage;
    std::string errorDetails;
    bool quiet = false;       // "-q": no progress texts, the wizard gets the details file
    bool properties = false;  // "-s": the same for a properties-driven run
    // Whether the control file was read: only then is the working directory
    // a kit, whose files the run may remove.
    bool kitRead = false;
    // The directory "startdir.txt" names (macOS: the kit's own folder), where
    // the logs are saved at the end; empty: they stay in the working directory.
    std::string startDir;
    // Where the logs are once the run has tidied up, and whether they were
    // due elsewhere and could not be saved there (they then stay in the
    // working directory, and so must the working directory).
    std::string logsDir;
    bool logsLost = false;

    // The home directory: the "home" variables (else the working directory),
    // or where the family says so the Windows directory.
    bool findHomeDirectory();
    // Reads the kit's control file into `settings`.
    bool readControlFile();
    // Progress text `number`, unless the run is quiet.
    void showStatusMessage(unsigned number);
    // True once a stop signal arrived (the installer passes them on to the
    // programs it waits for); the failure texts then say so.
    bool stopped();
    // Whether the logs are those of the working directory (else the failure
    // texts name the error log by its full path).
    bool logsInWorkingDir() const;

private:
    // Windows: the Windows directory from the registry, the search path, or
    // else the working directory.
    bool findWindowsDirectory();
};

}  // namespace qrl
