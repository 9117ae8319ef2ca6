#include "provision/runjvminstaller.h"

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"
#include "provision/jvmmodes.h"

namespace qrl {

void splitInstallerCommand(std::string_view line, std::string& program, std::vector<std::string>& argv) {
    const std::string_view sep = kInstallerArgSeparator;
    argv.clear();
    size_t at = line.find(sep);
    program = line.substr(0, at);
    std::string_view rest = at == std::string_view::npos ? line : line.substr(at + sep.size());
    size_t slash = program.rfind('\\');
    argv.push_back(slash == std::string::npos ? program : program.substr(slash + 1));
    if (at != std::string_view::npos && rest.empty()) {
        argv.emplace_back();
        return;
    }
    while (true) {
        size_t next = rest.find(sep);
        if (next == std::string_view::npos) {
            argv.emplace_back(rest);
            return;
        }
        argv.emplace_back(rest.substr(0, next));
        rest = rest.substr(next + sep.size());
    }
}

InstallerCommand splitInstallerCommand(std::string_view line, Family family) {
    InstallerCommand out;
    splitInstallerCommand(line, out.program, out.argv);
    if (!out.argv.empty()) out.argv.front() = std::string(baseName(out.program, family));
    return out;
}

bool searchAgain(const ProvisionContext& run, const JvmQuery& query, std::string& jvmCommandName,
                 std::string& jvmCommand) {
    if (run.showStatus) run.showStatus("Searching for JVM again");
    FindJvm finder(run.family, run.places.search, run.logs);
    auto jvm = finder.isJvmInstalled(query, jvmCommandName);
    bool found = jvm.has_value();
    if (found) {
        jvmCommand = jvm->executable;
        jvmCommandName = jvm->name;
    }
    if (found)
        run.logs.trace("Found correct version of JVM:", jvmCommand);
    else
        run.logs.trace("Correct version of JVM was not found in common locations");
    return found;
}

RunJvmInstaller::RunJvmInstaller(ProvisionContext context)
    : run_(std::move(context)), rules_(rulesFor(run_.family)) {}

RunJvmInstaller::~RunJvmInstaller() = default;

bool RunJvmInstaller::succeeded(int status) const {
    // Windows Installer packages answer 3010 or 1641 when only a restart is
    // still needed.
    return status == 0 || (rules_.vendorRestartIsSuccess && (status == 3010 || status == 1641));
}

bool RunJvmInstaller::prepareDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    // The predefined directory is for the kit's own archive, never for a
    // vendor's installer.
    JvmRequest forDirectory = request;
    forDirectory.predefinedJvmInstallDir.clear();
    chooser_ = JvmDirChooser::forFamily(run_.family, run_.logs, run_.places);
    bool made = chooser_->choose(forDirectory, homeDirectory_, dir, jvmCommand);
    discovered_ = made && chooser_->discovered();
    if (discovered_) request.jvmCommandName = forDirectory.jvmCommandName;
    return made;
}

bool RunJvmInstaller::run(JvmRequest& request, std::string_view jvmInstallerBinary,
                          std::string_view jvmInstallerCommand, std::string& jvmCommand,
                          std::string_view homeDirectory) {
    installed_ = discovered_ = false;
    homeDirectory_ = homeDirectory;
    std::string jvmDirectory;
    bool made = prepareDirectory(request, jvmDirectory, jvmCommand);
    run_.logs.trace("jvmDirName: ", jvmDirectory);
    run_.logs.trace("found existing jvm directory", discovered_);
    bool ok = false;
    if (discovered_) {
        JvmVerdict tested = JvmTester(run_.family, run_.logs).testJvm({jvmDirectory, request.jvmCommandName}, request.criteria);
        ok = tested.accepted();
        if (ok) {
            jvmCommand = tested.executable;
            request.jvmCommandName = tested.name;
        }
        if (!ok) discovered_ = false;
    }
    if (made && !ok) {
        ok = installJvm(request, jvmInstallerBinary, jvmInstallerCommand, jvmDirectory, jvmCommand);
        installed_ = ok;
    }
    if (!ok) jvmCommand.clear();
    run_.logs.trace("jvmFullname:", jvmCommand);
    run_.logs.trace("runJvmInstaller ok", ok);
    return ok;
}

