// The installer's run: read the control file, make sure a suitable JVM is
// there (or install one), start the Java install wizard and wait for it, show
// progress and errors, then tidy the working directory and save the logs in
// the directory the user started from.
#pragma once

#include <string>
#include <string_view>

#include "common/logs.h"
#include "common/outcome.h"
#include "installer/installrun.h"
#include "installer/jvmstep.h"
#include "installer/progress.h"
#include "jvm/findjvm.h"

namespace qrl {

// Fixed texts of the final failure report.
inline constexpr const char* kDiskText =
    "Are the destination or temporary directories out of disk space?\r\r    See errors.log for other possible causes.";
std::string causesText(Family family);

// What a run ended with, for the program's entry to decide on the working
// directory and the exit status.
struct RunOutcome {
    bool success = false;  // the wizard ran
    bool kitRead = false;  // the control file was read: the directory is a kit
    // Logs due in the start directory that could not be saved there: they
    // are in `logsDir`, the working directory, which must stay.
    bool logsLost = false;
    std::string logsDir;
    WizardJvm jvm;    // after success: the JVM that ran the wizard
    Failure failure;  // after a failure: the texts the user was told
    // Whether the working directory may be removed now.
    bool mayRemoveKit() const { return kitRead && !logsLost; }
};

// The installation run: the JVM step, the wizard start and the clean-up, in
// one sequence for every family.
class Install {
public:
    // `logs`: "errors.log" and "jinstall.log" in the working directory;
    // `progress` learns when the wizard starts, a box shows and the run ends.
    Install(Family family, SearchPlaces places, Logs logs, Progress& progress = Progress::none());

    // The run. `quiet` ("-q") and `properties` ("-s") hand the details file
    // to the wizard. Where the family says so, a JVM is installed and the
    // wizard started once more when the JVM that was found cannot start it.
    // The first failure of a step ends the run and is told.
    RunOutcome install(bool quiet, bool properties, std::string_view details, std::string_view startDir = {});

private:
    // The switches, the trace and the home directory, then the control file.
    Outcome<void> prepare(bool quiet, bool properties);
    Outcome<WizardJvm> startWizard(JvmStep& jvmStep, std::string_view details, WizardJvm jvm);
    // The failure texts in the logs and in front of the user, as told.
    Failure reportFailure(Failure failure);

    InstallRun run_;
    SearchPlaces places_;
};

// Creates an Install for the current directory and runs it; the logs are
// saved in `startDir` (see RunCleanup).
RunOutcome startProgram(Family family, bool quiet, bool properties, std::string_view details,
                        std::string_view startDir, Progress& progress = Progress::none());

}  // namespace qrl
