// Starting the Java install wizard and telling it where its JVM is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/outcome.h"
#include "installer/installrun.h"
#include "installer/jvmstep.h"

namespace qrl {

// The wizard's sign that it started, in the working directory.
inline constexpr const char* kWizardSemaphore = "__qrlwizard.sem";

// Writes "native.properties" for the JVM at `jvmHome`; false (with the
// system's reason logged) when it could not be written whole.
bool writeNativeProperties(const InstallRun& run, std::string_view jvmHome, bool installed,
                           std::string_view installDirText, bool configureRegistry);

class WizardStart {
public:
    explicit WizardStart(InstallRun& run);

    // Starts the wizard with `jvm` (after the GUI the kit may ask for) and
    // waits for it: done when the wizard of this run left its semaphore.
    // `details`: the details file of a quiet or properties run. Only a stop
    // signal's failure carries texts; the caller words the others.
    Outcome<void> run(std::string_view details, const WizardJvm& jvm);

private:
    std::vector<std::string> arguments(std::string_view details, const WizardJvm& jvm) const;
    std::string classpath(const WizardJvm& jvm) const;
    Outcome<void> startAndWait(const std::vector<std::string>& argv, const WizardJvm& jvm);
    // The desktop the kit asks for; fails only when a stop signal came first.
    Outcome<void> startGuiInterface(std::string_view startCommand, std::string_view checkCommand);

    InstallRun& run_;
};

}  // namespace qrl
