// The installation run of every family: the control file, a JVM found or
// provided, the wizard started with it, the failure told, and the clean-up.
#include <cstdio>

#include "installer/install.h"
#include "installer/installcleanup.h"
#include "installer/jvmstep.h"
#include "installer/wizard.h"
#include "platform/fs.h"

namespace qrl {

Install::Install(Family family, SearchPlaces places, Logs logs, Progress& progress)
    : run_(family, std::move(logs), progress), places_(std::move(places)) {}

RunOutcome Install::install(bool quiet, bool properties, std::string_view details, std::string_view startDir) {
    run_.startDir = startDir;
    auto steps = [&]() -> Outcome<WizardJvm> {
        Outcome<void> prepared = prepare(quiet, properties);
        if (!prepared) return std::move(prepared).failure();
        if (run_.stopped()) return run_.stopFailure();
        JvmStep jvmStep(run_, places_);
        Outcome<WizardJvm> jvm = jvmStep.ensure();
        if (!jvm) return jvm;
        return startWizard(jvmStep, details, jvm.value());
    };
    Outcome<WizardJvm> ran = steps();
    RunOutcome outcome;
    outcome.success = ran.ok();
    if (ran.ok())
        outcome.jvm = ran.value();
    else
        outcome.failure = reportFailure(ran.failure());
    SavedLogs logs = RunCleanup(run_).run(outcome.success);
    run_.progress.runEnded();
    outcome.kitRead = run_.kitRead;
    outcome.logsLost = logs.lost;
    outcome.logsDir = logs.dir;
    return outcome;
}

Outcome<void> Install::prepare(bool quiet, bool properties) {
    const Logs& logs = run_.logs;
    logs.trace("");
    logs.trace("Preparing Java install wizard");
    run_.quiet = quiet;
    run_.properties = properties;
    run_.status.setQuietMode(quiet || properties);
    if (run_.policy.propertiesSwitch) {
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
    // Neither failure has words of its own: the run's general texts tell it.
    if (!run_.findHomeDirectory()) return Failure{};
    if (!run_.readControlFile()) {
        logs.error("unable to get parameters");
        return Failure{};
    }
    return {};
}

Outcome<WizardJvm> Install::startWizard(JvmStep& jvmStep, std::string_view details, WizardJvm jvm) {
    WizardStart wizard(run_);
    Outcome<void> started = wizard.run(details, jvm);
    if (!started && !jvm.providedNow && run_.policy.retriesWizardWithNewJvm && !run_.stopped()) {
        // The JVM that was found could not run the wizard: one more start
        // with a JVM installed now.
        run_.showStatusMessage(4);
        Outcome<WizardJvm> provided = jvmStep.provide();
        if (provided) {
            run_.showStatusMessage(5);
            jvm = provided.value();
            started = wizard.run(details, jvm);
        } else {
            started = provided.failure();
        }
    }
    if (started) return jvm;
    // Stopped: the texts told first stand, else those of the stop.
    if (run_.stopped()) return started.failure().message.empty() ? run_.stopFailure() : started.failure();
    platform::Result cause = started.failure().cause;
    // Even a JVM of the kit's own could not start it.
    if (run_.policy.retriesWizardWithNewJvm)
        return Failure{"Unable to start the install wizard.\r\rIs there a \"java\" command in the path that doesn't "
                       "start the JRE?\r\rIf there is, remove it and try the installer again.",
                       causesText(run_.family) + "\n" + kDiskText, cause};
    return Failure{std::string("Unable to start the install wizard.\r\r") + kDiskText, causesText(run_.family), cause};
}

Failure Install::reportFailure(Failure failure) {
    // A step without words of its own is told with the run's general texts.
    std::string& message = failure.message;
    std::string& details = failure.details;
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
    return failure;
}

}  // namespace qrl
