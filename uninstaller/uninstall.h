// The native side of removing an installed application: runs the Java
// uninstaller "Uninstall.exe" of the installation directory and, only when it
// leaves the marker "__uninstall_done__", removes what the Java side leaves
// behind: the launcher properties ("Quarlan"), the JVMs installed into the
// installation directory (subdirectories named java*, jre*, jvm*), the
// uninstall program and, when empty, the installation directory.
//
// Removal never leaves the installation directory: symbolic links and
// junctions are removed themselves, never followed. Refused, with a message
// (a box unless quiet) and nothing run or removed: an empty directory, a root,
// a protected folder under any of its names or a folder that holds one
// (platform::isProtectedDir), and a folder that is not an installation (no
// "Uninstall.exe", no "Quarlan" folder).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logs.h"

namespace qrl {

inline constexpr const char* kUninstallExe = "Uninstall.exe";
inline constexpr const char* kUninstallDone = "__uninstall_done__";
inline constexpr const char* kLauncherDir = "Quarlan";

class Uninstaller {
public:
    // `startDir` holds the log "juninstall.log" (written only when it exists)
    // and is where the uninstaller goes after the uninstall program ran.
    Uninstaller(Family family, std::string startDir);

    // The whole run for the program's arguments (its own path first). The
    // program's exit status is always 0, so nothing is answered.
    void run(const std::vector<std::string>& args);

    // True when the uninstall program reported completion.
    bool runUninstaller(const std::string& installDir, const std::string& uninstallExe, bool quiet);
    void cleanUp(const std::string& installDir, const std::string& uninstallExe);
    void removeSubdir(const std::string& path);
    void removeJreSubdir(const std::string& installDir);

    // The trace "juninstall.log" in the start directory.
    const Logs& logs() const { return logs_; }

    // The directory of the program path (quotes dropped); the current
    // directory when the path names no directory.
    static std::string startDirectory(std::string_view programPath, Family family);

    // The pause before the second attempt at the launcher properties.
    void setRetryDelay(unsigned ms) { retryDelayMs_ = ms; }

private:
    // Tells why nothing is done: in the log, and in a box unless quiet.
    void refuse(const std::string& text, bool quiet) const;

    Family family_;
    std::string startDir_;
    Logs logs_;
    unsigned retryDelayMs_ = 5000;
};

}  // namespace qrl
