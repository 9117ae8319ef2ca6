#include "provision/installjvm.h"

#include <algorithm>

#include "common/familyrules.h"
#include "common/files.h"
#include "common/logfiles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/execcmd.h"
#include "platform/env.h"
#include "platform/fs.h"

namespace qrl {
namespace {

constexpr const char* kArchiveOutput = "__temp.log";
constexpr const char* kAppDir = "[$AppDir]";
// Paths longer than this are refused rather than created.
constexpr size_t kMaxPath = 5000;

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

std::string applyJvmHomeDir(std::string_view dir, std::string_view jvmHomeDir) {
    if (jvmHomeDir.empty()) return std::string(dir);
    std::string home = jvmHomeDir.substr(0, 2) == "./" ? std::string(dir) + std::string(jvmHomeDir.substr(1))
                                                       : std::string(jvmHomeDir);
    // Directory names carry no trailing separator ("./" is the directory itself).
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
}

InstallJvm::InstallJvm(Family family, Logs logs, StatusFn showStatus)
    : InstallJvm(family, std::move(logs), std::move(showStatus), installDirCandidates(),
                 SearchPlaces::defaults(family)) {}

InstallJvm::InstallJvm(Family family, Logs logs, StatusFn showStatus, std::vector<std::string> systemDirs,
                       SearchPlaces places)
    : family_(family),
      logs_(std::move(logs)),
      showStatus_(std::move(showStatus)),
      systemDirs_(std::move(systemDirs)),
      places_(std::move(places)),
      workingDir_(getCurrentDir(family)) {}

bool InstallJvm::installJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory) {
    installed_ = false;
    discovered_ = false;
    created_.clear();
    if (showStatus_) showStatus_("1");
    std::string jvmDirectory;
    bool ok = !archiveOnly_ && thirdPartyInstaller() ? installThirdPartyJvm(request, jvmCommand, homeDirectory, jvmDirectory)
                                    : installCompressedJvm(request, jvmCommand, homeDirectory, jvmDirectory);
    if (ok) {
        JvmOk jvmOk(family_, logs_);
        ok = jvmOk.jvmCorrectVersion(request.criteria, jvmDirectory, request.jvmCommandName, jvmCommand);
        if (!ok) logs_.error("The new JVM failed the version test:", jvmDirectory);
        installed_ = ok && !discovered_;
    }
    if (!ok) {
        // Nothing of a JVM that failed may pass for installed.
        jvmCommand.clear();
        if (!discovered_) removeCreatedDirectories();
    }
    logs_.trace("installJvm ok", ok);
    return ok;
}

void InstallJvm::removeCreatedDirectories() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        logs_.trace("removing the unfinished JVM directory", *it);
        if (!delDirTree(*it, family_)) logs_.trace("Warning: Unable to delete ", *it);
    }
    created_.clear();
}

bool InstallJvm::thirdPartyInstaller() {
    if (auto set = flagSetting(kThirdPartyInstallerKey, {"qrl.control", "__qrlwizard.sem"}, false)) return *set;
    logs_.trace("unable to open qrl.control file", "defaulting to uncompressing JVM");
    return false;
}

bool InstallJvm::getJvmInstallerCommand(std::string_view archive, std::string& command) {
    size_t slash = archive.rfind('/');
    std::string_view name = slash == std::string_view::npos ? archive : archive.substr(slash + 1);
    // The full path goes to the shell quoted by the command execution, never
    // wrapped in double quotes here.
    command = workingDir_ + "/" + std::string(name);
    if (name.empty() || !fexists(command) || isDir(command)) {
        logs_.trace("Compressed JVM does *not* exist: ", command);
        return false;
    }
    return true;
}

