#include "provision/jvmprovisioner.h"

#include <algorithm>

#include "common/execcmd.h"
#include "common/files.h"
#include "common/logfiles.h"
#include "common/paths.h"
#include "common/workdirs.h"
#include "common/text.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmmodes.h"
#include "provision/jvmregistration.h"
#include "provision/runjvminstaller.h"

namespace qrl {
namespace {

constexpr const char* kAppDir = "[$AppDir]";

// The trace words of each way of starting the kit's archive.
struct RunWords {
    const char* inDir;
    const char* afterDir;
    const char* done;
};
constexpr RunWords kSpawnWords{"current directory changing dir to: ", "current directory after changing dir to: ",
                               "extractJvm ok"};
constexpr RunWords kShellWords{"current directory after chdir: ", "current directory after chdir: ",
                               "installJvm ok"};

const RunWords& wordsOf(const FamilyRules& rules) { return rules.kitArchiveSpawned ? kSpawnWords : kShellWords; }

}  // namespace

bool thirdPartyInstallerSetting(const Logs& logs) {
    if (auto set = flagSetting(kThirdPartyInstallerKey, {"qrl.control", "__qrlwizard.sem"}, false)) return *set;
    logs.trace("unable to open qrl.control file", "defaulting to uncompressing JVM");
    return false;
}

std::string applyJvmHomeDir(std::string_view dir, std::string_view jvmHomeDir, Family family) {
    if (jvmHomeDir.empty()) return std::string(dir);
    std::string home = jvmHomeDir.substr(0, 2) == "./" ? std::string(dir) + std::string(jvmHomeDir.substr(1))
                                                       : std::string(jvmHomeDir);
    const char end = rulesFor(family).dirEnd;
    std::replace_if(home.begin(), home.end(), [&](char c) { return isSeparator(family, c); }, end);
    // Directory names carry no trailing separator ("./" is the directory itself).
    while (home.size() > 1 && home.back() == end) home.pop_back();
    return home;
}

struct JvmProvisioner::Placed {
    JvmRequest request;        // the launcher's name as configuring found it
    std::string jvmDirectory;  // the JVM's home
    JvmLauncher launcher;
    bool discovered = false;   // found in place, and reused
    JvmDirChoice choice;       // what the directory choice made (empty for the vendor ways)
    // What registration waits for: the final version test.
    bool registerAfterTest = false;
};

JvmProvisioner::JvmProvisioner(Family family, Logs logs, StatusFn showStatus)
    : JvmProvisioner(family, std::move(logs), std::move(showStatus), JvmPlaces::defaults(family)) {}

JvmProvisioner::JvmProvisioner(Family family, Logs logs, StatusFn showStatus, JvmPlaces places)
    : run_{family, std::move(logs), std::move(showStatus), std::move(places), getCurrentDir(family)},
      rules_(rulesFor(family)) {}

void JvmProvisioner::refreshStatus() const {
    if (run_.showStatus) run_.showStatus("1");
}

Outcome<ProvidedJvm> JvmProvisioner::expandKitArchive(JvmRequest request, std::string_view homeDirectory) const {
    refreshStatus();
    return finish(installCompressedJvm(std::move(request), homeDirectory), homeDirectory);
}

Outcome<ProvidedJvm> JvmProvisioner::runVendorInstaller(JvmRequest request, std::string_view binary,
                                                        std::string_view commandLine,
                                                        std::string_view homeDirectory) const {
    return RunJvmInstaller(run_).run(std::move(request), binary, commandLine, homeDirectory);
}

Outcome<ProvidedJvm> JvmProvisioner::runThirdPartyProgram(JvmRequest request, std::string_view homeDirectory) const {
    // Shown twice on this way: as every way begins, and again as the
    // vendor's program is about to start.
    refreshStatus();
    refreshStatus();
    Outcome<std::string> command = archiveCommand(request.jvmSelfExtractor);
    std::optional<JvmLauncher> found;
    std::optional<Failure> failure;
    if (!command.ok()) failure = command.failure();
    if (command.ok()) {
        run_.logs.trace("about to run 3rd party installer for JVM:", command.value());
        ExecCommand exec(run_.family, run_.logs);
        ExecResult r = exec.run({.program = command.value(), .args = std::string(">") + kArchiveOutput, .launchFile = true});
        bool started = r.started;
        bool ran = started && r.exitCode == 0;
        if (started && !ran) {
            run_.logs.error("The JVM installer failed with exit status", std::to_string(r.exitCode));
            failure = Failure{"The JVM installer failed with exit status " + std::to_string(r.exitCode),
                              command.value()};
        }
        (void)platform::removeFile(kArchiveOutput);  // best effort: the output is only a leftover
        if (ran) {
            run_.logs.trace("issued command to install JVM:", command.value());
            JvmQuery query{request.criteria, request.jvmName, std::string(homeDirectory), "yes"};
            found = searchAgain(run_, query, request.jvmCommandName);
            if (!found) failure = Failure{"No JVM was found after the JVM installer ran", command.value()};
        } else {
            run_.logs.trace("unable to install JVM from:", command.value());
            if (!started) failure = Failure{"Unable to start the JVM installer", command.value()};
        }
    }
    run_.logs.trace("installThirdPartyJvm ok", found.has_value());
    if (!found) return finish(std::move(*failure), homeDirectory);
    request.jvmCommandName = found->name;
    request.predefinedJvmInstallDir.clear();
    request.jvmHomeDir.clear();
    std::string jvmDirectory = getJavaHomeDirectory(found->path, run_.family);
    return finish(Placed{std::move(request), std::move(jvmDirectory), std::move(*found), false, {}, false},
                  homeDirectory);
}

Outcome<JvmLauncher> JvmProvisioner::configureMovedJvm(const JvmRequest& request, std::string_view jvmDirectory,
                                                       std::string_view homeDirectory) const {
    Outcome<JvmLauncher> launcher = configureJvm(request, jvmDirectory);
    if (launcher.ok() && rules_.registersJvm) registerJvm(request, launcher.value(), {}, homeDirectory);
    return launcher;
}

Outcome<ProvidedJvm> JvmProvisioner::finish(Outcome<Placed> placed, std::string_view homeDirectory) const {
    if (!placed.ok()) {
        run_.logs.trace(wordsOf(rules_).done, false);
        return std::move(placed).failure();
    }
    Placed& p = placed.value();
    JvmVerdict tested =
        JvmTester(run_.family, run_.logs).testJvm({p.jvmDirectory, p.request.jvmCommandName}, p.request.criteria);
    bool ok = tested.accepted();
    if (ok) p.request.jvmCommandName = tested.name;
    if (!ok) run_.logs.error("The new JVM failed the version test:", p.jvmDirectory);
    // Only a JVM that works is registered and copied beside the system.
    if (ok && p.registerAfterTest) registerJvm(p.request, p.launcher, p.choice.adminOnly, homeDirectory);
    // Nothing of a JVM that failed may pass for installed.
    if (!ok && !p.discovered) removeCreatedDirectories(p.choice.created, run_.family, run_.logs);
    run_.logs.trace(wordsOf(rules_).done, ok);
    if (!ok) return Failure{"The new JVM failed the version test", p.jvmDirectory};
    return ProvidedJvm{tested.executable, !p.discovered, p.discovered, std::move(p.request)};
}

Outcome<JvmProvisioner::Placed> JvmProvisioner::installCompressedJvm(JvmRequest request,
                                                                     std::string_view homeDirectory) const {
    JvmDirChooser chooser(run_.family, run_.logs, run_.places, run_.workingDir);
    Outcome<JvmDirChoice> chosen = chooser.choose(request, homeDirectory);
    const bool discovered = chosen.ok() && chosen.value().discovered;
    run_.logs.trace("found existing jvm directory", discovered);
    if (!chosen.ok()) {
        // The choice took back what it made.
        run_.logs.trace("installCompressedJvm ok", false);
        return std::move(chosen).failure();
    }
    JvmDirChoice& choice = chosen.value();
    if (discovered) request.jvmCommandName = choice.launcher.name;
    auto failed = [&](Failure failure) {
        run_.logs.trace("installCompressedJvm ok", false);
        if (!discovered) removeCreatedDirectories(choice.created, run_.family, run_.logs);
        return failure;
    };
    if (!discovered) {
        if (Outcome<void> expanded = expandArchive(request, choice); !expanded.ok())
            return failed(std::move(expanded).failure());
    }
    std::string jvmDirectory = choice.dir;
    if (!request.jvmHomeDir.empty()) {
        jvmDirectory = applyJvmHomeDir(jvmDirectory, request.jvmHomeDir, run_.family);
        run_.logs.trace("final jvm install directory:", jvmDirectory);
    }
    Outcome<JvmLauncher> launcher = configureJvm(request, jvmDirectory);
    if (!launcher.ok()) return failed(std::move(launcher).failure());
    if (rules_.commandNames == CommandNameRule::WindowsExe) request.jvmCommandName = launcher.value().name;
    // A JVM in the working directory is removed after the run: never
    // registered.
    bool registerAfterTest =
        rules_.registersJvm && request.predefinedJvmInstallDir.find(kAppDir) == std::string::npos;
    run_.logs.trace("installCompressedJvm ok", true);
    return Placed{std::move(request), std::move(jvmDirectory), std::move(launcher).value(), discovered,
                  std::move(choice), registerAfterTest};
}

Outcome<void> JvmProvisioner::expandArchive(const JvmRequest& request, const JvmDirChoice& choice) const {
    const RunWords& words = wordsOf(rules_);
    const std::string& jvmDirectory = choice.dir;
    run_.logs.trace("installing jvm in", jvmDirectory);
    run_.logs.trace("current directory", run_.workingDir);
    Outcome<std::string> command = archiveCommand(request.jvmSelfExtractor);
    if (!command.ok()) {
        run_.logs.trace("installed jvm", false);
        run_.logs.trace("current directory after changing dir to: ", run_.workingDir);
        return std::move(command).failure();
    }
    ExecCommand exec(run_.family, run_.logs);
    std::vector<std::string> before = entriesBefore(choice);
    Outcome<void> expanded;
    // The run's files there are removed by the next run if this one dies.
    noteWorkDir(run_.workingDir, jvmDirectory);
    if (platform::Result in = platform::canRunIn(jvmDirectory)) {
        run_.logs.trace(words.inDir, dirAsCurrent(jvmDirectory, run_.family));
        expanded = runArchive(exec, command.value(), jvmDirectory);
    } else {
        run_.logs.error("unable to change directory to", jvmDirectory);
        expanded = Failure{"Unable to change directory to " + jvmDirectory, command.value(), in};
    }
    run_.logs.trace("installed jvm", expanded.ok());
    run_.logs.trace(words.afterDir, getCurrentDir(run_.family));
    if (expanded.ok() && !rules_.kitArchiveSpawned) {
        if (rules_.jvmTreeModes)
            setModesOfNewEntries(exec, jvmDirectory, before);
        else
            setPermissionsForDir(jvmDirectory, 0755, before);
    }
    run_.logs.trace(expanded.ok() ? "issued command to expand:" : "unable to expand", command.value());
    if (rules_.kitArchiveSpawned) (void)platform::removeFile(kArchiveOutput);  // best effort: only a leftover
    return expanded;
}

Outcome<void> JvmProvisioner::runArchive(ExecCommand& exec, const std::string& command,
                                         const std::string& jvmDirectory) const {
    // The archive expands into the directory it runs in. Started directly,
    // the path is the program and its only argument, each handed over whole;
    // through the shell, it is quoted there.
    ExecRequest request{.program = command, .cwd = jvmDirectory};
    if (!rules_.kitArchiveSpawned) {
        request.args = std::string(">") + kArchiveOutput;
        request.launchFile = true;
    }
    ExecResult r = exec.run(request);
    // An archive that reports failure has expanded nothing that can be
    // trusted.
    bool expanded = r.started && r.exitCode == 0;
    if (r.started && !expanded)
        run_.logs.error("The JVM archive failed with exit status", std::to_string(r.exitCode));
    // Best effort: the output is only a leftover.
    if (!rules_.kitArchiveSpawned) (void)platform::removeFile(joinPath(jvmDirectory, kArchiveOutput, run_.family));
    if (expanded) return {};
    if (!r.started) return Failure{"Unable to start the JVM archive", command};
    return Failure{"The JVM archive failed with exit status " + std::to_string(r.exitCode), command};
}

std::vector<std::string> JvmProvisioner::entriesBefore(const JvmDirChoice& choice) const {
    // The modes change only for what the archive makes: a directory that
    // existed before keeps its own mode and its entries theirs.
    const std::string& jvmDirectory = choice.dir;
    if (rules_.kitArchiveSpawned) return {};
    if (rules_.jvmTreeModes) return entryNames(jvmDirectory);
    const auto& created = choice.created;
    bool madeByThisRun = std::any_of(created.begin(), created.end(), [&](const std::string& c) {
        return jvmDirectory == c || jvmDirectory.rfind(c + "/", 0) == 0;
    });
    std::vector<std::string> untouched;
    std::vector<platform::DirEntry> present;
    if (!madeByThisRun && platform::listDir(jvmDirectory, present)) {
        untouched.push_back(".");  // the directory itself
        for (const auto& e : present) untouched.push_back(e.name);
    }
    return untouched;
}

Outcome<std::string> JvmProvisioner::archiveCommand(std::string_view archive) const {
    size_t slash = archive.rfind('/');
    std::string_view name = slash == std::string_view::npos ? archive : archive.substr(slash + 1);
    // The full path, never wrapped in quotes here: a spawn hands it over as
    // one argument, the shell gets it quoted by the command execution.
    std::string command = joinPath(run_.workingDir, name, run_.family);
    if (rules_.kitArchiveSpawned && command.find(' ') != std::string::npos) {
        // The short form where the system has one.
        std::string shortName = platform::pathWithoutBlanks(command);
        if (!shortName.empty() && shortName.find(' ') == std::string::npos) command = shortName;
    }
    if (name.empty() || !pathExists(command) || isDir(command)) {
        run_.logs.trace("Compressed JVM does *not* exist: ", command);
        return Failure{"The kit's JVM archive does not exist", command};
    }
    return command;
}

Outcome<JvmLauncher> JvmProvisioner::configureJvm(const JvmRequest& request, std::string_view jvmDirectory) const {
    refreshStatus();
    run_.logs.trace("about to configure jvm", request.jvmVersion);
    // Where the family names launchers the Windows way, "jre" names stand for
    // the windowed or console "java" launcher, and the name found is the one
    // used from then on.
    const bool windowsNames = rules_.commandNames == CommandNameRule::WindowsExe;
    const bool tracing = pathExists(run_.logs.beside(kTraceSemaphore));
    const std::string java = !windowsNames ? "java" : tracing ? "javaw.exe" : "java.exe";
    const std::string name = request.jvmCommandName;
    const bool jre = name.substr(0, 3) == "jre";
    const std::string bin = joinPath(jvmDirectory, "bin", run_.family);
    std::vector<std::pair<std::string, std::string>> probes{{joinPath(jvmDirectory, name, run_.family), name}};
    if (jre) probes.push_back({joinPath(jvmDirectory, java, run_.family), java});
    probes.push_back({joinPath(bin, name, run_.family), name});
    if (jre) probes.push_back({joinPath(bin, java, run_.family), java});
    for (const auto& [path, launcher] : probes) {
        if (name.empty() || !pathExists(path) || isDir(path)) continue;
        run_.logs.trace("configureJvm ok", true);
        return JvmLauncher{launcher, path};
    }
    run_.logs.error("Unable to find JVM executable");
    run_.logs.error("Unable to configure JVM in", jvmDirectory);
    run_.logs.trace("configureJvm ok", false);
    return Failure{"Unable to find JVM executable", "Unable to configure JVM in " + std::string(jvmDirectory)};
}

void JvmProvisioner::registerJvm(const JvmRequest& request, const JvmLauncher& launcher,
                                 std::vector<std::string> adminOnly, std::string_view homeDirectory) const {
    JvmRegistration registration(run_.logs, std::string(homeDirectory), run_.places.folders.rights,
                                 std::move(adminOnly));
    registration.registerJvm(request.jvmVersion, request.jvmName, launcher.name, launcher.path);
}

}  // namespace qrl
