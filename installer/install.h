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
#include "installer/installrun.h"
#include "jvm/findjvm.h"
#include "platform/dirlock.h"

namespace qrl {

class JvmStep;

inline constexpr const char* kWizardSemaphore = "__qrlwizard.sem";
inline constexpr const char* kNativeProperties = "native.properties";
inline constexpr const char* kStartDirFile = "startdir.txt";

// Fixed texts of the final failure report.
inline constexpr const char* kDiskText =
    "Are the destination or temporary directories out of disk space?\r\r    See errors.log for other possible causes.";
std::string causesText(Family family);

// The first line of "startdir.txt" in the current directory: read as UTF-8
// with or without a byte order mark, UTF-16 LE or BE after its mark, else (on
// Windows) in the system's code page; the line ends at LF or CR LF. Trailing
// blanks are dropped unless only the name with them is a folder. Empty when
// the file is missing or not a plain file.
std::string getStartDir();
// The line of "startdir.txt" from the file's bytes, decoded, without its line
// end and cut to 5000 bytes; trailing blanks kept.
std::string startDirLine(std::string_view fileBytes);

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

// The installation run: the JVM step, the wizard start and the clean-up, in
// one sequence for every family.
class Install {
public:
    // `logs`: "errors.log" and "jinstall.log" in the working directory.
    Install(Family family, SearchPlaces places, Logs logs);

    // The run: true when the wizard ran successfully. `quiet` ("-q") and
    // `properties` ("-s") hand the details file to the wizard. Where the
    // family says so, a JVM is installed and the wizard started once more
    // when the JVM that was found cannot start it.
    bool install(bool quiet, bool properties, std::string_view details, std::string_view startDir = {});

    // What the run ended with.
    const std::string& jvmCommand() const { return run_.jvmCommand; }
    const std::string& jvmHome() const { return run_.jvmHome; }
    const std::string& errorMessage() const { return run_.errorMessage; }
    const std::string& errorDetails() const { return run_.errorDetails; }
    bool kitRead() const { return run_.kitRead; }
    bool logsLost() const { return run_.logsLost; }
    const std::string& logsDir() const { return run_.logsDir; }

private:
    // The switches, the trace and the home directory, then the control file.
    bool prepare(bool quiet, bool properties);
    bool startWizard(JvmStep& jvm, std::string_view details, bool providedNow);
    // The failure texts in the logs and in front of the user.
    void reportFailure();

    InstallRun run_;
    SearchPlaces places_;
};

// What a run ended with, for the program's entry to decide on the working
// directory and the exit status.
struct RunOutcome {
    bool success = false;  // the wizard ran
    bool kitRead = false;  // the control file was read: the directory is a kit
    // Logs due in the start directory that could not be saved there: they
    // are in `logsDir`, the working directory, which must stay.
    bool logsLost = false;
    std::string logsDir;
    // Whether the working directory may be removed now.
    bool mayRemoveKit() const { return kitRead && !logsLost; }
};

// Creates an Install for the current directory, runs it and answers what it
// ended with; the logs are saved in `startDir` (see RunCleanup).
RunOutcome startProgram(Family family, bool quiet, bool properties, std::string_view details,
                        std::string_view startDir);

// The refusal of a run started in a kit that another run holds.
inline constexpr const char* kAnotherRunning = "Another installation is running in this directory";

// Where a run that is refused writes its "errors.log": the user's temporary
// directory (TMPDIR, TEMP or TMP, else /tmp), never the kit or the start
// directory, whose logs belong to the run that holds the kit. Empty when there
// is none.
std::string refusedRunLogsDir();

// Takes the kit directory `kit` for this run: an exclusive lock held as long
// as `lock` lives, inherited by the programs the run starts and gone with the
// last of them, however they end. Once taken, what a killed run left of its
// work files (in a kit with a control file, and in the folders it noted) is
// removed. False when another run holds the kit: the refusal is then on
// standard error and in the refused run's own "errors.log"
// (refusedRunLogsDir), and nothing is changed. A kit that cannot be locked at all is run unlocked. A kit that
// the run copies before it works (`KitUse::CopiedFirst`) holds no work files.
enum class KitUse { WorkedIn, CopiedFirst };
bool claimKitDir(const std::string& kit, platform::DirLock& lock, Family family, KitUse use = KitUse::WorkedIn);

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
