#include "provision/jvminstaller.h"

#include <algorithm>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/jvmok.h"
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
// Paths longer than this are refused rather than created.
constexpr size_t kMaxPath = 5000;

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
    f.windowsDir = platform::testSetting("QUARLAN_WINDOWS_DIR");
    f.userPrograms = platform::testSetting("QUARLAN_USER_PROGRAMS");
    return f;
}

bool adminOnlyFolder(std::string_view dir, const std::vector<std::string>& adminOnlyCreated,
                     const RightsSource* rights) {
    for (const auto& made : adminOnlyCreated)
        if (stricmp(dir, made) == 0 || isPathInside(made, dir)) return true;
    return untrustedChain(rights ? *rights : systemRights(), dir, Family::Windows).empty();
}

JvmInstaller::JvmInstaller(Logs logs, WindowsFolders folders)
    : logs_(std::move(logs)),
      folders_(std::move(folders)),
      workingDir_(getCurrentDir(Family::Windows)),
      elevated_(platform::runsElevated()) {}

bool JvmInstaller::createJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    discovered_ = false;
    auto path = getPathPtr();
    bool ok = makeJvmDirectory(request, dir, jvmCommand);
    if (!ok && path) {
        // Every entry, an empty one too (its subtree lies below the working
        // directory).
        std::string_view list = *path;
        for (size_t start = 0; !ok && start <= list.size();) {
            size_t end = std::min(list.find(';', start), list.size());
            dir = list.substr(start, end - start);
            ok = createJvmSubdirectory(request, dir, jvmCommand);
            start = end + 1;
        }
    }
    if (!ok) {
        dir = workingDir_;
        deleteTempJvmDir(dir);
        ok = createJvmSubdirectory(request, dir, jvmCommand);
        if (!ok) logs_.error("Unable to create a new directory to install JVM");
    }
    logs_.trace("createJvmDirectory ok", ok);
    return ok;
}

bool JvmInstaller::makeJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    const std::string& predefined = request.predefinedJvmInstallDir;
    if (!predefined.empty()) {
        logs_.trace("default install directory for JVM", predefined);
        std::string resolved;
        if (getNewJvmInstallerTo(predefined, resolved)) {
            dir = resolved;
            if (createPredeterminedJvmDirectory(request, dir, jvmCommand)) return true;
        }
    }
    bool ok = createWinJvmDirectory(request, dir, jvmCommand);
    if (!ok) logs_.trace("unable to create Windows JVM directory");
    return ok;
}