bool InstallJvm::installCompressedJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory,
                                      std::string& jvmDirectory) {
    home_ = homeDirectory;
    bool discovered = false;
    bool made = createJvmDirectory(request, jvmDirectory, jvmCommand, discovered);
    discovered_ = made && discovered;
    logs_.trace("found existing jvm directory", discovered_);
    if (!made) {
        logs_.trace("installCompressedJvm ok", false);
        return false;
    }
    if (!discovered_) {
        logs_.trace("installing jvm in", jvmDirectory);
        logs_.trace("current directory", workingDir_);
        ExecCommand exec(family_, logs_);
        std::string command;
        bool expanded = false;
        if (!getJvmInstallerCommand(request.jvmSelfExtractor, command)) {
            logs_.trace("installed jvm", false);
            logs_.trace("current directory after changing dir to: ", workingDir_);
        } else {
            // The modes change only for what the archive makes: a directory
            // that existed before keeps its own mode and its entries theirs.
            std::vector<std::string> untouched;
            bool madeByThisRun = std::any_of(created_.begin(), created_.end(), [&](const std::string& c) {
                return jvmDirectory == c || jvmDirectory.rfind(c + "/", 0) == 0;
            });
            std::vector<platform::DirEntry> present;
            if (!madeByThisRun && platform::listDir(jvmDirectory, present)) {
                untouched.push_back(".");  // the directory itself
                for (const auto& e : present) untouched.push_back(e.name);
            }
            std::vector<std::string> before = rulesFor(family_).jvmTreeModes ? entryNames(jvmDirectory)
                                                                            : std::vector<std::string>();
            {
                DirGuard back(workingDir_);
                if (platform::changeDir(jvmDirectory)) {
                    logs_.trace("current directory after chdir: ", getCurrentDir(family_));
                    bool started = exec.execCmdAndWait(command, std::string(">") + kArchiveOutput);
                    // An archive that reports failure has expanded nothing
                    // that can be trusted.
                    expanded = started && exec.exitCode() == 0;
                    if (started && !expanded)
                        logs_.error("The JVM archive failed with exit status",
                                           std::to_string(exec.exitCode()));
                    platform::removeFile(kArchiveOutput);
                } else {
                    logs_.error("unable to change directory to", jvmDirectory);
                }
                logs_.trace("installed jvm", expanded);
            }
            logs_.trace("current directory after chdir: ", getCurrentDir(family_));
            if (expanded && rulesFor(family_).jvmTreeModes)
                setModesOfNewEntries(exec, jvmDirectory, before);
            else if (expanded)
                setPermissionsForDir(jvmDirectory, 0755, untouched);
            logs_.trace(expanded ? "issued command to expand:" : "unable to expand", command);
        }
        if (!expanded) {
            logs_.trace("installCompressedJvm ok", false);
            return false;
        }
    }
    if (!request.jvmHomeDir.empty()) {
        jvmDirectory = applyJvmHomeDir(jvmDirectory, request.jvmHomeDir);
        logs_.trace("final jvm install directory:", jvmDirectory);
    }
    bool ok = configureJvm(request.jvmVersion, request.jvmName, request.jvmCommandName, jvmDirectory, homeDirectory);
    logs_.trace("installCompressedJvm ok", ok);
    return ok;
}

bool InstallJvm::configureJvm(std::string_view jvmVersion, std::string_view, std::string_view jvmCommandName,
                              std::string_view jvmDirectory, std::string_view homeDirectory) {
    if (showStatus_) showStatus_("1");
    logs_.trace("about to configure jvm", jvmVersion);
    if (home_.empty()) home_ = homeDirectory;
    const bool jre = jvmCommandName.substr(0, 3) == "jre";
    const std::string bin = joinPath(jvmDirectory, "bin", family_);
    std::vector<std::string> probes{joinPath(jvmDirectory, jvmCommandName, family_)};
    if (jre) probes.push_back(joinPath(jvmDirectory, "java", family_));
    probes.push_back(joinPath(bin, jvmCommandName, family_));
    if (jre) probes.push_back(joinPath(bin, "java", family_));
    for (const auto& probe : probes) {
        if (!jvmCommandName.empty() && fexists(probe) && !isDir(probe)) {
            logs_.trace("configureJvm ok", true);
            return true;
        }
    }
    logs_.error("Unable to find JVM executable");
    logs_.error("Unable to configure JVM in", jvmDirectory);
    logs_.trace("configureJvm ok", false);
    return false;
}

