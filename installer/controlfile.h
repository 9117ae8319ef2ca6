// The kit's control file "qrl.control": key=value lines that tell the
// installer which JVM the application needs, how to install one and how to
// start the Java install wizard.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/kept.h"
#include "common/logs.h"
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
    std::string productName;  // names the installer's windows: "Acme Installer"
};

// A key of the control file as a family's installer reads it.
struct ControlKey {
    std::string_view name;
    size_t capacity;  // characters kept of a value, plus one
    bool read;        // whether this family's installer reads the key at all
};

// The longest line read at once; the rest of a longer line is read as the
// next line.
inline constexpr size_t kControlLineLimit = kept::kControlLineLimit;

struct ControlFilePolicy;

class ControlFile {
public:
    // `progress` learns of the boxes that tell what is wrong with the file.
    ControlFile(Family family, Logs logs, Progress& progress = Progress::none());

    // Every key, in the order a line is tested against them.
    static std::vector<ControlKey> keys(Family family);
    // The key that a line (cut at its line feed, carriage returns removed)
    // sets for the family: the first key the family reads that the line
    // begins with. Nullopt when the line sets nothing.
    static std::optional<ControlKey> keyOfLine(std::string_view line, Family family);
    // Whether the family reads the vendor installer's keys (jvmInstallerType,
    // jvmInstallerBinary, jvmInstallerCommand).
    static bool readsVendorKeys(Family family);
    // The version required when the file gives neither a required nor a
    // minimum version.
    static const char* defaultRequiredVersion(Family family);

    // Reads "qrl.control" into the settings: the line ends are converted,
    // the lines parsed, the defaults applied. `controlFileName` receives the
    // file's name.
    bool getParameters(ControlSettings& settings, std::string& controlFileName);

    // Drops every carriage return (POSIX: also the byte 255) and puts the
    // result in place of the file in one rename.
    bool convertLineEndings(std::string_view name);
    bool parseParameters(ControlSettings& settings, std::string_view name);
    // The same reading for a control file's text held in memory, its line
    // ends converted as convertLineEndings converts them.
    bool parseText(ControlSettings& settings, std::string_view text);
    // The text as convertLineEndings leaves it: carriage returns (and for
    // POSIX the byte 255) dropped.
    std::string convertedText(std::string_view text) const;
    // The lines of a converted text exactly as the parser reads them, each
    // with whether the rest of it (beyond the line limit) was skipped.
    static void eachLine(std::string_view convertedText, const std::function<void(std::string&, bool cut)>& each);
    // The steps of parseParameters: every value emptied, one line (read with
    // the line limit, cut at its line feed) applied, then the escapes and
    // the defaults.
    void clearParameters(ControlSettings& settings);
    void applyLine(std::string_view line, ControlSettings& settings);
    bool finishParameters(ControlSettings& settings);
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

    // The product name of the control file in `dir`, read as the run reads
    // it; empty when the file or the key is missing. For the title of a
    // window that is up before the run reads the file.
    static std::string productNameIn(const std::string& dir, Family family);

private:
    Family family_;
    const ControlFilePolicy& policy_;
    Logs logs_;
    Status status_;  // quiet only when the run is (InstallRun::readControlFile)
};

}  // namespace qrl
