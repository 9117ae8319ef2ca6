#include "provision/winjvmdirchooser.h"

#include <algorithm>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/osversion.h"
#include "platform/registry.h"
#include "platform/rights.h"

namespace qrl {
namespace {

constexpr const char* kProgFilesDir = "[$ProgFilesDir]";
constexpr const char* kWinDir = "[$WinDir]";
constexpr const char* kAppDir = "[$AppDir]";

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A non-empty string value of HKEY_LOCAL_MACHINE.
std::optional<std::string> machineValue(const char* key, const char* name) {
    auto v = platform::regString(platform::RegRoot::LocalMachine, key, name);
    if (v && !v->empty()) return v;
    return std::nullopt;
}

std::string join(std::string_view dir, std::string_view name) { return joinPath(dir, name, Family::Windows); }

}  // namespace

WindowsFolders WindowsFolders::fromEnvironment() {
    WindowsFolders f;
    f.programFiles = platform::testSetting("QUARLAN_PROGRAM_FILES");
    f.userPrograms = platform::testSetting("QUARLAN_USER_PROGRAMS");
    return f;
}

std::optional<std::string> WindowsFolders::programFilesDir(const Logs& logs) const {
    if (programFiles) return programFiles->empty() ? std::nullopt : programFiles;
    const char* win = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const char* nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    bool opened = platform::regKeyExists(platform::RegRoot::LocalMachine, win, platform::RegView::Own);
    const char* key = opened ? win : nt;
    if (!opened) opened = platform::regKeyExists(platform::RegRoot::LocalMachine, nt, platform::RegView::Own);
    if (opened) {
        if (auto v = machineValue(key, "ProgramFilesDir")) return v;
    } else if (isDir("C:\\Program Files")) {
        return "C:\\Program Files";
    }
    logs.trace("Unable to find Program Files directory in registry");
    return std::nullopt;
}

std::optional<std::string> WindowsFolders::userProgramsDir(const Logs& logs) const {
    if (userPrograms) return userPrograms->empty() ? std::nullopt : userPrograms;
    // The user's own folders: never the public documents every user of the
    // machine may write to.
    for (auto folder : {platform::UserFolder::Programs, platform::UserFolder::Documents}) {
        if (auto v = platform::userFolder(folder)) {
            logs.trace("user folder for the jvm", *v);
            return v;
        }
    }
    return std::nullopt;
}

WinJvmDirChooser::WinJvmDirChooser(Logs logs, WindowsFolders folders)
    : JvmDirChooser(Family::Windows, std::move(logs)),
      folders_(std::move(folders)),
      elevated_(platform::runsElevated()) {}

bool WinJvmDirChooser::chooseFamilyDir(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    const std::string& predefined = request.predefinedJvmInstallDir;
    if (!predefined.empty()) {
        logs_.trace("default install directory for JVM", predefined);
        std::string resolved;
        if (predefinedDir(predefined, resolved)) {
            dir = resolved;
            if (createPredeterminedJvmDirectory(request, dir, jvmCommand)) return true;
        }
    }
    bool ok = createWinJvmDirectory(request, dir, jvmCommand);
    if (!ok) logs_.trace("unable to create Windows JVM directory");
    return ok;
}

std::vector<std::string> WinJvmDirChooser::searchPathEntries(std::string_view path) const {
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

void WinJvmDirChooser::beforeWorkingDir() {
    // The "jvm" subtree an earlier run left below the working directory.
    std::string jvm = join(workingDir_, "jvm");
    if (isDir(jvm) && !platform::isLink(jvm)) delDirTree(jvm, Family::Windows);
}

bool WinJvmDirChooser::predefinedDir(std::string_view setting, std::string& out) {
    out.clear();
    if (!startsWith(setting, "[$")) {
        out = setting;
        logs_.trace("installing JVM in", out);
        return true;
    }
    std::string reason;
    bool ok = false;
    if (startsWith(setting, kProgFilesDir)) {
        if (auto programs = programsDirectory())
            ok = variableDir(kProgFilesDir, *programs, setting, out);
        else
            reason = "unable to get Programs File directory for JVM";
    } else if (startsWith(setting, kWinDir)) {
        if (auto windows = platform::windowsDirectory())
            ok = variableDir(kWinDir, windows->path, setting, out);
        else
            reason = "unable to get Windows directory for JVM";
    } else if (startsWith(setting, kAppDir)) {
        // Whatever follows the variable: the JVM goes to the working
        // directory's "jvm".
        out = join(workingDir_, "jvm");
        ok = true;
    } else {
        reason = "unknown variable used to install the JVM";
    }
    if (ok) {
        logs_.trace("installing JVM in", out);
        return true;
    }
    if (!reason.empty()) logs_.trace(reason);
    logs_.trace("unable to install JVM in", out);
    return false;
}

bool WinJvmDirChooser::variableDir(std::string_view variable, std::string_view resolved, std::string_view setting,
                                   std::string& result) {
    result.clear();
    std::string pattern = std::string(variable) + "\\";
    if (!startsWith(setting, pattern)) {
        logs_.trace("invalid predefined directory for JVM", setting);
        return false;
    }
    if (setting.size() == pattern.size()) {
        logs_.trace("invalid default jvm install directory");
        return false;
    }
    logs_.trace("predefinedJvmInstallDir != testDir", pattern);
    result = std::string(resolved) + std::string(setting.substr(variable.size()));
    logs_.trace("trying to install JVM into", result);
    return true;
}

bool WinJvmDirChooser::refused(std::string_view dir) {
    // A JVM never goes straight into a root, the user's profile or the
    // Windows directory: a failed JVM's directory is removed again.
    std::string canon = platform::canonicalPath(std::string(dir));
    auto same = [&](const std::optional<std::string>& other) {
        if (!other || other->empty()) return false;
        std::string o = platform::canonicalPath(*other);
        return !o.empty() && !canon.empty() && stricmp(o, canon) == 0;
    };
    bool refuse = isRootPath(dir, Family::Windows) || (!canon.empty() && isRootPath(canon, Family::Windows)) ||
                  same(platform::getEnv("USERPROFILE")) || same(home_);
    if (refuse) logs_.error("refusing to install a JVM into", dir);
    return refuse;
}

bool WinJvmDirChooser::mayReuse(std::string_view dir) {
    if (adminOnlyFolder(dir, adminOnly_, folders_.rights)) return true;
    logs_.trace("left alone, others may change it:", dir);
    return false;
}

bool WinJvmDirChooser::makeDirectory(const std::string& path) {
    if (!elevated_) return bool(platform::makeDir(path));
    if (!platform::makeAdminOnlyDir(path)) return false;
    adminOnly_.push_back(path);
    return true;
}

bool WinJvmDirChooser::createWinJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    std::string drive;
    if (auto programs = programsDirectory()) {
        size_t colon = programs->find(':');
        if (colon != std::string::npos) drive = programs->substr(0, colon + 1);
        dir = *programs;
        if (createProgramsJvmDirectory(request, dir, jvmCommand)) return true;
    }
    // The jvm subtree on the programs directory's drive (the working
    // directory without one), then below the home directory.
    dir = drive;
    if (createJvmSubdirectory(request, dir, jvmCommand)) return true;
    dir = home_;
    return !home_.empty() && createJvmSubdirectory(request, dir, jvmCommand);
}

bool WinJvmDirChooser::createProgramsJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    std::string majorMinor, micro;
    parseVersion(request.jvmVersion, majorMinor, micro);
    const std::string& name = request.jvmName;
    bool made = name == "JRE" || name == "JDK" || name == "Java Plug-in"
                    ? addDirectory(dir, "JavaSoft") && addDirectory(dir, name + majorMinor)
                    : addDirectory(dir, "JVM" + majorMinor);
    if (!made) {
        logs_.trace("Unable to create: ", dir);
        made = addDirectory(dir, "Java" + majorMinor);
    }
    return made && (reuseOrAdd(request, dir, majorMinor + "." + micro, request.jvmVersion, jvmCommand, true) ||
                    reuseOrAdd(request, dir, request.jvmVersion, "Jvm" + request.jvmVersion, jvmCommand, false));
}

