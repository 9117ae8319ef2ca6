// The installation run of every family: the control file, a JVM found or
// provided, the wizard started with it, the failure told, and the clean-up.
#include <cstdio>

#include "installer/install.h"
#include "installer/installcleanup.h"
#include "installer/jvmstep.h"
#include "installer/windowsrun.h"
#include "installer/wizard.h"
#include "platform/fs.h"

namespace qrl {

Install::Install(Family family, SearchPlaces places, Logs logs)
    : run_(family, std::move(logs)), places_(std::move(places)) {}

bool Install::install(bool quiet, bool properties, std::string_view details, std::string_view startDir) {
    run_.startDir = startDir;
    bool ok = prepare(quiet, properties);
    JvmStep jvm(run_, places_);
    bool providedNow = false;
    ok = ok && !run_.stopped() && jvm.ensure(providedNow);
    ok = ok && startWizard(jvm, details, providedNow);
    if (!ok) reportFailure();
    RunCleanup(run_).run(ok);
    removeShowSemaphore();
    return ok;
}

bool Install::prepare(bool quiet, bool properties) {
    const Logs& logs = run_.logs;
    logs.trace("");
    logs.trace("Preparing Java install wizard");
    run_.quiet = quiet;
    run_.properties = properties;
    run_.status.setQuietMode(quiet || properties);
    if (run_.rules.propertiesSwitch) {
        logs.trace("Quite install", quiet);
        logs.trace("Properties install", properties);
        if (quiet || properties) logs.trace("set status quite");
    }
    run_.showStatusMessage(1);
    // Without a trace of the user's the run makes its own, marked as the
    // run's by the semaphore: it goes after success and stays after a failure.
    if (!logs.tracing()) {
        for (const std::string& name : {logs.traceLog(), logs.beside(kTraceSemaphore)}) {
            if (std::FILE* f = platform::openFile(name, "at")) std::fclose(f);
        }
    }
    bool ok = run_.findHomeDirectory();
    run_.errorMessage.clear();
    run_.errorDetails.clear();
    if (!ok) return false;
    ok = run_.readControlFile();
    if (!ok) logs.error("unable to get parameters");
    return ok;
}

bool Install::startWizard(JvmStep& jvm, std::string_view details, bool providedNow) {
    WizardStart wizard(run_);
    bool ok = wizard.run(details);
    if (!ok && !providedNow && run_.rules.retriesWizardWithNewJvm && !run_.stopped()) {
        // The JVM that was found could not run the wizard: one more start
        // with a JVM installed now.
        run_.showStatusMessage(4);
        if (jvm.provide()) {
            run_.showStatusMessage(5);
            ok = wizard.run(details);
        }
    }
    if (ok || run_.stopped()) return ok;
    if (run_.rules.retriesWizardWithNewJvm) {
        // Even a JVM of the kit's own could not start it.
        run_.errorMessage =
            "Unable to start the install wizard.\r\rIs there a \"java\" command in the path that doesn't start "
            "the JRE?\r\rIf there is, remove it and try the installer again.";
        run_.errorDetails = causesText(run_.family) + "\n" + kDiskText;
    } else {
        run_.errorMessage = std::string("Unable to start the install wizard.\r\r") + kDiskText;
        run_.errorDetails = causesText(run_.family);
    }
    return false;
}

void Install::reportFailure() {
    std::string& message = run_.errorMessage;
    std::string& details = run_.errorDetails;
    if (message.empty()) message = std::string("Unable to install application.\r\r") + kDiskText;
    if (details.empty()) details = causesText(run_.family);
    if (!run_.logsInWorkingDir()) {
        // Logs kept elsewhere than the working directory: the texts name the
        // error log by its full path.
        for (std::string* text : {&message, &details}) {
            size_t at = text->find("See errors.log");
            if (at != std::string::npos) text->replace(at + 4, 10, run_.logs.errorLog());
        }
    }
    run_.logs.error(errorLogText(run_.family, message));
    run_.logs.error(errorLogText(run_.family, details));
    run_.status.showError(message, details);
}

}  // namespace qrl
