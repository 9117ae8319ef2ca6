#include "common/execcmd.h"

#include <cerrno>
#include <cstdio>
#include <functional>

#include "common/files.h"
#include "common/shellquote.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace qrl {

std::string spawnErrorReason(const platform::Result& why) {
    switch (why.kind()) {
        case platform::ErrorKind::NotFound:
            return "File or path is not found";
        case platform::ErrorKind::TooLong:
            return "Argument list exceeds 1024 bytes";
        case platform::ErrorKind::NotExecutable:
        case platform::ErrorKind::PermissionDenied:
            return "Specified file is not executable or has invalid executable-file format";
        case platform::ErrorKind::NoMemory:
            return "Not enough memory is available to execute new process";
        case platform::ErrorKind::InvalidArgument:
            return "Mode argument is invalid";
        default:
            return "Unknown error";
    }
}

ExecCommand::ExecCommand(Family family, Logs logs) : rules_(rulesFor(family)), logs_(std::move(logs)) {}

std::string ExecCommand::formatCommand(std::string_view cmd) {
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        std::string out(cmd);
        logs_.trace("formattedCommand:", out);
        return out;
    }
    std::string out(cmd);
    if (out.find('/') == std::string::npos) out = "./" + out;
    if (out.empty() || out.front() != '"') out = shellQuote(out);
    logs_.withTrace(kDebugTrace).trace("formattedCommand", out);
    return out;
}

std::vector<std::string> ExecCommand::buildVector(std::string_view cmd, std::string_view args) const {
    std::vector<std::string> argv{std::string(cmd)};
    if (args.data() == nullptr || args.empty()) return argv;
    size_t start = 0;
    while (true) {
        size_t blank = args.find(' ', start);
        if (blank == std::string_view::npos) {
            argv.emplace_back(args.substr(start));
            break;
        }
        argv.emplace_back(args.substr(start, blank - start));
        start = blank + 1;
    }
    return argv;
}

namespace {

// A file named relative to where a command runs, as this process reaches it.
std::string fileIn(std::string_view dir, std::string_view path) {
    bool anchored = !path.empty() && (path[0] == '/' || path[0] == '\\' || path[0] == '"' ||
                                      (path.size() > 1 && path[1] == ':'));
    if (dir.empty() || anchored) return std::string(path);
    return platform::pathIn(dir, path);
}

ExecResult outcome(const platform::RunResult& r) {
    ExecResult out;
    out.started = r.started;
    out.exitCode = r.exitCode();
    if (!r.started) out.reason = r.why.text();
    out.badDirectory = r.badDirectory;
    return out;
}

// A command file that is not there: nothing was started.
ExecResult missingFile() {
    ExecResult out;
    out.reason = platform::Result::failure(ENOENT).text();
    return out;
}

}  // namespace

ExecResult ExecCommand::run(const ExecRequest& request) {
    if (!request.argv.empty()) return runVector(request);
    if (request.launchFile) return runLaunchFile(request);
    return runLine(request.program, request.args, request.cwd);
}

ExecResult ExecCommand::runLine(std::string_view cmd, std::string_view args, const std::string& cwd) {
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        logs_.trace("Formatting command", cmd);
        std::string formatted = formatCommand(cmd);
        logs_.trace("New formatted command", formatted);
        return runFormatted(formatted, args, cwd);
    }
    bool executable = makeExecutable(fileIn(cwd, cmd));
    std::string formatted = formatCommand(cmd);
    return executable ? runFormatted(formatted, args, cwd) : missingFile();
}

ExecResult ExecCommand::runFormatted(std::string_view cmd, std::string_view args, const std::string& cwd) {
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        std::vector<std::string> argv = buildVector(cmd, args);
        logs_.trace("command", cmd);
        logs_.trace("# of args", static_cast<int>(argv.size() - 1));
        logs_.trace("Starting to invoke command", cmd);
        logs_.trace("about to execute command:", cmd);
        platform::RunResult r = platform::run({.program = std::string(cmd), .argv = argv, .cwd = cwd});
        if (!r.started) reportExecError(cmd, -1, r.why.code());
        logs_.trace("Command started ok", r.started);
        return outcome(r);
    }
    std::string line(cmd);
    if (!args.empty()) {
        line += ' ';
        line += args;
    }
    platform::RunResult r = platform::run({.program = line, .cwd = cwd, .shell = true});
    if (!r.started) reportExecError(line, -1, r.why.code());
    return outcome(r);
}