bool JvmInstaller::getNewJvmInstallerTo(std::string_view setting, std::string& out) {
    out.clear();
    if (!startsWith(setting, "[$")) {
        out = setting;
        logs_.trace("installing JVM in", out);
        return true;
    }
    std::string reason;
    bool ok = false;
    std::string resolved;
    if (startsWith(setting, kProgFilesDir)) {
        if (getProgramsDirectory(resolved))
            ok = getVariableDir(kProgFilesDir, resolved, setting, out);
        else
            reason = "unable to get Programs File directory for JVM";
    } else if (startsWith(setting, kWinDir)) {
        if (getWindowsDirectory(resolved))
            ok = getVariableDir(kWinDir, resolved, setting, out);
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

bool JvmInstaller::getVariableDir(std::string_view variable, std::string_view resolved, std::string_view setting,
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

bool JvmInstaller::refused(std::string_view dir) {
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

bool JvmInstaller::createPredeterminedJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    logs_.trace("creating predefined jvm dir", dir);
    if (dir.size() > kMaxPath || refused(dir)) return false;
    std::string walk = dir;
    if (walk.back() != '\\' && walk.back() != '/') walk += '\\';
    // A share (\\server\share) exists or cannot be made: the walk starts after it.
    size_t from = 0;
    if (startsWith(walk, "\\\\")) {
        size_t server = walk.find('\\', 2);
        from = server == std::string::npos ? walk.size() : walk.find('\\', server + 1);
        from = from == std::string::npos ? walk.size() : from + 1;
    }
    for (size_t i = from; i < walk.size(); ++i) {
        if (walk[i] != '\\' && walk[i] != '/') continue;
        std::string prefix = walk.substr(0, i);
        // A drive ("C:") exists or cannot be made.
        if (prefix.empty() || prefix.back() == ':' || isDir(prefix)) continue;
        if (!addDirectory(prefix)) return false;
    }
    if (!isDir(dir)) return false;
    discovered_ = foundValidJvm(request, dir, jvmCommand);
    return true;
}

bool JvmInstaller::createWinJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    std::string majorMinor, micro;
    parseVersion(request.jvmVersion, majorMinor, micro);
    std::string drive;
    std::string programs;
    bool ok = false;
    if (getProgramsDirectory(programs)) {
        size_t colon = programs.find(':');
        if (colon != std::string::npos) drive = programs.substr(0, colon + 1);
        dir = programs;
        const std::string& name = request.jvmName;
        bool made = name == "JRE" || name == "JDK" || name == "Java Plug-in"
                        ? addDirectory(dir, "JavaSoft") && addDirectory(dir, name + majorMinor)
                        : addDirectory(dir, "JVM" + majorMinor);
        if (!made) {
            logs_.trace("Unable to create: ", dir);
            made = addDirectory(dir, "Java" + majorMinor);
        }
        if (made) {
            std::string probe = join(dir, majorMinor + "." + micro);
            bool valid = false;
            if (isDir(probe)) {
                logs_.trace("found a possible directory", probe);
                valid = discovered_ = foundValidJvm(request, probe, jvmCommand);
                if (valid) dir = probe;
                logs_.trace("directory ok", valid);
                logs_.trace("discovered jvm", discovered_);
                ok = valid;
            } else {
                ok = addDirectory(dir, request.jvmVersion);
            }
            if (!ok) {
                probe = join(dir, request.jvmVersion);
                if (isDir(probe)) {
                    logs_.trace("found a possible directory", probe);
                    valid = discovered_ = foundValidJvm(request, probe, jvmCommand);
                    if (valid) dir = probe;
                    ok = valid;
                } else {
                    ok = addDirectory(dir, "Jvm" + request.jvmVersion);
                }
            }
            if (ok) return true;
        }
    }
    // The jvm subtree on the programs directory's drive (the working
    // directory without one), then below the home directory.
    dir = drive;
    if (createJvmSubdirectory(request, dir, jvmCommand)) return true;
    dir = home_;
    return !home_.empty() && createJvmSubdirectory(request, dir, jvmCommand);
}

bool JvmInstaller::createJvmSubdirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    std::string majorMinor, micro;
    parseVersion(request.jvmVersion, majorMinor, micro);
    const std::string name = strlwr(request.jvmName + majorMinor);
    bool ok = addDirectory(dir, "jvm") && addDirectory(dir, name);
    if (ok) {
        std::string leaf = join(dir, majorMinor);
        if (!isDir(leaf)) {
            ok = addDirectory(dir, majorMinor);
        } else if (foundValidJvm(request, leaf, jvmCommand)) {
            // Where an earlier run put the same JVM.
            discovered_ = true;
            dir = leaf;
        } else if (foundValidJvm(request, dir, jvmCommand)) {
            discovered_ = true;
        } else {
            std::string second = join(dir, name);
            if (isDir(second)) {
                discovered_ = foundValidJvm(request, second, jvmCommand);
                if (discovered_) dir = second;
            } else {
                ok = addDirectory(dir, name);
            }
        }
    }
    logs_.trace(ok ? "created jvm subdirectory in" : "unable to create jvm subdirectory in", dir);
    logs_.trace("finished createJvmSubdirectory; ok", ok);
    return ok;
}

bool JvmInstaller::foundValidJvm(JvmRequest& request, std::string_view dir, std::string& jvmCommand) {
    if (!adminOnlyFolder(dir, adminOnly_, folders_.rights)) {
        logs_.trace("left alone, others may change it:", dir);
        return false;
    }
    JvmOk jvmOk(Family::Windows, logs_);
    std::string exePath;
    bool ok = jvmOk.jvmCorrectVersion(request.criteria, dir, request.jvmCommandName, exePath);
    if (ok)
        jvmCommand = exePath;
    else
        logs_.trace(std::string(dir) + " doesn't have correct version");
    return ok;
}

bool JvmInstaller::addDirectory(std::string& dir, std::string_view name) {
    std::string path;
    if (dir.empty())
        path = name;
    else if (dir.back() == '\\' || dir.back() == '/')
        path = dir + std::string(name);
    else
        path = join(dir, name);
    if (!addDirectory(std::string_view(path))) return false;
    dir = path;
    return true;
}

bool JvmInstaller::addDirectory(std::string_view path) {
    std::string p(path);
    if (p.empty() || p.size() > kMaxPath) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    if (!isDir(p) && (elevated_ ? platform::makeAdminOnlyDir(p) : platform::makeDir(p))) {
        if (elevated_) adminOnly_.push_back(p);
        bool inside = false;
        for (const auto& c : created_)
            if (p.size() > c.size() && stricmp(std::string_view(p).substr(0, c.size() + 1), c + "\\") == 0)
                inside = true;
        if (!inside) created_.push_back(p);
    }
    if (!isDir(p)) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    return true;
}

void JvmInstaller::deleteTempJvmDir(std::string_view dir) {
    std::string jvm = join(dir, "jvm");
    if (isDir(jvm) && !platform::isLink(jvm)) delDirTree(jvm, Family::Windows);
}

void JvmInstaller::removeCreatedDirectories() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        logs_.trace("removing the unfinished JVM directory", *it);
        if (!delDirTree(*it, Family::Windows)) logs_.trace("Warning: Unable to delete ", *it);
    }
    created_.clear();
}

