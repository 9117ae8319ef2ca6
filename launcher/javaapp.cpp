#include "launcher/javaapp.h"

#include <algorithm>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "launcher/useroptions.h"
#include "platform/cmdline.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/safefile.h"
#include "platform/encoding.h"
#include "platform/stopsignal.h"
#include "platform/ui.h"

namespace qrl {
namespace {

constexpr const char* kCaption = "Startup Error";

}  // namespace

JavaApp::JavaApp(Family family, Logs logs, JvmFinder finder)
    : family_(family),
      rules_(rulesFor(family)),
      logs_(std::move(logs)),
      finder_(std::move(finder)),
      startDir_(getCurrentDir(family)) {}

std::string JavaApp::getNextParameter(std::string& rest) {
    std::string token;
    if (rest.empty()) return token;
    size_t close = rest[0] == '"' ? rest.find('"', 1) : std::string::npos;
    if (close != std::string::npos) {
        token = rest.substr(1, close - 1);
        std::string after = rest.substr(close + 1);
        size_t blank = after.find(' ');
        rest = blank == std::string::npos ? after : after.substr(blank + 1);
        return token;
    }
    size_t blank = rest.find(' ');
    if (blank != std::string::npos) {
        token = rest.substr(0, blank);
        rest.erase(0, blank + 1);
        return token;
    }
    token.swap(rest);
    return token;
}

std::vector<std::string> JavaApp::tokenize(std::string_view arguments) {
    std::vector<std::string> tokens;
    std::string rest(arguments);
    while (!rest.empty()) tokens.push_back(getNextParameter(rest));
    return tokens;
}

std::string JavaApp::argsString(const std::vector<std::string>& tokens) {
    std::string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0) out += ' ';
        if (tokens[i].find(' ') != std::string::npos)
            out += '"' + tokens[i] + '"';
        else
            out += tokens[i];
    }
    return out;
}

std::string JavaApp::expandEnvironment(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find('%', i);
        if (open == std::string_view::npos) break;
        size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(i, open - i));
        std::string name(text.substr(open + 1, close - open - 1));
        std::optional<std::string> value = name.empty() ? std::nullopt : platform::getEnv(name);
        if (value) {
            out += *value;
            i = close + 1;
        } else {
            // Left as written; the closing % may open the next name.
            out += '%';
            out += name;
            i = close;
        }
    }
    out.append(text.substr(i));
    return out;
}

bool JavaApp::showsConsole(std::string_view executable) {
    size_t at = executable.find("java.exe");
    return at != std::string_view::npos && at + 8 == executable.size();
}

std::vector<std::string> JavaApp::applicationTokens() const {
    std::vector<std::string> tokens;
    std::vector<std::string> own = tokenize(settings_.arguments);
    for (auto& t : own) {
        if (t.empty()) continue;
        // %NAME% is expanded inside its own token: a value with blanks or
        // dashes stays one argument and never becomes options of its own.
        tokens.push_back(rules_.launcherSplitsLikeWindows ? expandEnvironment(t) : std::move(t));
    }
    // The JVM takes the last of two contradicting options: the user's come
    // after the kit's, and before the application, whose arguments they
    // would otherwise become.
    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(applicationStart(tokens)), userOptions_.begin(),
                  userOptions_.end());
    tokens.insert(tokens.end(), extraArgs_.begin(), extraArgs_.end());
    return tokens;
}

std::string JavaApp::getJavaHomeDir() const { return getJavaHomeDirectory(settings_.executable, family_); }

void JavaApp::showMessage(const std::string& text) const {
    // The error log holds the message on one line.
    std::string line;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = std::min(text.find('\n', at), text.size());
        if (end > at) line += (line.empty() ? "" : " ") + text.substr(at, end - at);
        at = end + 1;
    }
    logs_.errorOnly(line);
    logs_.trace(text);
    if (console_)
        platform::writeStderr(text + "\n");
    else
        platform::showError(kCaption, text);
}

std::string JavaApp::appName() const {
    if (!settings_.programName.empty()) return settings_.programName;
    // No programName: the launcher's own name, which its properties file carries.
    std::string name = propertiesFile_.substr(lastSeparator(propertiesFile_, family_) + 1);
    return name.substr(0, name.rfind(".properties"));
}

