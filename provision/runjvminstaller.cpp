#include "provision/runjvminstaller.h"

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmmodes.h"

namespace qrl {

InstallerCommand splitInstallerCommand(std::string_view line, Family family) {
    const std::string_view sep = kInstallerArgSeparator;
    InstallerCommand out;
    size_t at = line.find(sep);
    out.program = line.substr(0, at);
    std::string_view rest = at == std::string_view::npos ? line : line.substr(at + sep.size());
    out.argv.emplace_back(baseName(out.program, family));
    if (at != std::string_view::npos && rest.empty()) {
        out.argv.emplace_back();
        return out;
    }
    while (true) {
        size_t next = rest.find(sep);
        if (next == std::string_view::npos) {
            out.argv.emplace_back(rest);
            return out;
        }
        out.argv.emplace_back(rest.substr(0, next));
        rest = rest.substr(next + sep.size());
    }
}

std::optional<JvmLauncher> searchAgain(const ProvisionContext& run, const JvmQuery& query, std::string commandName) {
    if (run.showStatus) run.showStatus("Searching for JVM again");
    FindJvm finder(run.family, run.places.search, run.logs);
    auto jvm = finder.isJvmInstalled(query, commandName);
    if (!jvm) {
        run.logs.trace("Correct version of JVM was not found in common locations");
        return std::nullopt;
    }
    run.logs.trace("Found correct version of JVM:", jvm->executable);
    return JvmLauncher{jvm->name, jvm->executable};
}

RunJvmInstaller::RunJvmInstaller(ProvisionContext context)
    : run_(std::move(context)), rules_(rulesFor(run_.family)) {}

bool RunJvmInstaller::succeeded(int status) const {
    // Windows Installer packages answer 3010 or 1641 when only a restart is
    // still needed.
    return status == 0 || (rules_.vendorRestartIsSuccess && (status == 3010 || status == 1641));
}

Outcome<ProvidedJvm> RunJvmInstaller::run(JvmRequest request, std::string_view jvmInstallerBinary,
                                          std::string_view jvmInstallerCommand,
                                          std::string_view homeDirectory) const {
    // The predefined directory is for the kit's own archive, never for a
    // vendor's installer.
    JvmRequest forDirectory = request;
    forDirectory.predefinedJvmInstallDir.clear();
    JvmDirChooser chooser(run_.family, run_.logs, run_.places, run_.workingDir);
    Outcome<JvmDirChoice> chosen = chooser.choose(forDirectory, homeDirectory);
    bool discovered = chosen.ok() && chosen.value().discovered;
    if (discovered) request.jvmCommandName = chosen.value().launcher.name;
    const std::string jvmDirectory = chosen.ok() ? chosen.value().dir : chosen.failure().details;
    run_.logs.trace("jvmDirName: ", jvmDirectory);
    run_.logs.trace("found existing jvm directory", discovered);
    std::optional<Failure> failure;
    if (!chosen.ok()) failure = chosen.failure();
    std::string command;
    if (discovered) {
        JvmVerdict tested =
            JvmTester(run_.family, run_.logs).testJvm({jvmDirectory, request.jvmCommandName}, request.criteria);
        if (tested.accepted()) {
            command = tested.executable;
            request.jvmCommandName = tested.name;
        } else {
            discovered = false;
        }
    }
    bool installed = false;
    if (chosen.ok() && !discovered) {
        Outcome<JvmLauncher> launcher =
            installJvm(request, jvmInstallerBinary, jvmInstallerCommand, jvmDirectory, homeDirectory);
        removeEmptyDir(jvmDirectory, chosen.value().created);
        if (launcher.ok()) {
            request.jvmCommandName = launcher.value().name;
            command = launcher.value().path;
            installed = true;
        } else {
            failure = launcher.failure();
        }
    }
    const bool ok = discovered || installed;
    run_.logs.trace("jvmFullname:", command);
    run_.logs.trace("runJvmInstaller ok", ok);
    if (!ok) return *failure;
    return ProvidedJvm{command, installed, discovered, std::move(request)};
}

Outcome<JvmLauncher> RunJvmInstaller::installJvm(const JvmRequest& request, std::string_view binary,
                                                 std::string_view commandLine, std::string_view jvmDirectory,
                                                 std::string_view homeDirectory) const {
    // The vendor program runs from the kit, by its full path: a copy in the
    // JVM folder would be started from wherever that folder is.
    std::string program = joinPath(run_.workingDir, binary, run_.family);
    if (binary.empty() || !pathExists(program) || isDir(program)) {
        run_.logs.error("The JVM installer is not in the kit:", program);
        return Failure{"The JVM installer is not in the kit", program};
    }
    if (Outcome<void> ran = runInstaller(commandLine, jvmDirectory); !ran.ok()) return std::move(ran).failure();
    if (auto found = jvmInNewDir(request, jvmDirectory)) return *found;
    if (auto found = searchAgain(run_, {exactly(request), request.jvmName, std::string(homeDirectory), "yes"},
                                 request.jvmCommandName))
        return *found;
    return Failure{"The JVM installer installed no JVM of version " + request.jvmVersion, std::string(jvmDirectory)};
}

void RunJvmInstaller::removeEmptyDir(std::string_view jvmDirectory, const std::vector<std::string>& created) const {
    std::string dir(jvmDirectory);
    while (!dir.empty()) {
        if (!entryNames(dir).empty() || !isDir(dir)) return;
        if (!platform::removeDir(dir)) return;
        run_.logs.trace("removed:", dir);
        bool ours = false;
        for (const auto& c : created)
            if (compareIgnoreCase(c, dir) == 0) ours = true;
        if (ours) return;  // the outermost directory this run made
        size_t sep = lastSeparator(dir, run_.family);
        if (sep == std::string::npos) return;
        dir.resize(sep);
        bool inside = false;
        for (const auto& c : created)
            if (dir.size() >= c.size() && compareIgnoreCase(std::string_view(dir).substr(0, c.size()), c) == 0) inside = true;
        if (!inside) return;
    }
}

Outcome<void> RunJvmInstaller::runInstaller(std::string_view commandLine, std::string_view jvmDirectory) const {
    if (commandLine.empty()) {
        run_.logs.trace("no jvm installer command line");
        return Failure{"The kit names no JVM installer command line"};
    }
    InstallerCommand command = splitInstallerCommand(commandLine, run_.family);
    // A program named without a folder is the kit's.
    if (lastSeparator(command.program, run_.family) == std::string::npos)
        command.program = joinPath(run_.workingDir, command.program, run_.family);
    for (const auto& a : command.argv) run_.logs.trace("arg:", a);
    run_.logs.trace("# of args", static_cast<int>(command.argv.size() + 1));
    run_.logs.trace("command:", command.program);
    return executeInstaller(command.program, command.argv, jvmDirectory);
}

Outcome<void> RunJvmInstaller::executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                                                std::string_view jvmDirectory) const {
    ExecCommand exec(run_.family, run_.logs);
    run_.logs.trace("jvm installer command:", command);
    std::vector<std::string> before = rules_.jvmTreeModes ? entryNames(jvmDirectory) : std::vector<std::string>();
    // The vendor's program installs into the directory it runs in.
    ExecResult r = exec.run({.program = std::string(command), .argv = argv, .cwd = std::string(jvmDirectory)});
    std::string reason = r.badDirectory ? "unable to change directory to " + std::string(jvmDirectory) : r.reason;
    bool started = r.started;
    // An installer that reports failure has installed nothing to rely on.
    bool ok = started && succeeded(r.exitCode);
    if (ok && rules_.jvmTreeModes) setModesOfNewEntries(exec, jvmDirectory, before);
    if (ok) {
        run_.logs.trace("third party jvm installer ran with no reported errors");
        return {};
    }
    if (started) reason = "exit status " + std::to_string(r.exitCode);
    if (rules_.vendorReasonLine)
        run_.logs.error("Error running JVM installer: " + reason, false);
    else if (started)
        run_.logs.error("The JVM installer failed with exit status", std::to_string(r.exitCode));
    std::string line = std::string(command) + " " + ExecCommand::argsString(argv);
    run_.logs.error("Unable to start ", line);
    return Failure{"Error running JVM installer: " + reason, line};
}

std::optional<JvmLauncher> RunJvmInstaller::jvmInNewDir(const JvmRequest& request,
                                                        std::string_view jvmDirectory) const {
    for (const auto& name : entryNames(jvmDirectory)) {
        std::string path = joinPath(jvmDirectory, name, run_.family);
        run_.logs.trace("looking for jvm in:", path);
        JvmVerdict tested = JvmTester(run_.family, run_.logs).testJvm({path, request.jvmCommandName}, exactly(request));
        if (tested.accepted()) return JvmLauncher{tested.name, tested.executable};
    }
    return std::nullopt;
}

}  // namespace qrl
