// Tidying the working directory after the run and saving the logs in the
// directory the user started from.
#pragma once

#include <string>
#include <string_view>

#include "installer/installrun.h"

namespace qrl {

// Where the run's logs are once it has tidied up, and whether they were due
// elsewhere and could not be saved there (they then stay in the working
// directory, and so must the working directory).
struct SavedLogs {
    std::string dir;
    bool lost = false;
};

class RunCleanup {
public:
    explicit RunCleanup(InstallRun& run);

    // After a run that read the kit: the files the wizard unpacked (as its
    // manifest names them, never outside the working directory), a JVM the
    // run put in a temporary place the wizard moved away from, the empty
    // "errors.log" and the run's own files go, and the logs are saved in the
    // start directory. Without a readable kit only the run's own files go
    // and only "errors.log" and the trace are saved. The trace marked as the
    // run's own goes after success and stays, ending with "install ok:
    // false", after a failure.
    SavedLogs run(bool success);

private:
    void cleanUpManifest(bool success);
    void cleanUpJvmDir();
    void cleanUpErrorsLog();
    // The logs are appended to those at the target: the start directory, or
    // the home directory when only that is writable. Nothing is saved when
    // the start directory is the working directory (by identity) or lies in
    // it. Logs that cannot be saved in full stay in the working directory,
    // which then stays too (SavedLogs::lost), and the user is told where
    // they are.
    SavedLogs cleanUpLogFiles();
    bool saveLogsIn(std::string_view target);
    bool appendLogFile(std::string_view name, std::string_view target);
    void removeTraceSemaphore(bool success);

    InstallRun& run_;
};

}  // namespace qrl
