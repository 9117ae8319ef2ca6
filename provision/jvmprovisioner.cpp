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

JvmProvisioner::JvmProvisioner(Family family, Logs logs, StatusFn showStatus)
    : JvmProvisioner(family, std::move(logs), std::move(showStatus), JvmPlaces::defaults(family)) {}

JvmProvisioner::JvmProvisioner(Family family, Logs logs, StatusFn showStatus, JvmPlaces places)
    : run_{family, std::move(logs), std::move(showStatus), std::move(places), getCurrentDir(family)},
      rules_(rulesFor(family)) {}

JvmProvisioner::~JvmProvisioner() = default;

void JvmProvisioner::begin(std::string_view homeDirectory) {
    installed_ = discovered_ = registerAfterTest_ = false;
    home_ = homeDirectory;
    chooser_.reset();
    if (run_.showStatus) run_.showStatus("1");
}

bool JvmProvisioner::expandKitArchive(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory) {
    begin(homeDirectory);
    std::string jvmDirectory;
    bool ok = installCompressedJvm(request, jvmCommand, jvmDirectory);
    return finish(request, ok, jvmDirectory, jvmCommand);
}

bool JvmProvisioner::runVendorInstaller(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                                        std::string& jvmCommand, std::string_view homeDirectory) {
    RunJvmInstaller runner(run_);
    bool ok = runner.run(request, binary, commandLine, jvmCommand, homeDirectory);
    installed_ = runner.installed();
    discovered_ = runner.discovered();
    return ok;
}

bool JvmProvisioner::runThirdPartyProgram(JvmRequest& request, std::string& jvmCommand,
                                          std::string_view homeDirectory) {
    begin(homeDirectory);
    if (run_.showStatus) run_.showStatus("1");
    std::string command, jvmDirectory;
    bool ok = false;
    if (archiveCommand(request.jvmSelfExtractor, command)) {
        run_.logs.trace("about to run 3rd party installer for JVM:", command);
        ExecCommand exec(run_.family, run_.logs);
        bool started = exec.execCmdAndWait(command, std::string(">") + kArchiveOutput);
        bool ran = started && exec.exitCode() == 0;
        if (started && !ran)
            run_.logs.error("The JVM installer failed with exit status", std::to_string(exec.exitCode()));
        platform::removeFile(kArchiveOutput);
        if (ran) {
            run_.logs.trace("issued command to install JVM:", command);
            JvmQuery query{request.criteria, request.jvmName, home_, "yes"};
            ok = searchAgain(run_, query, request.jvmCommandName, jvmCommand);
        } else {
            run_.logs.trace("unable to install JVM from:", command);
        }
    }
    if (ok) {
        request.predefinedJvmInstallDir.clear();
        request.jvmHomeDir.clear();
        jvmDirectory = getJavaHomeDirectory(jvmCommand, run_.family);
    }
    run_.logs.trace("installThirdPartyJvm ok", ok);
    return finish(request, ok, jvmDirectory, jvmCommand);
}

bool JvmProvisioner::configureMovedJvm(JvmRequest request, std::string_view jvmDirectory,
                                       std::string_view homeDirectory) {
    home_ = homeDirectory;
    bool ok = configureJvm(request, jvmDirectory);
    if (ok && rules_.registersJvm) registerJvm(request);
    return ok;
}

bool JvmProvisioner::finish(JvmRequest& request, bool ok, const std::string& jvmDirectory, std::string& jvmCommand) {
    if (ok) {
        JvmVerdict tested = JvmTester(run_.family, run_.logs).testJvm({jvmDirectory, request.jvmCommandName}, request.criteria);
        ok = tested.accepted();
        if (ok) {
            jvmCommand = tested.executable;
            request.jvmCommandName = tested.name;
        }
        if (!ok) run_.logs.error("The new JVM failed the version test:", jvmDirectory);
        installed_ = ok && !discovered_;
    }
    // Only a JVM that works is registered and copied beside the system.
    if (ok && registerAfterTest_) registerJvm(request);
    if (!ok) {
        // Nothing of a JVM that failed may pass for installed.
        jvmCommand.clear();
        if (!discovered_ && chooser_) chooser_->removeCreatedDirectories();
    }
    run_.logs.trace(wordsOf(rules_).done, ok);
    return ok;
}

bool JvmProvisioner::installCompressedJvm(JvmRequest& request, std::string& jvmCommand, std::string& jvmDirectory) {
    chooser_ = JvmDirChooser::forFamily(run_.family, run_.logs, run_.places);
    bool made = chooser_->choose(request, home_, jvmDirectory, jvmCommand);
    discovered_ = made && chooser_->discovered();
    run_.logs.trace("found existing jvm directory", discovered_);
    if (!made || (!discovered_ && !expandArchive(request, jvmDirectory))) {
        run_.logs.trace("installCompressedJvm ok", false);
        return false;
    }
    if (!request.jvmHomeDir.empty()) {
        jvmDirectory = applyJvmHomeDir(jvmDirectory, request.jvmHomeDir, run_.family);
        run_.logs.trace("final jvm install directory:", jvmDirectory);
    }
    bool ok = configureJvm(request, jvmDirectory);
    // A JVM in the working directory is removed after the run: never
    // registered.
    registerAfterTest_ =
        ok && rules_.registersJvm && request.predefinedJvmInstallDir.find(kAppDir) == std::string::npos;
    run_.logs.trace("installCompressedJvm ok", ok);
    return ok;
}

