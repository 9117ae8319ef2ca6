// The kit's control file "qrl.control": key=value lines that tell the
// installer which JVM the application needs, how to install one and how to
// start the Java install wizard.
#pragma once

#include <string>
#include <string_view>

#include "common/familyrules.h"
#include "common/trace.h"
#include "installer/status.h"

namespace qrl {

inline constexpr const char* kControlFile = "qrl.control";
inline constexpr const char* kControlTemp = "__qrl.control";

// The settings, one per key. Absent keys stay empty unless a default applies.
struct ControlSettings {
    std::string requiredVersion;
    std::string minVersion;
    std::string maxVersion;
    std::string jvmVersion;
    std::string jvmName;
    std::string jvmCommandName;
    std::string jvmExtraParameters;
    std::string jvmClasspathSwitch;
    std::string loaderJavaCommand;
    std::string loaderClasspath;
    std::string jvmInstallerType;     // Windows and macOS
    std::string jvmSelfExtractor;
    std::string jvmInstallerBinary;   // Windows and macOS
    std::string jvmInstallerCommand;  // Windows and macOS
    std::string predefinedJvmInstallDir;
    std::string jvmHomeDir;
    std::string systemSecurityPolicyFilename;
    std::string userSecurityPolicyFilename;
    std::string keystoreFilename;
    std::string appletUrl;
    std::string startGuiCommand;         // POSIX
    std::string checkGuiRunningCommand;  // POSIX
    std::string searchForJvm;
};

class ControlFile : public Trace {
public:
    explicit ControlFile(Family family);

    // Reads "qrl.control" into the settings: the line ends are converted,
    // the lines parsed, the defaults applied. `controlFileName` receives the
    // file's name.
    bool getParameters(ControlSettings& settings, std::string& controlFileName);

    // Drops every carriage return (POSIX: also the byte 255) and puts the
    // result in place of the file in one rename.
    bool convertLineEndings(std::string_view name);
    bool parseParameters(ControlSettings& settings, std::string_view name);
    bool verifyParameters(ControlSettings& settings);

    // jvmExtraParameters (Windows, macOS): a backslash before a character that
    // cannot stand in a file name is removed.
    std::string removeExtraBackSlashes(std::string_view value);
    static bool isfilenameChar(char c);
    // predefinedJvmInstallDir: the escapes of Java properties files for ":"
    // and "\"; Windows turns "/" into "\".
    std::string unescapeInstallDir(std::string_view value) const;
    // jvmCommandName: lower case, the family's executable form.
    std::string normalizeCommandName(std::string_view name) const;

    Status& status() { return status_; }

private:
    const FamilyRules& rules_;
    Status status_;  // never quiet: control file errors are always shown
};

}  // namespace qrl