bool InstallJvm::installThirdPartyJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory,
                                      std::string& jvmDirectory) {
    if (showStatus_) showStatus_("1");
    std::string command;
    bool ok = false;
    if (getJvmInstallerCommand(request.jvmSelfExtractor, command)) {
        logs_.trace("about to run 3rd party installer for JVM:", command);
        ExecCommand exec(family_, logs_);
        bool started = exec.execCmdAndWait(command, std::string(">") + kArchiveOutput);
        bool ran = started && exec.exitCode() == 0;
        if (started && !ran)
            logs_.error("The JVM installer failed with exit status",
                               std::to_string(exec.exitCode()));
        platform::removeFile(kArchiveOutput);
        if (ran) {
            logs_.trace("issued command to install JVM:", command);
            ok = searchForJvm(request.criteria, request.jvmName, request.jvmCommandName, jvmCommand, homeDirectory);
            if (ok) {
                request.predefinedJvmInstallDir.clear();
                request.jvmHomeDir.clear();
                jvmDirectory = getJavaHomeDirectory(jvmCommand, family_);
            }
        } else {
            logs_.trace("unable to install JVM from:", command);
        }
    }
    logs_.trace("installThirdPartyJvm ok", ok);
    return ok;
}

bool InstallJvm::searchForJvm(const JvmCriteria& criteria, std::string_view jvmName, std::string& jvmCommandName,
                              std::string& jvmCommand, std::string_view homeDirectory) {
    if (showStatus_) showStatus_("Searching for JVM again");
    FindJvm finder(family_, places_, logs_);
    JvmQuery query{criteria, std::string(jvmName), std::string(homeDirectory), "yes"};
    bool found = finder.isJvmInstalled(query, jvmCommandName, jvmCommand);
    if (found)
        logs_.trace("Found correct version of JVM:", jvmCommand);
    else
        logs_.trace("Correct version of JVM was not found in common locations");
    return found;
}

bool InstallJvm::createJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand,
                                    bool& discovered) {
    discovered = false;
    bool ok = makeJvmDirectory(request, dir, jvmCommand, discovered);
    if (!ok) {
        if (auto path = getPathPtr()) {
            for (const auto& entry : pathEntries(*path)) {
                dir = entry;
                if ((ok = createJvmSubdirectory(request, dir, jvmCommand, discovered))) break;
            }
        }
    }
    if (!ok) {
        dir = workingDir_;
        ok = createJvmSubdirectory(request, dir, jvmCommand, discovered);
    }
    if (!ok) logs_.error("Unable to create a new directory to install JVM");
    logs_.trace("createJvmDirectory ok", ok);
    return ok;
}

bool InstallJvm::makeJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand,
                                     bool& discovered) {
    const std::string& predefined = request.predefinedJvmInstallDir;
    if (!predefined.empty()) {
        logs_.trace("predefined install JVM dir", predefined);
        if (!resolvePredefinedDir(predefined, workingDir_, dir)) {
            bool appDir = predefined.find(std::string(kAppDir) + "/") != std::string::npos;
            logs_.trace(appDir ? "invalid default jvm install directory"
                                             : "unknown variable used to install the JVM");
        } else {
            if (predefined.find(std::string(kAppDir) + "/") != std::string::npos)
                logs_.trace("temporarily installing JVM into", dir);
            if (createPredeterminedJvmDirectory(request, dir, jvmCommand, discovered)) return true;
            logs_.trace("unable to create temp jvm dir", dir);
        }
    }
    std::vector<std::string> bases = systemDirs_;
    bases.push_back(home_);
    for (const auto& base : bases) {
        dir = base;
        if (createJvmSubdirectory(request, dir, jvmCommand, discovered)) return true;
    }
    return false;
}

bool InstallJvm::createPredeterminedJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand,
                                                 bool& discovered) {
    logs_.trace("creating predefined jvm dir", dir);
    if (dir.empty() || dir.size() > kMaxPath) return false;
    // The archive expands into this directory and its new entries get their
    // modes changed: never the root of the file system, never the home.
    std::string real = platform::canonicalPath(dir);
    if (isRootPath(dir, family_) || real == "/" ||
        (!home_.empty() && !real.empty() && real == platform::canonicalPath(home_))) {
        logs_.error("refusing the JVM directory", dir);
        return false;
    }
    std::string walk = dir;
    if (walk.back() != '/') walk += '/';
    for (size_t slash = walk.find('/'); slash != std::string::npos; slash = walk.find('/', slash + 1)) {
        std::string prefix = walk.substr(0, slash);
        if (prefix.empty() || isDir(prefix)) continue;
        if (!addDirectory(prefix)) return false;
    }
    if (!isDir(dir)) return false;
    discovered = foundValidJvm(request.criteria, request.jvmCommandName, dir, jvmCommand);
    return true;
}