bool JvmProvisioner::expandArchive(const JvmRequest& request, const std::string& jvmDirectory) {
    const RunWords& words = wordsOf(rules_);
    run_.logs.trace("installing jvm in", jvmDirectory);
    run_.logs.trace("current directory", run_.workingDir);
    std::string command;
    if (!archiveCommand(request.jvmSelfExtractor, command)) {
        run_.logs.trace("installed jvm", false);
        run_.logs.trace("current directory after changing dir to: ", run_.workingDir);
        return false;
    }
    ExecCommand exec(run_.family, run_.logs);
    std::vector<std::string> before = entriesBefore(jvmDirectory);
    bool expanded = false;
    {
        DirGuard back(run_.workingDir);
        // The run's files there are removed by the next run if this one dies.
        noteWorkDir(run_.workingDir, jvmDirectory);
        if (platform::changeDir(jvmDirectory)) {
            run_.logs.trace(words.inDir, getCurrentDir(run_.family));
            expanded = runArchive(exec, command);
        } else {
            run_.logs.error("unable to change directory to", jvmDirectory);
        }
        run_.logs.trace("installed jvm", expanded);
    }
    run_.logs.trace(words.afterDir, getCurrentDir(run_.family));
    if (expanded && !rules_.kitArchiveSpawned) {
        if (rules_.jvmTreeModes)
            setModesOfNewEntries(exec, jvmDirectory, before);
        else
            setPermissionsForDir(jvmDirectory, 0755, before);
    }
    run_.logs.trace(expanded ? "issued command to expand:" : "unable to expand", command);
    if (rules_.kitArchiveSpawned) platform::removeFile(kArchiveOutput);
    return expanded;
}

bool JvmProvisioner::runArchive(ExecCommand& exec, const std::string& command) {
    // Started directly, the path is the program and its only argument, each
    // handed over whole; through the shell, it is quoted there.
    bool started = rules_.kitArchiveSpawned ? exec.execCommand(command, {})
                                            : exec.execCmdAndWait(command, std::string(">") + kArchiveOutput);
    // An archive that reports failure has expanded nothing that can be
    // trusted.
    bool expanded = started && exec.exitCode() == 0;
    if (started && !expanded)
        run_.logs.error("The JVM archive failed with exit status", std::to_string(exec.exitCode()));
    if (!rules_.kitArchiveSpawned) platform::removeFile(kArchiveOutput);
    return expanded;
}

std::vector<std::string> JvmProvisioner::entriesBefore(const std::string& jvmDirectory) const {
    // The modes change only for what the archive makes: a directory that
    // existed before keeps its own mode and its entries theirs.
    if (rules_.kitArchiveSpawned) return {};
    if (rules_.jvmTreeModes) return entryNames(jvmDirectory);
    const auto& created = chooser_->createdDirectories();
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

bool JvmProvisioner::archiveCommand(std::string_view archive, std::string& command) {
    size_t slash = archive.rfind('/');
    std::string_view name = slash == std::string_view::npos ? archive : archive.substr(slash + 1);
    // The full path, never wrapped in quotes here: a spawn hands it over as
    // one argument, the shell gets it quoted by the command execution.
    command = joinPath(run_.workingDir, name, run_.family);
    if (rules_.kitArchiveSpawned && command.find(' ') != std::string::npos) {
        // The short form where the system has one.
        std::string shortName = platform::pathWithoutBlanks(command);
        if (!shortName.empty() && shortName.find(' ') == std::string::npos) command = shortName;
    }
    if (name.empty() || !fexists(command) || isDir(command)) {
        run_.logs.trace("Compressed JVM does *not* exist: ", command);
        return false;
    }
    return true;
}

bool JvmProvisioner::configureJvm(JvmRequest& request, std::string_view jvmDirectory) {
    if (run_.showStatus) run_.showStatus("1");
    run_.logs.trace("about to configure jvm", request.jvmVersion);
    // Where the family names launchers the Windows way, "jre" names stand for
    // the windowed or console "java" launcher, and the name found is the one
    // used from then on.
    const bool windowsNames = rules_.commandNames == CommandNameRule::WindowsExe;
    const bool tracing = fexists(run_.logs.beside(kTraceSemaphore));
    const std::string java = !windowsNames ? "java" : tracing ? "javaw.exe" : "java.exe";
    const std::string name = request.jvmCommandName;
    const bool jre = name.substr(0, 3) == "jre";
    const std::string bin = joinPath(jvmDirectory, "bin", run_.family);
    std::vector<std::pair<std::string, std::string>> probes{{joinPath(jvmDirectory, name, run_.family), name}};
    if (jre) probes.push_back({joinPath(jvmDirectory, java, run_.family), java});
    probes.push_back({joinPath(bin, name, run_.family), name});
    if (jre) probes.push_back({joinPath(bin, java, run_.family), java});
    for (const auto& [path, launcher] : probes) {
        if (name.empty() || !fexists(path) || isDir(path)) continue;
        launcher_ = launcher;
        launcherPath_ = path;
        if (windowsNames) request.jvmCommandName = launcher;
        run_.logs.trace("configureJvm ok", true);
        return true;
    }
    run_.logs.error("Unable to find JVM executable");
    run_.logs.error("Unable to configure JVM in", jvmDirectory);
    run_.logs.trace("configureJvm ok", false);
    return false;
}

void JvmProvisioner::registerJvm(const JvmRequest& request) {
    std::vector<std::string> adminOnly;
    if (chooser_) adminOnly = chooser_->adminOnlyDirectories();
    JvmRegistration registration(run_.logs, home_, run_.places.folders.rights, std::move(adminOnly));
    registration.registerJvm(request.jvmVersion, request.jvmName, launcher_, launcherPath_);
}

}  // namespace qrl
