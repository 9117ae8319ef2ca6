#include "provision/posixjvmdirchooser.h"

#include "common/paths.h"
#include "common/text.h"
#include "platform/env.h"
#include "platform/fs.h"

namespace qrl {
namespace {

constexpr const char* kAppDir = "[$AppDir]";

}  // namespace

std::vector<std::string> installDirCandidates() {
    std::vector<std::string> dirs{"/usr/local/bin", "/usr/local", "/usr/share", "/usr/bin", "/usr", "/opt", "/bin"};
    if (auto value = platform::getEnv("QUARLAN_INSTALL_DIRS")) dirs = splitList(*value, ':');
    return dirs;
}

bool resolvePredefinedDir(std::string_view setting, std::string_view workingDir, std::string& dir) {
    dir.clear();
    const std::string marker = std::string(kAppDir) + "/";
    size_t at = setting.find(marker);
    if (at == std::string_view::npos) {
        // No other variable is known here.
        if (setting.substr(0, 2) == "[$") return false;
        dir = setting;
        return true;
    }
    if (setting == marker) return false;
    dir = std::string(workingDir) + std::string(setting.substr(at + marker.size() - 1));
    return true;
}

PosixJvmDirChooser::PosixJvmDirChooser(Family family, Logs logs, std::vector<std::string> systemDirs)
    : JvmDirChooser(family, std::move(logs)), systemDirs_(std::move(systemDirs)) {}

bool PosixJvmDirChooser::chooseFamilyDir(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    const std::string& predefined = request.predefinedJvmInstallDir;
    if (!predefined.empty()) {
        logs_.trace("predefined install JVM dir", predefined);
        const bool appDir = predefined.find(std::string(kAppDir) + "/") != std::string::npos;
        if (!resolvePredefinedDir(predefined, workingDir_, dir)) {
            logs_.trace(appDir ? "invalid default jvm install directory" : "unknown variable used to install the JVM");
        } else {
            if (appDir) logs_.trace("temporarily installing JVM into", dir);
            if (createPredeterminedJvmDirectory(request, dir, jvmCommand)) return true;
            logs_.trace("unable to create temp jvm dir", dir);
        }
    }
    std::vector<std::string> bases = systemDirs_;
    bases.push_back(home_);
    for (const auto& base : bases) {
        dir = base;
        if (createJvmSubdirectory(request, dir, jvmCommand)) return true;
    }
    return false;
}

std::vector<std::string> PosixJvmDirChooser::searchPathEntries(std::string_view path) const {
    return pathEntries(path);
}

bool PosixJvmDirChooser::refused(std::string_view dir) {
    // The archive expands into this directory and its new entries get their
    // modes changed: never the root of the file system, never the home.
    std::string real = platform::canonicalPath(std::string(dir));
    if (isRootPath(dir, family_) || real == "/" ||
        (!home_.empty() && !real.empty() && real == platform::canonicalPath(home_))) {
        logs_.error("refusing the JVM directory", dir);
        return true;
    }
    return false;
}

bool PosixJvmDirChooser::makeDirectory(const std::string& path) { return bool(platform::makeDir(path, 0755)); }

}  // namespace qrl
