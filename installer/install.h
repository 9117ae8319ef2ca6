// The installer's run: read the control file, make sure a suitable JVM is
// there (or install one), start the Java install wizard and wait for it, show
// progress and errors, then tidy the working directory and save the logs in
// the directory the user started from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/familyrules.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "installer/controlfile.h"
#include "installer/status.h"
#include "jvm/findjvm.h"
#include "provision/jvmrequest.h"

namespace qrl {

inline constexpr const char* kWizardSemaphore = "__qrlwizard.sem";
inline constexpr const char* kNativeProperties = "native.properties";
inline constexpr const char* kStartDirFile = "startdir.txt";

// Fixed texts of the final failure report.
inline constexpr const char* kDiskText =
    "Are the destination or temporary directories out of disk space?\r\r    See errors.log for other possible causes.";
std::string causesText(Family family);

// The first line of "startdir.txt" in the current directory, trailing blanks
// and line ends removed; empty when missing.
std::string getStartDir();

// The parts of the details argument of the POSIX command line: an argument
// that contains "-q" sets quiet (of the program path, its file name only); the
// first argument after it is the details file, whatever it holds, with the
// quoting rules of the installer.
struct CommandLine {
    bool quiet = false;
    bool properties = false;
    std::string details;
};
CommandLine parsePosixCommandLine(const std::vector<std::string>& args);

// The details file that begins at args[i]: the argument as it is, or the text
// inside its double quotes — joined with the following arguments up to the one
// holding the closing quote when the shell split a quoted name at its blanks
// (`i` is left on the last argument taken).
std::string detailsArgument(const std::vector<std::string>& args, size_t& i);

// What the control file asks of a JVM, as the provisioning steps take it.
JvmRequest requestOf(const ControlSettings& s);

// What "native.properties" says, written the way Java reads properties files.
std::string nativePropertiesText(Family family, std::string_view jvmHome, bool installed,
                                 std::string_view installDirText, bool configureRegistry);
// A value written for a Java properties file: "\" doubled, a leading blank
// escaped, letters beyond ASCII as \uXXXX.
std::string escapeJavaProperty(std::string_view value);
// The reverse of escapeJavaProperty for one line read back.
std::string unescapeJavaProperty(std::string_view line);

// What the installer reads back from "native.properties" after the wizard
// (which may have moved the JVM and said so), from the file's text as read
// (CR LF ends too); Windows paths get "\" for "/".
struct NativeProperties {
    std::string jvmHome;          // nativeJvmHomeDir
    std::string installedInTemp;  // nativeJvmInstalledInTemp
    std::string tempJvmDir;       // nativeTempJvmDir
    bool configureRegistry = true;
    bool registryGiven = false;   // a configureWinRegistry line was there
};
NativeProperties parseNativeProperties(std::string_view text, Family family);

class Install {
public:
    // `logs`: "errors.log" and "jinstall.log" in the working directory.
    Install(Family family, SearchPlaces places, Logs logs);

    // The run: true when the wizard ran successfully.
    bool install(bool quiet, bool properties, std::string_view details);
    // The Windows run: switches "-q" and "-s"; when the JVM that was found
    // cannot start the wizard, a JVM is installed and the wizard started once
    // more.
    bool installWithRetry(bool quiet, bool properties, std::string_view details);

    bool getEnvironmentSetup();
    bool getParams();
    bool getHomeDirectory();
    // Windows: the Windows directory from the registry, the search path, or
    // else the working directory.
    bool getWindowsHomeDirectory();

    // The JVM step.
    bool isJvmInstalled();
    bool installTheJvm();
    std::string versionText() const;
    // The Windows installer's two ways of providing a JVM, each given the
    // version text for its messages, and the runs they make.
    bool installJvmBundle(std::string_view versionText);
    bool installJvmInstaller(std::string_view versionText);
    bool extractJvm();
    bool runThirdPartyInstaller();
    // The macOS forms: the POSIX directory candidates and archive run.
    bool extractJvmInPosixDirs();
    bool runVendorInstallerInPosixDirs();
    // Whether the JVM may be registered ("configureWinRegistry"; never
    // outside the Windows installer).
    bool configureWinReg();
    // The kit's Java security files for the JVM found or installed; `plugin`
    // asks for existing files to be replaced (with backups).
    bool addSecurity(bool plugin);

