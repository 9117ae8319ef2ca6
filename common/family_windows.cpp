// The Windows family: installer.exe, Quarlan.exe, update.exe.
#include "common/familyrules.h"

namespace qrl {

const FamilyRules kWindowsRules = {
    .family = Family::Windows,
    .name = "Windows",
    .dirEnd = '\\',
    .windowsPaths = true,
    .currentDirDropsSlash = false,
    .readsVendorKeys = true,
    .readsGuiKeys = false,
    .dropsByte255 = false,
    .tracesControlValues = true,
    .unescapesJvmSwitches = true,
    .defaultClasspath = ".;install.jar",
    .defaultRequiredVersion = "1.4",
    .defaultCommandName = "jre.exe",
    .commandNames = CommandNameRule::WindowsExe,
    .tempMarkerOnlyAtStart = true,
    .jvmSearch = JvmSearch::Registry,
    .runsVersionCommand = false,
    .fixedTraceFile = false,
    .tracesCriteria = true,
    .tracesVersionSteps = false,
    .showsCaptureFailure = false,
    .progressTexts = ProgressTable::Windows,
    .progressOnTerminal = false,
    .errors = ErrorDisplay::MessageBox,
    .asksAboutDisplay = true,
    .languageFromRegistry = true,
    .localeLogTimes = false,
    .removesSwingall = false,
    .nativePropertiesSlashes = true,
    .commands = CommandStyle::WindowsSpawn,
    .launchFile = "__qrllaunch.bat",
    .userProfileKeystore = true,
    .identityDirOneLevel = true,
    .launcherSplitsLikeWindows = true,
    .launcherShortExecutable = true,
    .launcherNoticesOnStderr = false,
};

}  // namespace qrl