bool WinJvmDirChooser::reuseOrAdd(JvmRequest& request, std::string& dir, const std::string& leaf,
                                  const std::string& fresh, std::string& jvmCommand, bool traceVerdict) {
    std::string probe = join(dir, leaf);
    if (!isDir(probe)) return addDirectory(dir, fresh);
    logs_.trace("found a possible directory", probe);
    discovered_ = foundValidJvm(request, probe, jvmCommand);
    if (discovered_) dir = probe;
    if (traceVerdict) {
        logs_.trace("directory ok", discovered_);
        logs_.trace("discovered jvm", discovered_);
    }
    return discovered_;
}

std::optional<std::string> WinJvmDirChooser::programsDirectory() {
    auto found = folders_.programFilesDir(logs_);
    logs_.trace("checking for vista/7");
    bool vista = platform::windowsMajorVersion() > 5;
    logs_.trace("vista/7", vista);
    if (!vista) return found;
    if (found) {
        std::string probe = join(*found, "__test__zos");
        bool writable = false;
        platform::removeDir(probe);  // one an interrupted run left behind
        if (!isDir(probe) && platform::makeDir(probe)) {
            writable = isDir(probe);
            platform::removeDir(probe);
        }
        logs_.trace("Ok to use Program files subdirectory for jvm", writable ? 1 : 0);
        if (writable) return found;
    }
    return folders_.userProgramsDir(logs_);
}

}  // namespace qrl