bool JvmInstaller::isWinNT() { return (platform::windowsVersionWord() & 0x80000000UL) == 0; }

bool JvmInstaller::isVistaOrWindows7() {
    logs_.trace("checking for vista/7");
    bool vista = (platform::windowsVersionWord() & 0xFF) > 5;
    logs_.trace("vista/7", vista);
    return vista;
}

bool JvmInstaller::getWindowsDirectory(std::string& out) {
    out.clear();
    if (folders_.windowsDir) {
        out = *folders_.windowsDir;
        return !out.empty();
    }
    const char* nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    std::vector<std::pair<const char*, const char*>> places;
    if (isWinNT()) {
        places = {{nt, "SystemRoot"},
                  {nt, "PathName"},
                  {nt, "WinDir"},
                  {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SETUP", "WinDir"}};
    }
    places.push_back({"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SETUP", "WinDir"});
    for (const auto& [key, name] : places) {
        if (auto v = machineValue(key, name)) {
            out = *v;
            return true;
        }
    }
    return false;
}

bool JvmInstaller::getProgramFilesDirectory(std::string& out) {
    out.clear();
    if (folders_.programFiles) {
        out = *folders_.programFiles;
        return !out.empty();
    }
    const char* win = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const char* nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    bool opened = platform::regKeyExists(platform::RegRoot::LocalMachine, win, platform::RegView::Own);
    const char* key = opened ? win : nt;
    if (!opened) opened = platform::regKeyExists(platform::RegRoot::LocalMachine, nt, platform::RegView::Own);
    if (opened) {
        if (auto v = machineValue(key, "ProgramFilesDir")) {
            out = *v;
            return true;
        }
    } else if (isDir("C:\\Program Files")) {
        out = "C:\\Program Files";
        return true;
    }
    logs_.trace("Unable to find Program Files directory in registry");
    return false;
}

bool JvmInstaller::getDocumentsDirectory(std::string& out) {
    out.clear();
    if (folders_.userPrograms) {
        out = *folders_.userPrograms;
        return !out.empty();
    }
    // The user's own folders: never the public documents every user of the
    // machine may write to.
    for (auto folder : {platform::UserFolder::Programs, platform::UserFolder::Documents}) {
        if (auto v = platform::userFolder(folder)) {
            out = *v;
            logs_.trace("user folder for the jvm", out);
            return true;
        }
    }
    return false;
}

bool JvmInstaller::getProgramsDirectory(std::string& out) {
    bool found = getProgramFilesDirectory(out);
    if (!isVistaOrWindows7()) return found;
    if (found) {
        std::string probe = join(out, "__test__zos");
        bool writable = false;
        platform::removeDir(probe);  // one an interrupted run left behind
        if (!isDir(probe) && platform::makeDir(probe)) {
            writable = isDir(probe);
            platform::removeDir(probe);
        }
        logs_.trace("Ok to use Program files subdirectory for jvm", writable ? 1 : 0);
        if (writable) return true;
    }
    return getDocumentsDirectory(out);
}

}  // namespace qrl