bool InstallJvm::createJvmSubdirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand,
                                       bool& discovered) {
    std::string version, micro;
    parseVersion(request.jvmVersion, version, micro);
    const std::string name = strlwr(request.jvmName + version);
    bool ok = addDirectory(dir, "jvm") && addDirectory(dir, name);
    if (ok) {
        std::string leaf = joinPath(dir, version, family_);
        if (!isDir(leaf)) {
            ok = addDirectory(dir, version);
        } else if (foundValidJvm(request.criteria, request.jvmCommandName, leaf, jvmCommand)) {
            // The place an earlier run expanded the same JVM into.
            discovered = true;
            dir = leaf;
        } else if (foundValidJvm(request.criteria, request.jvmCommandName, dir, jvmCommand)) {
            discovered = true;
        } else {
            std::string second = joinPath(dir, name, family_);
            if (isDir(second)) {
                discovered = foundValidJvm(request.criteria, request.jvmCommandName, second, jvmCommand);
                if (discovered) dir = second;
            } else {
                ok = addDirectory(dir, name);
            }
        }
    }
    logs_.trace(ok ? "created jvm subdirectory in" : "unable to create jvm subdirectory in", dir);
    logs_.trace("finished createJvmSubdirectory; ok", ok);
    return ok;
}

bool InstallJvm::foundValidJvm(const JvmCriteria& criteria, std::string& jvmCommandName, std::string_view dir,
                               std::string& jvmCommand) {
    JvmOk jvmOk(family_, logs_);
    std::string exePath;
    bool ok = jvmOk.jvmCorrectVersion(criteria, dir, jvmCommandName, exePath);
    if (ok)
        jvmCommand = exePath;
    else
        logs_.trace(std::string(dir) + " doesn't have correct version");
    return ok;
}

bool InstallJvm::addDirectory(std::string& dir, std::string_view name) {
    std::string path;
    if (dir.empty())
        path = name;
    else if (dir.back() == '/')
        path = dir + std::string(name);
    else
        path = dir + "/" + std::string(name);
    if (!addDirectory(path)) return false;
    dir = path;
    return true;
}

bool InstallJvm::addDirectory(std::string_view path) {
    std::string p(path);
    if (p.empty() || p.size() > kMaxPath) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    bool existed = isDir(p);
    if (!existed && platform::makeDir(p, 0755)) {
        // Remembered so that a JVM that fails leaves nothing behind; a
        // directory inside one already remembered goes with it.
        bool inside = std::any_of(created_.begin(), created_.end(),
                                  [&](const std::string& c) { return p.rfind(c + "/", 0) == 0; });
        if (!inside) created_.push_back(p);
    }
    if (!isDir(p)) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    return true;
}

bool InstallJvm::setPermissionsForDir(std::string_view dir, unsigned mode, const std::vector<std::string>& untouched) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(std::string(dir), entries)) return false;
    bool ok = true;
    bool dirUntouched = std::find(untouched.begin(), untouched.end(), ".") != untouched.end();
    if (!dirUntouched && !platform::setMode(std::string(dir), mode)) ok = false;
    for (const auto& e : entries) {
        if (e.isLink) continue;        // a link's target is not changed through it
        if (std::find(untouched.begin(), untouched.end(), e.name) != untouched.end()) continue;
        if (!platform::setMode(joinPath(dir, e.name, family_), mode)) ok = false;
    }
    return ok;
}

std::vector<std::string> entryNames(std::string_view dir) {
    std::vector<platform::DirEntry> entries;
    std::vector<std::string> names;
    if (platform::listDir(std::string(dir), entries))
        for (auto& e : entries) names.push_back(std::move(e.name));
    return names;
}

void setModesOfNewEntries(ExecCommand& exec, std::string_view dir, const std::vector<std::string>& before) {
    // Only what the program made: files that were there before keep their modes.
    for (const auto& name : entryNames(dir))
        if (std::find(before.begin(), before.end(), name) == before.end())
            exec.setPermissions(std::string(dir) + "/" + name);
}

}  // namespace qrl