    // The wizard.
    bool runJavaInstaller(std::string_view details);
    std::vector<std::string> wizardArguments(std::string_view details) const;
    std::string buildClasspath() const;
    bool startWizardAndWait(const std::vector<std::string>& argv);
    void startGuiInterface(std::string_view startCommand, std::string_view checkCommand);
    // Writes "native.properties"; false (with the system's reason logged) when
    // it could not be written whole.
    bool logJvmLocation(bool installed, std::string_view installDirText, bool configureRegistry);
    std::string getJavaHomeDir() const;

    void showStatusMessage(unsigned number);

    // Tidying up after the run.
    void cleanUp(bool success);
    void cleanUpManifest(bool success);
    void cleanUpJvmDir();
    void cleanUpErrorsLog();
    // The logs are appended to those at the target (the start directory, or
    // the home directory when only that is writable) and leave the working
    // directory; logs that cannot be saved stay there, and the user is told.
    // Without a readable kit only "errors.log" and the trace go.
    void cleanUpLogFiles();
    bool saveLogsIn(std::string_view target);
    // Appends a log to the one of that name in `target`, never through a
    // link; a lost "errors.log" is reported where the family shows it.
    bool appendLogFile(std::string_view name, std::string_view target);
    bool isDirWriteProtected(std::string_view dir);
    // Removes "jinstall.sem"; the trace it marks as the run's own goes after
    // success and stays (ending with "install ok: false") after a failure.
    void removeTraceSemaphore(bool success);

    ControlSettings& settings() { return settings_; }
    const std::string& jvmCommand() const { return jvmCommand_; }
    const std::string& jvmHome() const { return jvmHome_; }
    const std::string& errorMessage() const { return errorMessage_; }
    const std::string& errorDetails() const { return errorDetails_; }
    const std::string& homeDirectory() const { return homeDirectory_; }
    const Logs& logs() const { return logs_; }
    // Whether the control file was read: only then is the working directory a
    // kit, whose files the run may remove.
    bool kitRead() const { return kitRead_; }

private:
    std::string workingDir() const;
    bool logsInWorkingDir() const;
    // True once a stop signal arrived (the installer passes them on to the
    // programs it waits for); the failure texts then say so.
    bool stopped();
    // Logs kept elsewhere than the working directory: the failure texts name
    // the error log by its full path.
    void nameTheLogs();
    // After a provisioning step: its launcher runs the wizard (and its home is
    // the one the wizard is told), or, when it failed, no launcher is left.
    bool useProvidedJvm(bool ok, const std::string& command);
    // The checks and texts both ways of providing a JVM share: no file named,
    // the file missing, or `run` failing.
    bool provideJvm(std::string_view versionText, const std::string& file, bool (Install::*run)());
    void notFoundTexts(std::string_view versionText);
    void missingFileTexts(std::string_view versionText);
    void installFailedTexts();

    Family family_;
    const FamilyRules& rules_;
    SearchPlaces places_;
    Logs logs_;
    Status status_;
    ControlSettings settings_;
    std::string controlFileName_;
    std::string jvmCommand_;
    std::string jvmHome_;
    std::string errorMessage_;
    std::string errorDetails_;
    std::string homeDirectory_;
    bool quietInstall_ = false;
    bool propertiesInstall_ = false;
    bool kitRead_ = false;
};

// Creates an Install, runs it and answers its result. `kitRead`, when given,
// tells whether the control file was read (Install::kitRead).
bool startProgram(Family family, bool quiet, bool properties, std::string_view details, bool* kitRead = nullptr);

// Whether a file cannot be created in `dir` (an empty name counts as
// protected). The probe is created exclusively and removed again.
bool isDirWriteProtected(std::string_view dir, Family family);

// Where a run's logs go: the working directory, or, when it cannot take a
// file (a kit on a read-only medium), the start directory, else the user's
// home (profile) directory.
std::string logsPlace(Family family, std::string_view workingDir, std::string_view startDir);

// Removes the entries of a finished kit directory (not those beginning with
// "."), then the directory. Refuses the places platform::isProtectedDir names
// (a root, the user's home directory and its Desktop, Documents and
// Downloads) and any directory that holds `startDir`. Log files (names with
// ".log") that are still there could not be saved: they stay, and so does the
// directory.
bool cleanUpAllFiles(std::string_view dir, std::string_view startDir);

}  // namespace qrl
