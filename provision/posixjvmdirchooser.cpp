#include "provision/posixjvmdirchooser.h"

#include "common/paths.h"
#include "platform/fs.h"
#include "provision/predefineddir.h"

namespace qrl {
namespace {

constexpr const char* kAppDir = "[$AppDir]";

}  // namespace

PosixDirChoice::PosixDirChoice(Family family, Logs logs, std::vector<std::string> systemDirs, std::string workingDir,
                               JvmRequest request, std::string_view home)
    : DirChoice(family, std::move(logs), std::move(workingDir), std::move(request), home),
      systemDirs_(std::move(systemDirs)) {}

std::optional<std::string> PosixDirChoice::chooseFamilyDir() {
    const std::string& predefined = request_.predefinedJvmInstallDir;
    if (!predefined.empty()) {
        logs_.trace("predefined install JVM dir", predefined);
        const bool appDir = predefined.find(std::string(kAppDir) + "/") != std::string::npos;
        if (auto dir = resolvePredefinedDir(predefined, workingDir_); !dir) {
            logs_.trace(appDir ? "invalid default jvm install directory" : "unknown variable used to install the JVM");
        } else {
            if (appDir) logs_.trace("temporarily installing JVM into", *dir);
            if (auto made = createPredeterminedJvmDirectory(*dir)) return made;
            logs_.trace("unable to create temp jvm dir", *dir);
        }
    }
    std::vector<std::string> bases = systemDirs_;
    bases.push_back(home_);
    for (const auto& base : bases)
        if (auto made = createJvmSubdirectory(base)) return made;
    return std::nullopt;
}

std::vector<std::string> PosixDirChoice::searchPathEntries(std::string_view path) const { return pathEntries(path); }

bool PosixDirChoice::refused(std::string_view dir) const {
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

bool PosixDirChoice::makeDirectory(const std::string& path) { return bool(platform::makeDir(path, 0755)); }

}  // namespace qrl
