#include "provision/runjvminstaller_posix.h"

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "platform/fs.h"

namespace qrl {
InstallerCommand splitInstallerCommand(std::string_view line, Family family) {
    InstallerCommand out;
    splitInstallerCommand(line, out.program, out.argv);
    if (!out.argv.empty()) out.argv.front() = std::string(baseName(out.program, family));
    return out;
}

RunJvmInstallerPosix::RunJvmInstallerPosix(Family family, Logs logs, InstallJvm::StatusFn showStatus,
                                           std::vector<std::string> systemDirs, SearchPlaces places)
    : family_(family),
      logs_(std::move(logs)),
      showStatus_(std::move(showStatus)),
      systemDirs_(std::move(systemDirs)),
      places_(std::move(places)),
      workingDir_(getCurrentDir(family)) {}

bool RunJvmInstallerPosix::run(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                          std::string& jvmCommand, std::string_view homeDirectory) {
    installed_ = false;
    // The vendor's installer gets a directory of the usual candidates; the
    // kit's predefined directory is for its own archive only.
    JvmRequest prepared = request;
    prepared.predefinedJvmInstallDir.clear();
    InstallJvm directories(family_, logs_, showStatus_, systemDirs_, places_);
    directories.setHomeDirectory(homeDirectory);
    std::string jvmDirectory;
    bool discovered = false;
    std::string found;
    bool made = directories.createJvmDirectory(prepared, jvmDirectory, found, discovered);
    logs_.trace("jvmDirName: ", jvmDirectory);
    logs_.trace("found existing jvm directory", made && discovered);
    bool ok = false;
    if (made && discovered) {
        JvmOk jvmOk(family_, logs_);
        ok = jvmOk.jvmCorrectVersion(request.criteria, jvmDirectory, request.jvmCommandName, jvmCommand);
    }
    if (made && !ok) {
        home_ = homeDirectory;
        ok = installJvm(request, binary, commandLine, jvmDirectory, jvmCommand);
        installed_ = ok;
    }
    if (!ok) jvmCommand.clear();
    logs_.trace("jvmFullname:", jvmCommand);
    logs_.trace("runJvmInstaller ok", ok);
    return ok;
}

bool RunJvmInstallerPosix::installJvm(JvmRequest& request, std::string_view binary, std::string_view commandLine,
                                 std::string_view jvmDirectory, std::string& jvmCommand) {
    bool ok = copyInstaller(binary, jvmDirectory);
    if (ok) {
        ok = runInstaller(commandLine, jvmDirectory);
        removeInstaller(binary, jvmDirectory);
        if (ok) ok = jvmInNewDir(request, jvmDirectory, jvmCommand) || findInstalledJvm(request, jvmCommand, home_);
    }
    removeEmptyDir(jvmDirectory);
    return ok;
}

bool RunJvmInstallerPosix::copyInstaller(std::string_view binary, std::string_view jvmDirectory) {
    std::string from = joinPath(workingDir_, binary, family_);
    std::string to = joinPath(jvmDirectory, baseName(binary, family_), family_);
    logs_.trace("copied installer from: ", from);
    logs_.trace("                   to: ", to);
    bool ok = copyFile(from, to);
    logs_.trace("copy ok", ok);
    return ok;
}

void RunJvmInstallerPosix::removeInstaller(std::string_view binary, std::string_view jvmDirectory) {
    platform::removeFile(joinPath(jvmDirectory, baseName(binary, family_), family_));
    logs_.trace("jvm installer removed");
}

void RunJvmInstallerPosix::removeEmptyDir(std::string_view jvmDirectory) {
    if (!entryNames(jvmDirectory).empty()) return;
    if (platform::removeDir(std::string(jvmDirectory))) logs_.trace("removed:", jvmDirectory);
}

bool RunJvmInstallerPosix::runInstaller(std::string_view commandLine, std::string_view jvmDirectory) {
    if (commandLine.empty()) {
        logs_.trace("no jvm installer command line");
        return false;
    }
    InstallerCommand command = splitInstallerCommand(commandLine, family_);
    for (const auto& arg : command.argv) logs_.trace("arg:", arg);
    logs_.trace("# of args", static_cast<int>(command.argv.size() + 1));
    logs_.trace("command:", command.program);
    return executeInstaller(command.program, command.argv, jvmDirectory);
}

bool RunJvmInstallerPosix::executeInstaller(std::string_view command, const std::vector<std::string>& argv,
                                       std::string_view jvmDirectory) {
    ExecCommand exec(family_, logs_);
    logs_.trace("jvm installer command:", command);
    bool ok = false;
    std::string reason;
    std::vector<std::string> before = entryNames(jvmDirectory);
    {
        DirGuard back(workingDir_);
        if (platform::changeDir(std::string(jvmDirectory))) {
            ok = exec.spawnAndWait(command, argv, reason);
            // An installer that reports failure has installed nothing to rely on.
            if (ok && exec.exitCode() != 0) {
                logs_.error("The JVM installer failed with exit status",
                                   std::to_string(exec.exitCode()));
                ok = false;
            }
            if (ok) setModesOfNewEntries(exec, jvmDirectory, before);
        }
    }
    if (ok) {
        logs_.trace("third party jvm installer ran with no reported errors");
        return true;
    }
    logs_.error("Unable to start ",
                       std::string(command) + " " + ExecCommand::argsString(argv));
    return false;
}

bool RunJvmInstallerPosix::jvmInNewDir(JvmRequest& request, std::string_view jvmDirectory, std::string& jvmCommand) {
    JvmCriteria wanted{request.jvmVersion, "", ""};
    for (const auto& name : entryNames(jvmDirectory)) {
        std::string path = joinPath(jvmDirectory, name, family_);
        logs_.trace("looking for jvm in:", path);
        JvmOk jvmOk(family_, logs_);
        if (jvmOk.jvmCorrectVersion(wanted, path, request.jvmCommandName, jvmCommand)) return true;
    }
    return false;
}

bool RunJvmInstallerPosix::findInstalledJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory) {
    if (showStatus_) showStatus_("Searching for JVM again");
    FindJvm finder(family_, places_, logs_);
    JvmQuery query{{request.jvmVersion, "", ""}, request.jvmName, std::string(homeDirectory), "yes"};
    bool found = finder.isJvmInstalled(query, request.jvmCommandName, jvmCommand);
    if (found)
        logs_.trace("Found correct version of JVM:", jvmCommand);
    else
        logs_.trace("Correct version of JVM was not found in common locations");
    return found;
}

}  // namespace qrl
