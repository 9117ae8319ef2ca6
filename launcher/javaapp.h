// The application launcher: reads the properties file that belongs to the
// launcher, checks the executable, and starts the application with its
// arguments in its working directory, without a CLASSPATH from the user's
// environment, waiting until it ends.
//
// Windows: the executable is started directly (never through the command
// interpreter) with a command line that splits back into exactly the tokens
// built; %NAME% in the properties arguments is replaced by the variable's value
// (a name that is not set stays as written). A console of its own is shown for
// java.exe and hidden for everything else. macOS family: the command runs
// through the shell with every token quoted, so it arrives as one argument.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/familyrules.h"
#include "common/trace.h"
#include "launcher/properties.h"

namespace qrl {

class JavaApp : public Trace {
public:
    // Records the current directory as the start directory.
    explicit JavaApp(Family family, JvmFinder finder = {});

    // The whole run. `programPath` is the launcher's path; `extraArgs` are the
    // launcher's own arguments, each handed to the application as one token.
    // False when the properties file cannot be used, the executable is
    // missing (after the message that says so) or the program cannot be
    // started; true when it ran, whatever its exit code.
    bool javaApp(std::string_view programPath, const std::vector<std::string>& extraArgs);

    bool getParameters(std::string_view programPath, const std::vector<std::string>& extraArgs);
    bool runApp();
    bool _runApp(const std::vector<std::string>& tokens);

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

    // The application's tokens: the properties arguments (expanded on Windows),
    // then the launcher's own arguments.
    std::vector<std::string> applicationTokens() const;
    // The JVM home of the executable (…/bin/java gives …).
    std::string getJavaHomeDir() const;

    const LaunchSettings& settings() const { return settings_; }
    const std::string& executable() const { return settings_.executable; }
    const std::string& propertiesFile() const { return propertiesFile_; }
    const std::string& startDir() const { return startDir_; }

private:
    void showMessage(const std::string& text) const;
    void getShortName(std::string& path) const;
    bool runWindows(const std::vector<std::string>& tokens);
    bool runShellCommand(const std::vector<std::string>& tokens);

    Family family_;
    const FamilyRules& rules_;
    JvmFinder finder_;
    LaunchSettings settings_;
    std::vector<std::string> extraArgs_;
    std::string startDir_;
    std::string propertiesFile_;
};

}  // namespace qrl
