// The macOS family: macsetup and maclauncher. The installer takes the Windows
// installer's keys, defaults and status texts, and the POSIX language, logs
// and clean-up.
#include "common/familyrules.h"

namespace qrl {

const FamilyRules kMacRules = {
    .family = Family::Mac,
    .name = "macOS",
    .dirEnd = '/',
    .windowsPaths = false,
    .currentDirDropsSlash = false,
    .propertiesSwitch = true,
    .readsVendorKeys = true,
    .readsGuiKeys = false,
    .dropsByte255 = false,
    .tracesControlValues = true,
    .unescapesJvmSwitches = true,
    .defaultClasspath = ".:install.jar",
    .defaultRequiredVersion = "1.4",
    .defaultCommandName = "jre",
    .commandNames = CommandNameRule::CutFinalExtension,
    .tempMarkerOnlyAtStart = false,
    .jvmSearch = JvmSearch::MacRoots,
    .runsVersionCommand = true,
    .tracesCriteria = true,
    .tracesVersionSteps = true,
    .showsCaptureFailure = false,
    .provisioning = JvmProvisioning::ByInstallerTypeInPosixDirs,
    .checksOsForKitJvm = true,
    .jvmTreeModes = true,
    .progressTexts = ProgressTable::Windows,
    .progressOnTerminal = true,
    .errors = ErrorDisplay::TerminalAndScript,
    .asksAboutDisplay = true,
    .languageFromRegistry = false,
    .localeLogTimes = true,
    .installSequence = InstallSequence::WithRetry,
    .homeIsWindowsDirectory = false,
    .classpathAsRead = false,
    .reportsUnsavedErrorsLog = false,
    .removesSwingall = true,
    .nativePropertiesSlashes = false,
    .commands = CommandStyle::PosixShell,
    .launchFile = "__qrllaunch",
    .userProfileKeystore = false,
    .identityDirOneLevel = false,
    .launcherSplitsLikeWindows = false,
    .launcherShortExecutable = false,
    .launcherPassesArguments = false,
    .launcherStartsInBundle = true,
    .launcherFollowsLinks = false,
    .launcherTellsMissingProperties = true,
    .launcherExitsWithAppStatus = false,
    .launcherNoticesOnStderr = true,
};

}  // namespace qrl