ExecResult ExecCommand::runVector(const ExecRequest& request) {
    logs_.trace("Command:", formatCommand(request.program));
    logs_.trace("Args:", argsString(request.argv));
    if (rules_.commands == CommandStyle::WindowsSpawn)
        return outcome(platform::run({.program = request.program, .argv = request.argv, .cwd = request.cwd}));
    // The words go to the program as they are; no shell reads them.
    std::string path = request.program;
    if (path.find('/') == std::string::npos) path = "./" + path;
    if (!makeExecutable(fileIn(request.cwd, path))) return missingFile();
    std::vector<std::string> words{path};
    words.insert(words.end(), request.argv.begin() + 1, request.argv.end());
    return outcome(platform::run({.program = path, .argv = words, .cwd = request.cwd}));
}

ExecResult ExecCommand::runLaunchFile(const ExecRequest& request) {
    if (rules_.commands == CommandStyle::PosixShell && !makeExecutable(fileIn(request.cwd, request.program)))
        return missingFile();
    std::string formatted = formatCommand(request.program);
    if (!createLaunchFile(formatted, request.args, request.cwd)) return {};
    const char* launch = rules_.launchFile;
    ExecResult r = runLine(launch, {}, request.cwd);
    (void)platform::removeFile(fileIn(request.cwd, launch));  // a leftover launch file is rewritten by the next command
    return r;
}

std::string ExecCommand::argsString(const std::vector<std::string>& argv) {
    std::string out;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) out += ' ';
        const std::string& a = argv[i];
        if (a.find(' ') != std::string::npos && a.find('"') == std::string::npos)
            out += '"' + a + '"';
        else
            out += a;
    }
    return out;
}

bool ExecCommand::createLaunchFile(std::string_view cmd, std::string_view args, std::string_view dir) {
    logs_.trace("Creating semaphore file", kWaitSemaphore);
    platform::Result why;
    const std::string semaphore = fileIn(dir, kWaitSemaphore);
    std::FILE* sem = platform::openFile(semaphore, "wt", &why);
    if (!sem) {
        logs_.error("Unable to create file", kWaitSemaphore);
        logs_.reason(why);
        logs_.trace("Finished creating launch file");
        return false;
    }
    std::fputs("\n", sem);
    std::fclose(sem);

    const char* launch = rules_.launchFile;
    logs_.trace("Creating launch file", launch);
    const std::string launchPath = fileIn(dir, launch);
    std::FILE* f = platform::openFile(launchPath, "wt", &why);
    if (!f) {
        logs_.error("Unable to create file", launch);
        logs_.reason(why);
        logs_.trace("Finished creating launch file");
        return false;
    }
    std::string line(cmd);
    if (!args.empty()) {
        line += ' ';
        line += args;
    }
    std::string text;
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        text = "@echo off\n" + line + "\ndel " + kWaitSemaphore + "\n";
    } else {
        // The script ends with the command's own exit status, so that a
        // caller may tell a command that failed from one that ran.
        text = line + "\nqrl_status=$?\nrm -f " + kWaitSemaphore + "\nexit $qrl_status\n";
    }
    bool written = std::fputs(text.c_str(), f) >= 0;
    if (!written) why = platform::Result::lastError();
    if (std::fclose(f) != 0 && written) {
        written = false;
        why = platform::Result::lastError();
    }
    logs_.trace("Finished creating launch file");
    if (!written) {
        // A launch file cut short runs half a command: it is not run at all.
        logs_.error("Unable to write file", launch);
        logs_.reason(why);
        // Both are tidied as far as they can be: the failure is already told.
        (void)platform::removeFile(launchPath);
        (void)platform::removeFile(semaphore);
        return false;
    }
    return true;
}

bool ExecCommand::makeExecutable(std::string_view path) {
    if (!pathExists(path)) {
        logs_.error("Unable to make file executable", path);
        return false;
    }
    // A file that cannot take the mode (a kit on a read-only medium) may be
    // executable already: starting it tells.
    if (platform::Result set = platform::setMode(std::string(path), 0755); !set)
        logs_.trace("unable to change the mode of " + std::string(path), set.text());
    return true;
}

bool ExecCommand::setPermissions(std::string_view dir) {
    logs_.trace("configuring permissions", dir);
    bool ok = true;
    std::function<void(const std::string&)> walk = [&](const std::string& path) {
        if (platform::isLink(path)) return;
        if (!platform::setMode(path, 0755)) ok = false;
        if (platform::typeOf(path) != platform::FileType::Directory) return;
        std::vector<platform::DirEntry> entries;
        if (!platform::listDir(path, entries)) return;
        for (const auto& e : entries) walk(path + "/" + e.name);
    };
    walk(std::string(dir));
    logs_.trace("permissions changed", ok);
    return ok;
}

void ExecCommand::reportExecError(std::string_view cmd, int result, int error) {
    logs_.error("Unable to execute command:", cmd);
    logs_.error("                   result", std::to_string(result));
    logs_.error("                    errno", std::to_string(error));
}

}  // namespace qrl
