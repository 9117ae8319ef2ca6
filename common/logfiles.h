// The names of the log files the programs write, in one place. A trace file is
// written only while it exists (the user switches tracing on by creating it);
// the error log is always written.
#pragma once

namespace qrl {

inline constexpr const char* kErrorLog = "errors.log";
inline constexpr const char* kTraceLog = "jinstall.log";        // the installers' trace
inline constexpr const char* kTraceSemaphore = "jinstall.sem";  // the installer made the trace itself
inline constexpr const char* kLauncherTrace = "startapp.log";   // the launchers' trace
inline constexpr const char* kUninstallTrace = "juninstall.log";
inline constexpr const char* kDebugTrace = "jdebug.log";       // the formatted commands, while it exists
inline constexpr const char* kLocaleLog = "locale.log";         // the language choice, while it exists
inline constexpr const char* kTerminalEcho = "term.log";        // every log line echoed on standard output

}  // namespace qrl
