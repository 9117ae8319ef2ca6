// Starting the Java install wizard and telling it where its JVM is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/installrun.h"

namespace qrl {

// Writes "native.properties" for the run's JVM; false (with the system's
// reason logged) when it could not be written whole.
bool writeNativeProperties(const InstallRun& run, bool installed, std::string_view installDirText,
                           bool configureRegistry);

class WizardStart {
public:
    explicit WizardStart(InstallRun& run);

    // Starts the wizard with the run's JVM (after the GUI the kit may ask
    // for) and waits for it: true when the wizard of this run left its
    // semaphore. `details`: the details file of a quiet or properties run.
    bool run(std::string_view details);

private:
    std::vector<std::string> arguments(std::string_view details) const;
    std::string classpath() const;
    bool startAndWait(const std::vector<std::string>& argv);
    void startGuiInterface(std::string_view startCommand, std::string_view checkCommand);

    InstallRun& run_;
};

}  // namespace qrl
