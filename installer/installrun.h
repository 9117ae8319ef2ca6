// What the steps of one installation run share: its inputs (the family, the
// switches, the kit's settings as the control file gave them, which the JVM
// step completes, the home and start directories) and its services (the
// logs, the status display and the progress sink). What a step finds out it
// returns.
#pragma once

#include <string>

#include "common/family.h"
#include "common/logs.h"
#include "common/outcome.h"
#include "installer/controlfile.h"
#include "installer/progress.h"
#include "installer/status.h"

namespace qrl {

// What differs between the families' installation runs.
struct RunPolicy {
    bool propertiesSwitch;         // "-s file" is accepted: a properties-driven run, handed to the wizard
    bool retriesWizardWithNewJvm;  // when the JVM found cannot start the wizard, one is installed and the wizard
                                   // started once more; a failure then asks about a "java" in the path
    bool homeIsWindowsDirectory;   // the home directory is the Windows directory (else the "home" variables)
    bool classpathAsRead;          // the wizard gets loaderClasspath as read (else elements joined with ":")
    bool removesSwingall;          // the clean-up also removes "swingall.jar"
    bool asksAboutDisplay;         // the causes text asks whether the display is exported
};

const RunPolicy& runPolicy(Family family);

struct InstallRun {
    // `logs`: "errors.log" and "jinstall.log" in the working directory.
    InstallRun(Family family, Logs logs, Progress& progress = Progress::none());

    Family family;
    const RunPolicy& policy;
    Logs logs;
    Progress& progress;
    Status status;
    ControlSettings settings;
    std::string homeDirectory;
    bool quiet = false;       // "-q": no progress texts, the wizard gets the details file
    bool properties = false;  // "-s": the same for a properties-driven run
    // Whether the control file was read: only then is the working directory
    // a kit, whose files the run may remove.
    bool kitRead = false;
    // The directory "startdir.txt" names (macOS: the kit's own folder), where
    // the logs are saved at the end; empty: they stay in the working directory.
    std::string startDir;

    // The home directory: the "home" variables (else the working directory),
    // or where the family says so the Windows directory.
    bool findHomeDirectory();
    // Reads the kit's control file into `settings`.
    bool readControlFile();
    // Progress text `number`, unless the run is quiet.
    void showStatusMessage(unsigned number);
    // True once a stop signal arrived (the installer passes them on to the
    // programs it waits for).
    bool stopped() const;
    // The failure of a run that a stop signal ended, noted in the error log.
    Failure stopFailure() const;
    // Whether the logs are those of the working directory (else the failure
    // texts name the error log by its full path).
    bool logsInWorkingDir() const;

private:
    // Windows: the Windows directory from the registry, the search path, or
    // else the working directory.
    bool findWindowsDirectory();
};

}  // namespace qrl