bool JavaApp::getParameters(std::string_view programPath, const std::vector<std::string>& extraArgs) {
    LauncherProperties params(family_, logs_, finder_);
    bool ok = params.getParameters(programPath, settings_);
    propertiesFile_ = params.getPropertyFilename();
    if (!ok) {
        if (console_ && !propertiesFile_.empty())
            platform::writeStderr("Unable to open file " + propertiesFile_ + "\n");
        else if (rules_.launcherTellsMissingProperties && !propertiesFile_.empty())
            platform::showError(kCaption, "Unable to open file " + propertiesFile_);
        return false;
    }
    extraArgs_ = extraArgs;
    std::string finalArgs = settings_.arguments;
    if (!extraArgs.empty()) {
        if (!finalArgs.empty()) finalArgs += ' ';
        finalArgs += argsString(extraArgs);
    }
    logs_.trace("Final arguments:", finalArgs);
    return true;
}

bool JavaApp::javaApp(std::string_view programPath, const std::vector<std::string>& extraArgs) {
    logs_.trace("");
    logs_.trace("Starting app from", startDir_);
    outcome_ = LaunchOutcome::NoProperties;
    if (!getParameters(programPath, extraArgs)) return false;
    std::string& exe = settings_.executable;
    const std::string recorded = exe;
    if (exe.empty() || !pathExists(exe)) {
        if (!exe.empty()) logs_.trace("executable not found:", exe);
        // A program that has gone is never looked for in the current
        // directory: whatever lies there (a download folder) is not the
        // application. A JVM was already replaced through the JVM search.
        outcome_ = LaunchOutcome::ExecutableMissing;
        if (recorded.empty())
            showMessage("Unable to start " + appName() + "\n\nThe properties file names no program.\n\n" +
                        "Add an execFilename property to\n" + propertiesFile_);
        else
            showMessage("Unable to start " + appName() + "\n\n" + recorded + "\nis no longer on your system\n\n" +
                        (settings_.noJvmReason.empty() ? "" : settings_.noJvmReason + "\n\n") +
                        "Change the execFilename property in\n" + propertiesFile_);
        return false;  // nothing was started
    }
    if (startCheck_ && !startCheck_(*this)) {
        outcome_ = LaunchOutcome::NotStarted;
        return false;
    }
    return runApp();
}

void JavaApp::getShortName(std::string& path) const {
    if (path.empty()) return;
    if (path.front() == '"') {
        path.erase(0, 1);
        path = path.substr(0, path.find('"'));
    }
    std::string shortForm = platform::pathWithoutBlanks(path);
    if (!shortForm.empty()) {
        path = shortForm;
        logs_.trace("short name", path);
    } else {
        logs_.trace("unable to get short name", path);
    }
}

bool JavaApp::runApp() {
    logs_.trace("Setting up command line");
    std::string& exe = settings_.executable;
    if (console_) useConsoleProgram();
    loadUserOptions();
    if (rules_.launcherShortExecutable && (exe.starts_with("\"") || exe.find(' ') != std::string::npos))
        getShortName(exe);
    std::vector<std::string> tokens = applicationTokens();
    for (const auto& t : tokens) logs_.trace("Next argument:", t);
    runDir_.clear();
    if (!settings_.workingDir.empty() && platform::canRunIn(settings_.workingDir)) {
        runDir_ = settings_.workingDir;
    } else if (!settings_.workingDir.empty()) {
        // The application still starts, here; the user learns why it is not
        // where the properties file wants it.
        std::string notice = "Unable to change to the start directory " + settings_.workingDir + "; " +
                             settings_.programName + " runs in " + getCurrentDir(family_);
        logs_.trace(notice);
        if (rules_.launcherNoticesOnStderr)
            platform::writeStderr(notice + "\n");
        else
            logs_.errorOnly(notice);
    }
    return startApplication(tokens);
}

void JavaApp::useConsoleProgram() {
    std::string& exe = settings_.executable;
    size_t name = lastSeparator(exe, family_);
    name = name == std::string::npos ? 0 : name + 1;
    if (!equalsIgnoreCase(std::string_view(exe).substr(name), "javaw.exe")) return;
    std::string console = exe.substr(0, name) + "java.exe";
    if (!pathExists(console)) {
        logs_.trace("no console program beside", exe);
        return;
    }
    exe = console;
    logs_.trace("console program:", exe);
}

