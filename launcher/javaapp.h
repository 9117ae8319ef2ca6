// The application launcher: reads the properties file that belongs to the
// launcher, checks the executable, and starts the application with its
// arguments in its working directory, without a CLASSPATH from the user's
// environment. The POSIX family's launcher becomes the application; the others
// wait until it ends (macOS passing TERM, INT, HUP and QUIT on to it).
//
// Windows: the executable is started directly (never through the command
// interpreter) with a command line that splits back into exactly the tokens
// built; %NAME% in the properties arguments is replaced by the variable's value
// (a name that is not set stays as written). A console of its own is shown for
// java.exe and hidden for everything else. POSIX and macOS families: the
// program is started directly, every token arriving as one argument. Which
// arguments are passed on, where the properties file is looked for and what
// the exit status says are the family's policy (launcherpolicy.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logs.h"
#include "launcher/launcherpolicy.h"
#include "launcher/properties.h"

namespace qrl {

// How a run ended, for the families whose launcher exits with the
// application's own status.
enum class LaunchOutcome {
    NoProperties,       // the launcher path or its properties file could not be used
    ExecutableMissing,  // the executable is not on the system (the user was told)
    NotStarted,         // the executable is there but could not be started (the user was told)
    Ran,                // the application ran; exitCode() is its status
};

class JavaApp {
public:
    // Records the current directory as the start directory. `logs` are the
    // launcher's: "errors.log" and the trace "startapp.log".
    JavaApp(Family family, Logs logs, JvmFinder finder = {});

    // The whole run. `programPath` is the launcher's path; `extraArgs` are the
    // launcher's own arguments, each handed to the application as one token.
    // False when the properties file cannot be used, the executable is
    // missing (after the message that says so) or the program cannot be
    // started; true when it ran, whatever its exit code. Where the family's
    // launcher becomes the application, it returns only when it could not.
    bool javaApp(std::string_view programPath, const std::vector<std::string>& extraArgs);

    // Asked right before the application starts, once the properties are
    // read and the program is there: false starts nothing (the check has
    // told the user why).
    using StartCheck = std::function<bool(const JavaApp&)>;
    void setStartCheck(StartCheck check) { startCheck_ = std::move(check); }

    // Whether this process may read the user's own JVM options file when the
    // properties ask for it (userJvmOptions=true): never with administrator
    // rights or rights borrowed from another user or group.
    void allowUserOptions(bool allowed) { userOptionsAllowed_ = allowed; }

    // The console launcher of Windows: the application shares the caller's
    // console and standard handles (java.exe where the properties name
    // javaw.exe), ends with the launcher, and messages go to standard error.
    void setConsole(bool console) { console_ = console; }

    bool getParameters(std::string_view programPath, const std::vector<std::string>& extraArgs);
    bool runApp();
    bool startApplication(const std::vector<std::string>& tokens);

    // Takes the next token off the front of `rest`: a token in double quotes
    // (the quotes go, and anything after the closing quote up to the next
    // blank), else the text up to the next blank (two blanks give an empty
    // token), else the whole rest.
    static std::string getNextParameter(std::string& rest);
    // All tokens of an argument string.
    static std::vector<std::string> tokenize(std::string_view arguments);
    // Tokens joined by blanks, a token with a blank in double quotes.
    static std::string argsString(const std::vector<std::string>& tokens);
    // %NAME% replaced by the value of the environment variable NAME; names that
    // are not set stay as written.
    static std::string expandEnvironment(std::string_view text);
    // Whether the first "java.exe" in the executable ends it (case-sensitive):
    // only then is the application's console shown.
    static bool showsConsole(std::string_view executable);

    // The application's tokens: the properties arguments (expanded on Windows)
    // with the user's JVM options before the application's main class, -jar
    // or -m, then the launcher's own arguments.
    std::vector<std::string> applicationTokens() const;
    // The JVM home of the executable (…/bin/java gives …).
    std::string getJavaHomeDir() const;

    LaunchOutcome outcome() const { return outcome_; }
    // The application's exit status after it ran: its exit code, or 128 plus
    // the signal that ended it.
    int exitCode() const { return exitCode_; }

    const LaunchSettings& settings() const { return settings_; }
    const std::string& executable() const { return settings_.executable; }
    const std::string& propertiesFile() const { return propertiesFile_; }
    const std::string& startDir() const { return startDir_; }

private:
    // To the user, the trace and (on one line) the error log.
    void showMessage(const std::string& text) const;
    // The application's name in messages: programName, else the launcher's own.
    std::string appName() const;
    void getShortName(std::string& path) const;
    bool runWindows(const std::vector<std::string>& tokens);
    bool runShellCommand(const std::vector<std::string>& tokens);
    // Reads the user's options file into userOptions_ when it applies.
    void loadUserOptions();
    // The console twin of a windowed Java program (javaw.exe gives java.exe).
    void useConsoleProgram();

    Family family_;
    const LauncherPolicy& policy_;
    Logs logs_;
    JvmFinder finder_;
    LaunchSettings settings_;
    std::vector<std::string> extraArgs_;
    std::string startDir_;
    std::string runDir_;  // where the application runs when not in startDir_
    std::string propertiesFile_;
    StartCheck startCheck_;
    bool userOptionsAllowed_ = false;
    bool console_ = false;
    std::vector<std::string> userOptions_;
    LaunchOutcome outcome_ = LaunchOutcome::NoProperties;
    int exitCode_ = 0;
    std::string startError_;  // the system's reason when the program could not be started
};

// The whole launcher of the POSIX and macOS families: `args` as main received
// them (the launcher's path first). The family's policy decides where the
// properties file is looked for, whether the arguments are passed on and the
// exit status.
// `jvmSearch` is the family whose JVM search repairs a vanished JVM: the
// POSIX launcher built for macOS looks in the macOS JVM roots first.
int posixLauncherMain(Family family, const std::vector<std::string>& args);
int posixLauncherMain(Family family, const std::vector<std::string>& args, Family jvmSearch);

// The whole launcher of the Windows family: `args` as the entry received them.
// `elevated` is update.exe's, which runs with administrator rights: it takes
// no test settings and no JVM options from the environment, and starts
// nothing that others than administrators may change.
int windowsLauncherMain(const std::vector<std::string>& args, bool elevated);

// The console launcher of Windows (QuarlanConsole.exe): the application runs
// in the caller's console with its standard handles, Ctrl-C and Ctrl-Break
// reach it, it ends when the launcher is killed, and the launcher exits with
// its status (126 when it could not be started or the properties file not
// read, 127 when the executable is missing), saying why on standard error.
int windowsConsoleLauncherMain(const std::vector<std::string>& args);

// The exit status of a launcher that exits with the application's: its own
// after it ran, 127 when the executable is missing, else 126.
int applicationStatus(const JavaApp& app);

}  // namespace qrl
