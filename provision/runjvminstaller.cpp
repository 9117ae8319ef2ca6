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

bool searchAgain(Family family, const SearchPlaces& places, const Logs& logs, const StatusFn& showStatus,
                 const JvmQuery& query, std::string& jvmCommandName, std::string& jvmCommand) {
    if (showStatus) showStatus("Searching for JVM again");
    FindJvm finder(family, places, logs);
    bool found = finder.isJvmInstalled(query, jvmCommandName, jvmCommand);
    if (found)
        logs.trace("Found correct version of JVM:", jvmCommand);
    else
        logs.trace("Correct version of JVM was not found in common locations");
    return found;
}

RunJvmInstaller::RunJvmInstaller(Family family, Logs logs, StatusFn showStatus, JvmPlaces places)
    : family_(family),
      rules_(rulesFor(family)),
      logs_(std::move(logs)),
      showStatus_(std::move(showStatus)),
      places_(std::move(places)),
      workingDir_(getCurrentDir(family)) {}

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
    chooser_ = JvmDirChooser::forFamily(family_, logs_, places_);
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
    logs_.trace("jvmDirName: ", jvmDirectory);
    logs_.trace("found existing jvm directory", discovered_);
    bool ok = false;
    if (discovered_) {
        JvmOk jvmOk(family_, logs_);
        ok = jvmOk.jvmCorrectVersion(request.criteria, jvmDirectory, request.jvmCommandName, jvmCommand);
        if (!ok) discovered_ = false;
    }
    if (made && !ok) {
        ok = installJvm(request, jvmInstallerBinary, jvmInstallerCommand, jvmDirectory, jvmCommand);
        installed_ = ok;
    }
    if (!ok) jvmCommand.clear();
    logs_.trace("jvmFullname:", jvmCommand);
    logs_.trace("runJvmInstaller ok", ok);
    return ok;
}

bool RunJvmInstaller::installJvm(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                                 std::string_view jvmDirectory, std::string& jvmCommand) {
    // The vendor program runs from the kit, by its full path: a copy in the
    // JVM folder would be started from wherever that folder is.
    std::string program = joinPath(workingDir_, binary, family_);
    bool ok = !binary.empty() && fexists(program) && !isDir(program);
    if (!ok) logs_.error("The JVM installer is not in the kit:", program);
    if (ok) ok = runInstaller(commandLine, jvmDirectory);
    if (ok) ok = jvmInNewDir(request, jvmDirectory, jvmCommand) ||
             searchAgain(family_, places_.search, logs_, showStatus_, {exactly(request), request.jvmName, homeDirectory_, "yes"},
                         request.jvmCommandName, jvmCommand);
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
        logs_.trace("removed:", dir);
        const auto& created = chooser_->createdDirectories();
        bool ours = false;
        for (const auto& c : created)
            if (stricmp(c, dir) == 0) ours = true;
        if (ours) return;  // the outermost directory this run made
        size_t sep = lastSeparator(dir, family_);
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
        logs_.trace("no jvm installer command line");
        return false;
    }
    InstallerCommand command = splitInstallerCommand(commandLine, family_);
    // A program named without a folder is the kit's.
    if (lastSeparator(command.program, family_) == std::string::npos)
        command.program = joinPath(workingDir_, command.program, family_);
    for (const auto& a : command.argv) logs_.trace("arg:", a);
    logs_.trace("# of args", static_cast<int>(command.argv.size() + 1));
    logs_.trace("command:", command.program);
    return executeInstaller(command.program, command.argv, jvmDirectory);
}

bool RunJvmInstaller::executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                                       std::string_view jvmDirectory) {
    ExecCommand exec(family_, logs_);
    logs_.trace("jvm installer command:", command);
    std::string reason;
    bool started = false;
    bool ok = false;
    std::vector<std::string> before = rules_.jvmTreeModes ? entryNames(jvmDirectory) : std::vector<std::string>();
    {
        DirGuard back(workingDir_);
        if (platform::changeDir(std::string(jvmDirectory)))
            started = exec.spawnAndWait(command, argv, reason);
        else
            reason = "unable to change directory to " + std::string(jvmDirectory);
        // An installer that reports failure has installed nothing to rely on.
        ok = started && succeeded(exec.exitCode());
        if (ok && rules_.jvmTreeModes) setModesOfNewEntries(exec, jvmDirectory, before);
    }
    if (ok) {
        logs_.trace("third party jvm installer ran with no reported errors");
        return true;
    }
    if (started) reason = "exit status " + std::to_string(exec.exitCode());
    if (rules_.vendorReasonLine)
        logs_.error("Error running JVM installer: " + reason, false);
    else if (started)
        logs_.error("The JVM installer failed with exit status", std::to_string(exec.exitCode()));
    logs_.error("Unable to start ", std::string(command) + " " + ExecCommand::argsString(argv));
    return false;
}

bool RunJvmInstaller::jvmInNewDir(JvmRequest& request, std::string_view jvmDirectory, std::string& jvmCommand) {
    for (const auto& name : entryNames(jvmDirectory)) {
        std::string path = joinPath(jvmDirectory, name, family_);
        logs_.trace("looking for jvm in:", path);
        JvmOk jvmOk(family_, logs_);
        if (jvmOk.jvmCorrectVersion(exactly(request), path, request.jvmCommandName, jvmCommand)) return true;
    }
    return false;
}

}  // namespace qrl