void JavaApp::loadUserOptions() {
    userOptions_.clear();
    if (!settings_.allowsUserOptions()) return;
    if (!userOptionsAllowed_) {
        logs_.trace("user JVM options not read with administrator or borrowed rights");
        return;
    }
    std::string file = userOptionsFile(appName());
    if (file.empty()) {
        logs_.trace("no user JVM options folder for", appName());
        return;
    }
    std::string text;
    platform::Result why;
    std::string refused;
    switch (platform::readRegularFile(file, kUserOptionsLimit, text, &why)) {
        case platform::ReadStatus::Ok: break;
        case platform::ReadStatus::NotAFile: refused = "not a regular file"; break;
        case platform::ReadStatus::TooLarge: refused = "larger than " + std::to_string(kUserOptionsLimit >> 10) + " KiB"; break;
        case platform::ReadStatus::Failed:
            if (why.kind() == platform::ErrorKind::NotFound) {
                logs_.trace("no user JVM options file", file);
                return;
            }
            refused = why.text();
            break;
    }
    if (refused.empty() && !platform::isValidUtf8(text)) refused = "not UTF-8 text";
    if (!refused.empty()) {
        // The application still starts, with the kit's options alone.
        logs_.error("Unable to use the JVM options file " + file + ": " + refused);
        return;
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    UserOptions read = parseUserOptions(text);
    for (const std::string& line : read.ignored) logs_.error("Ignored in the JVM options file " + file + ": " + line);
    logs_.trace("user JVM options applied:", file);
    for (const std::string& option : read.options) logs_.trace("user JVM option:", option);
    userOptions_ = std::move(read.options);
}

bool JavaApp::runWindows(const std::vector<std::string>& tokens) {
    platform::SpawnOptions options;
    if (console_) {
        options.consoleChild = true;
    } else {
        bool show = showsConsole(settings_.executable);
        if (!show) logs_.trace("hide console");
        options.newConsole = true;
        options.hideWindow = !show;
    }
    std::vector<std::string> argv{settings_.executable};
    argv.insert(argv.end(), tokens.begin(), tokens.end());
    logs_.trace("launch command args:", platform::buildWindowsCommandLine(argv));
    options.cwd = runDir_;
    platform::SpawnResult r = platform::spawn(settings_.executable, argv, options);
    logs_.trace("started app silently", r.started ? r.exitCode : r.why.code());
    if (r.started) exitCode_ = r.exitCode;
    else startError_ = r.why.text();
    return r.started;
}

bool JavaApp::runShellCommand(const std::vector<std::string>& tokens) {
    logs_.trace("current dir:", runDir_.empty() ? getCurrentDir(family_) : dirAsCurrent(runDir_, family_));
    // Every token reaches the program as it stands, so the program is started
    // directly; a shell in between would only take the quotes off again.
    std::vector<std::string> argv{settings_.executable};
    argv.insert(argv.end(), tokens.begin(), tokens.end());
    if (rules_.launcherBecomesApplication) {
        // Nothing is left to do afterwards: the application takes this
        // process over, so whoever started the launcher (a shell, a service
        // manager, timeout) signals and waits for the application itself.
        startError_ = platform::becomeProgram(settings_.executable, argv, runDir_).text();
        return false;
    }
    // The signals that end programs reach the application, which ends as it
    // chooses, and the launcher after it. A script without a "#!" line is the
    // shell's to run.
    platform::PassStopSignals passOn(true);
    platform::RunResult r = platform::run({.program = settings_.executable, .argv = argv, .cwd = runDir_});
    if (r.started) exitCode_ = r.exitCode() >= 0 ? r.exitCode() : 128 + r.signal();
    else startError_ = r.why.text();
    return r.started;
}

bool JavaApp::startApplication(const std::vector<std::string>& tokens) {
    logs_.trace("launch command:", settings_.executable + " " + argsString(tokens));
    (void)platform::unsetEnv("CLASSPATH");  // fails only for want of memory
    bool ok = rules_.commands == CommandStyle::WindowsSpawn ? runWindows(tokens) : runShellCommand(tokens);
    logs_.trace("launch system result", ok);
    outcome_ = ok ? LaunchOutcome::Ran : LaunchOutcome::NotStarted;
    if (!ok)
        showMessage("Error starting " + appName() + ".\n\n" + settings_.executable + "\ncannot be executed: " +
                    startError_ + "\n\nCheck the execFilename property in\n" + propertiesFile_);
    return ok;
}

}  // namespace qrl
