// The POSIX family: unixloader (and the Linux install's launcher).
#include "common/familyrules.h"

namespace qrl {

const FamilyRules kPosixRules = {
    .family = Family::Posix,
    .name = "POSIX",
    .dirEnd = '/',
    .windowsPaths = false,
    .currentDirDropsSlash = true,
    .readsVendorKeys = false,
    .readsGuiKeys = true,
    .dropsByte255 = true,
    .tracesControlValues = false,
    .unescapesJvmSwitches = false,
    .defaultClasspath = ".:install.jar:swingall.jar",
    .defaultRequiredVersion = "1.1.8",
    .defaultCommandName = "jre",
    .commandNames = CommandNameRule::CutAnyExtension,
    .tempMarkerOnlyAtStart = false,
    .jvmSearch = JvmSearch::PosixPlaces,
    .runsVersionCommand = true,
    .fixedTraceFile = true,
    .tracesCriteria = false,
    .tracesVersionSteps = false,
    .showsCaptureFailure = true,
    .progressTexts = ProgressTable::Posix,
    .progressOnTerminal = true,
    .errors = ErrorDisplay::Terminal,
    .asksAboutDisplay = false,
    .languageFromRegistry = false,
    .localeLogTimes = true,
    .removesSwingall = true,
    .nativePropertiesSlashes = false,
    .commands = CommandStyle::PosixShell,
    .launchFile = "__qrllaunch",
    .userProfileKeystore = false,
    .identityDirOneLevel = false,
    .launcherSplitsLikeWindows = false,
    .launcherShortExecutable = false,
    .launcherNoticesOnStderr = true,
};

}  // namespace qrl
