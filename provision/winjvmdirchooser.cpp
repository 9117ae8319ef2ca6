#include "provision/winjvmdirchooser.h"

#include <algorithm>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/osversion.h"
#include "platform/rights.h"
#include "provision/adminonly.h"

namespace qrl {
namespace {

constexpr const char* kProgFilesDir = "[$ProgFilesDir]";
constexpr const char* kWinDir = "[$WinDir]";
constexpr const char* kAppDir = "[$AppDir]";

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string join(std::string_view dir, std::string_view name) { return joinPath(dir, name, Family::Windows); }

}  // namespace

WinDirChoice::WinDirChoice(Logs logs, WindowsFolders folders, std::string workingDir, JvmRequest request,
                           std::string_view home)
    : DirChoice(Family::Windows, std::move(logs), std::move(workingDir), std::move(request), home),
      folders_(std::move(folders)),
      elevated_(platform::runsElevated()) {}

std::optional<std::string> WinDirChoice::chooseFamilyDir() {
    const std::string& predefined = request_.predefinedJvmInstallDir;
    if (!predefined.empty()) {
        logs_.trace("default install directory for JVM", predefined);
        if (auto resolved = predefinedDir(predefined))
            if (auto made = createPredeterminedJvmDirectory(*resolved)) return made;
    }
    auto made = createWinJvmDirectory();
    if (!made) logs_.trace("unable to create Windows JVM directory");
    return made;
}

std::vector<std::string> WinDirChoice::searchPathEntries(std::string_view path) const {
    // Every entry, an empty one too (its subtree lies below the working
    // directory).
    std::vector<std::string> entries;
    for (size_t start = 0; start <= path.size();) {
        size_t end = std::min(path.find(';', start), path.size());
        entries.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

void WinDirChoice::beforeWorkingDir() {
    // The "jvm" subtree an earlier run left below the working directory.
    std::string jvm = join(workingDir_, "jvm");
    if (isDir(jvm) && !platform::isLink(jvm)) delDirTree(jvm, Family::Windows);
}

std::optional<std::string> WinDirChoice::predefinedDir(std::string_view setting) const {
    if (!startsWith(setting, "[$")) {
        logs_.trace("installing JVM in", setting);
        return std::string(setting);
    }
    std::string reason;
    std::optional<std::string> out;
    if (startsWith(setting, kProgFilesDir)) {
        if (auto programs = programsDirectory())
            out = variableDir(kProgFilesDir, *programs, setting);
        else
            reason = "unable to get Programs File directory for JVM";
    } else if (startsWith(setting, kWinDir)) {
        if (auto windows = platform::windowsDirectory())
            out = variableDir(kWinDir, windows->path, setting);
        else
            reason = "unable to get Windows directory for JVM";
    } else if (startsWith(setting, kAppDir)) {
        // Whatever follows the variable: the JVM goes to the working
        // directory's "jvm".
        out = join(workingDir_, "jvm");
    } else {
        reason = "unknown variable used to install the JVM";
    }
    if (out) {
        logs_.trace("installing JVM in", *out);
        return out;
    }
    if (!reason.empty()) logs_.trace(reason);
    logs_.trace("unable to install JVM in", "");
    return std::nullopt;
}

std::optional<std::string> WinDirChoice::variableDir(std::string_view variable, std::string_view resolved,
                                                     std::string_view setting) const {
    std::string pattern = std::string(variable) + "\\";
    if (!startsWith(setting, pattern)) {
        logs_.trace("invalid predefined directory for JVM", setting);
        return std::nullopt;
    }
    if (setting.size() == pattern.size()) {
        logs_.trace("invalid default jvm install directory");
        return std::nullopt;
    }
    logs_.trace("predefinedJvmInstallDir != testDir", pattern);
    std::string result = std::string(resolved) + std::string(setting.substr(variable.size()));
    logs_.trace("trying to install JVM into", result);
    return result;
}

bool WinDirChoice::refused(std::string_view dir) const {
    // A JVM never goes straight into a root, the user's profile or the
    // Windows directory: a failed JVM's directory is removed again.
    std::string canon = platform::canonicalPath(std::string(dir));
    auto same = [&](const std::optional<std::string>& other) {
        if (!other || other->empty()) return false;
        std::string o = platform::canonicalPath(*other);
        return !o.empty() && !canon.empty() && compareIgnoreCase(o, canon) == 0;
    };
    bool refuse = isRootPath(dir, Family::Windows) || (!canon.empty() && isRootPath(canon, Family::Windows)) ||
                  same(platform::getEnv("USERPROFILE")) || same(home_);
    if (refuse) logs_.error("refusing to install a JVM into", dir);
    return refuse;
}

bool WinDirChoice::mayReuse(std::string_view dir) const {
    if (adminOnlyFolder(dir, choice_.adminOnly, folders_.rights)) return true;
    logs_.trace("left alone, others may change it:", dir);
    return false;
}

bool WinDirChoice::makeDirectory(const std::string& path) {
    if (!elevated_) return bool(platform::makeDir(path));
    if (!platform::makeAdminOnlyDir(path)) return false;
    choice_.adminOnly.push_back(path);
    return true;
}

std::optional<std::string> WinDirChoice::createWinJvmDirectory() {
    std::string drive;
    if (auto programs = programsDirectory()) {
        size_t colon = programs->find(':');
        if (colon != std::string::npos) drive = programs->substr(0, colon + 1);
        if (auto made = createProgramsJvmDirectory(*programs)) return made;
    }
    // The jvm subtree on the programs directory's drive (the working
    // directory without one), then below the home directory.
    if (auto made = createJvmSubdirectory(drive)) return made;
    if (home_.empty()) return std::nullopt;
    return createJvmSubdirectory(home_);
}

std::optional<std::string> WinDirChoice::createProgramsJvmDirectory(std::string dir) {
    std::string majorMinor, micro;
    parseVersion(request_.jvmVersion, majorMinor, micro);
    const std::string& name = request_.jvmName;
    auto descend = [&](const std::string& next) {
        auto made = addDirectory(dir, next);
        if (made) dir = *made;
        return made.has_value();
    };
    bool made = name == "JRE" || name == "JDK" || name == "Java Plug-in"
                    ? descend("JavaSoft") && descend(name + majorMinor)
                    : descend("JVM" + majorMinor);
    if (!made) {
        logs_.trace("Unable to create: ", dir);
        made = descend("Java" + majorMinor);
    }
    if (!made) return std::nullopt;
    if (auto chosen = reuseOrAdd(dir, majorMinor + "." + micro, request_.jvmVersion, true)) return chosen;
    return reuseOrAdd(dir, request_.jvmVersion, "Jvm" + request_.jvmVersion, false);
}

std::optional<std::string> WinDirChoice::reuseOrAdd(const std::string& dir, const std::string& leaf,
                                                    const std::string& fresh, bool traceVerdict) {
    std::string probe = join(dir, leaf);
    if (!isDir(probe)) return addDirectory(dir, fresh);
    logs_.trace("found a possible directory", probe);
    choice_.discovered = foundValidJvm(probe);
    if (traceVerdict) {
        logs_.trace("directory ok", choice_.discovered);
        logs_.trace("discovered jvm", choice_.discovered);
    }
    if (!choice_.discovered) return std::nullopt;
    return probe;
}

std::optional<std::string> WinDirChoice::programsDirectory() const {
    auto found = folders_.programFilesDir(logs_);
    logs_.trace("checking for vista/7");
    bool vista = platform::windowsMajorVersion() > 5;
    logs_.trace("vista/7", vista);
    if (!vista) return found;
    if (found) {
        std::string probe = join(*found, "__test__zos");
        bool writable = false;
        (void)platform::removeDir(probe);  // one an interrupted run left behind
        if (!isDir(probe) && platform::makeDir(probe)) {
            writable = isDir(probe);
            (void)platform::removeDir(probe);  // best effort: the probe is only a leftover
        }
        logs_.trace("Ok to use Program files subdirectory for jvm", writable ? 1 : 0);
        if (writable) return found;
    }
    return folders_.userProgramsDir(logs_);
}

}  // namespace qrl