bool RunJvmInstaller::installJvm(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                                 std::string_view jvmDirectory, std::string& jvmCommand) {
    // The vendor program runs from the kit, by its full path: a copy in the
    // JVM folder would be started from wherever that folder is.
    std::string program = joinPath(run_.workingDir, binary, run_.family);
    bool ok = !binary.empty() && fexists(program) && !isDir(program);
    if (!ok) run_.logs.error("The JVM installer is not in the kit:", program);
    if (ok) ok = runInstaller(commandLine, jvmDirectory);
    if (ok) ok = jvmInNewDir(request, jvmDirectory, jvmCommand) ||
             searchAgain(run_, {exactly(request), request.jvmName, homeDirectory_, "yes"}, request.jvmCommandName,
                         jvmCommand);
    removeEmptyDir(jvmDirectory);
    return ok;
}

void RunJvmInstaller::removeEmptyDir(std::string_view jvmDirectory) {
    // The prepared directory and the parents this run made for it, as long
    // as they are empty.
    std::string dir(jvmDirectory);
    while (!dir.empty()) {
        if (!entryNames(dir).empty() || !isDir(dir)) return;
        if (!platform::removeDir(dir)) return;
        run_.logs.trace("removed:", dir);
        const auto& created = chooser_->createdDirectories();
        bool ours = false;
        for (const auto& c : created)
            if (stricmp(c, dir) == 0) ours = true;
        if (ours) return;  // the outermost directory this run made
        size_t sep = lastSeparator(dir, run_.family);
        if (sep == std::string::npos) return;
        dir.resize(sep);
        bool inside = false;
        for (const auto& c : created)
            if (dir.size() >= c.size() && stricmp(std::string_view(dir).substr(0, c.size()), c) == 0) inside = true;
        if (!inside) return;
    }
}

bool RunJvmInstaller::runInstaller(std::string_view commandLine, std::string_view jvmDirectory) {
    if (commandLine.empty()) {
        run_.logs.trace("no jvm installer command line");
        return false;
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

bool RunJvmInstaller::executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                                       std::string_view jvmDirectory) {
    ExecCommand exec(run_.family, run_.logs);
    run_.logs.trace("jvm installer command:", command);
    std::string reason;
    bool started = false;
    bool ok = false;
    std::vector<std::string> before = rules_.jvmTreeModes ? entryNames(jvmDirectory) : std::vector<std::string>();
    {
        DirGuard back(run_.workingDir);
        if (platform::changeDir(std::string(jvmDirectory)))
            started = exec.spawnAndWait(command, argv, reason);
        else
            reason = "unable to change directory to " + std::string(jvmDirectory);
        // An installer that reports failure has installed nothing to rely on.
        ok = started && succeeded(exec.exitCode());
        if (ok && rules_.jvmTreeModes) setModesOfNewEntries(exec, jvmDirectory, before);
    }
    if (ok) {
        run_.logs.trace("third party jvm installer ran with no reported errors");
        return true;
    }
    if (started) reason = "exit status " + std::to_string(exec.exitCode());
    if (rules_.vendorReasonLine)
        run_.logs.error("Error running JVM installer: " + reason, false);
    else if (started)
        run_.logs.error("The JVM installer failed with exit status", std::to_string(exec.exitCode()));
    run_.logs.error("Unable to start ", std::string(command) + " " + ExecCommand::argsString(argv));
    return false;
}

bool RunJvmInstaller::jvmInNewDir(JvmRequest& request, std::string_view jvmDirectory, std::string& jvmCommand) {
    for (const auto& name : entryNames(jvmDirectory)) {
        std::string path = joinPath(jvmDirectory, name, run_.family);
        run_.logs.trace("looking for jvm in:", path);
        JvmVerdict tested = JvmTester(run_.family, run_.logs).testJvm({path, request.jvmCommandName}, exactly(request));
        if (tested.accepted()) {
            jvmCommand = tested.executable;
            request.jvmCommandName = tested.name;
            return true;
        }
    }
    return false;
}

}  // namespace qrl
