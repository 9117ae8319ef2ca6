// What differs between the three behaviour families, described once per
// family (family_windows.cpp, family_posix.cpp, family_mac.cpp). The logic
// reads these values instead of asking which family it runs for, so that
// "what does the macOS installer do?" has one file to open, and every family
// can still be run and tested on any system through the runtime Family value.
#pragma once

#include "common/family.h"

namespace qrl {

// How a JVM is looked for.
enum class JvmSearch {
    Registry,     // the JavaSoft keys of the Windows registry
    PosixPlaces,  // search path, home directory, system directories
    MacRoots,     // the macOS JVM roots
};

// How the control file's "jvmCommandName" becomes the launcher's file name.
enum class CommandNameRule {
    WindowsExe,         // ".exe" (or .bat/.com) ending; windowed launchers unless the user traces
    CutAnyExtension,    // ".exe"/".bat"/".com" anywhere cuts at the last dot (POSIX)
    CutFinalExtension,  // only a final ".exe"/".bat"/".com" is cut (macOS)
};

// Which table of progress texts a family's installer shows.
enum class ProgressTable { Windows, Posix };

// How an installer puts an error in front of the user.
enum class ErrorDisplay {
    MessageBox,         // a Windows message box (the installer's window layer)
    Terminal,           // message and details on standard output and standard error, also in quiet mode
    TerminalAndScript,  // message and details on both streams, then the kit's "show_error.sh"; nothing when quiet
};

// How commands of the kit (archives, vendor installers) are started.
enum class CommandStyle {
    WindowsSpawn,  // a vector spawn, a ".bat" launch file to wait on
    PosixShell,    // made executable, a shell launch file to wait on
};

// How a JVM is provided when the search found none.
enum class JvmProvisioning {
    ByInstallerType,            // "jvmInstallerType": the kit's archive or a vendor's installer in the Windows
                                // directories, registered in the registry
    ByInstallerTypeInPosixDirs, // "jvmInstallerType", in the POSIX directory candidates (macOS)
    InstallJvm,                 // the kit's archive, or the vendor program "jvmThirdPartyInstaller" asks for
};

struct FamilyRules {
    const char* name;  // for traces and messages: "Windows", "POSIX", "macOS"

    // Paths.
    char dirEnd;                // the separator written between a directory and a name
    bool windowsPaths;          // "\" and "/" separate, drive and share roots, "bin" compared ignoring case
    bool currentDirDropsSlash;  // a trailing "/" is dropped whatever the length ("/" becomes "")

    // The installer's command line.
    bool propertiesSwitch;  // "-s file" is accepted: a properties-driven run, handed to the wizard (Windows, macOS)

    // The control file "qrl.control".
    bool readsVendorKeys;        // jvmInstallerType, jvmInstallerBinary, jvmInstallerCommand
    bool readsGuiKeys;           // startGuiCommand, checkGuiRunningCommand
    bool dropsByte255;           // the line-end conversion also drops the byte 255
    bool tracesControlValues;    // every key is traced as it is read
    bool unescapesJvmSwitches;   // jvmExtraParameters loses backslashes before non-file-name characters
    const char* defaultClasspath;
    const char* defaultRequiredVersion;  // when neither a required nor a minimum version is given
    const char* defaultCommandName;
    CommandNameRule commandNames;
    bool tempMarkerOnlyAtStart;  // "[$AppDir]" counts only at the start of the install directory

    // The JVM version test and the search.
    JvmSearch jvmSearch;
    bool runsVersionCommand;  // "-version" before the probe (Windows runs only the probe)
    bool tracesCriteria;      // the criteria and each verdict are traced
    bool tracesVersionSteps;  // "results ok", "version tested ok", "jvm fullname"
    bool showsCaptureFailure; // "Unable to redirect stderr" also on the terminal
    // Providing a JVM. ByInstallerType also adds the security files only
    // after a JVM was newly put in place; InstallJvm after every run that
    // found or installed one.
    JvmProvisioning provisioning;

    bool vendorRestartIsSuccess;  // a vendor's JVM installer answering 3010 or 1641 (restart needed) succeeded
    bool vendorReasonLine;        // its failure is logged as "Error running JVM installer: <reason>" (else
                                  // only an exit status that is not 0 is told)
    bool checksOsForKitJvm;     // the system's release is checked before the kit's own JVM is installed
    bool jvmTreeModes;          // what a kit's archive or vendor installer made below the JVM directory gets
                                // 0755 throughout (else only the directory's own entries)
    bool jvmDirsOfWindows;      // a new JVM's directory is chosen among the Windows folders (else among the
                                // POSIX candidates)
    bool kitArchiveSpawned;     // the kit's JVM archive is started directly (its short path where it holds
                                // blanks) and no modes change; else through the shell, its output to "__temp.log"
    bool registersJvm;          // a new JVM that passed the version test is registered and its launcher pair
                                // copied to the home directory, as "configureWinRegistry" allows

    // Texts and messages.
    ProgressTable progressTexts;
    bool progressOnTerminal;   // progress texts on standard output (else only traced)
    ErrorDisplay errors;
    bool asksAboutDisplay;     // the causes text asks whether the display is exported
    bool languageFromRegistry; // "LocaleName" of the registry (else LANG)
    bool localeLogTimes;       // "locale.log" lines begin with the time

    // The installation run.
    bool retriesWizardWithNewJvm;  // when the JVM found cannot start the wizard, one is installed and the wizard
                                   // started once more; a failure then asks about a "java" in the path
    bool homeIsWindowsDirectory;  // the home directory is the Windows directory (else the "home" variables)
    bool classpathAsRead;         // the wizard gets loaderClasspath as read (else elements joined with ":")
    bool reportsUnsavedErrorsLog; // an "errors.log" that could not be saved in the start directory is told in a box

    // Files and clean-up.
    bool removesSwingall;            // the clean-up also removes "swingall.jar"
    const char* kitCleanupProgram;   // the program a kit carries to remove itself after the run (none: nullptr)
    bool nativePropertiesSlashes;    // nativeJvmHomeDir written with "/" for "\"
    CommandStyle commands;
    const char* launchFile;          // the launch file a command may run through

    // Java security files.
    bool userProfileKeystore;  // a ${user.home} keystore may go to the user's profile place
    bool identityDirOneLevel;  // the identity database's directory made in one step (else level by level)

    // The launcher.
    bool launcherSplitsLikeWindows;  // %NAME% in the properties arguments expanded, inside each token
    bool launcherShortExecutable;    // an executable path with blanks or quotes is shortened (8.3)
    bool launcherPassesArguments;    // the launcher's own arguments follow those of the properties file
    bool launcherStartsInBundle;     // a path inside "<name>.app" is cut there and the launcher works beside the bundle
    bool launcherFollowsLinks;       // started through a symbolic link, the real path names the properties file
    bool launcherTellsMissingProperties;  // an unreadable properties file is named on standard error
    bool launcherExitsWithAppStatus;      // the application's exit status (126/127 when it was not started),
                                          // else 1 when it ran or was reported missing, 0 otherwise
    bool launcherBecomesApplication;      // the launcher process becomes the application (its signals, status
                                          // and process id are the application's), else it waits for it and
                                          // passes TERM, INT, HUP and QUIT on
    bool launcherNoticesOnStderr;    // notices go to standard error (else to "errors.log", no box)
};

// The description of a family.
const FamilyRules& rulesFor(Family family);

extern const FamilyRules kWindowsRules;
extern const FamilyRules kPosixRules;
extern const FamilyRules kMacRules;

}  // namespace qrl
