#include "provision/extractjvm.h"

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"

namespace qrl {
namespace {

constexpr const char* kAppDir = "[$AppDir]";
constexpr const char* kArchiveOutput = "__temp.log";

std::string join(std::string_view dir, std::string_view name) { return joinPath(dir, name, Family::Windows); }

}  // namespace

bool configureWinRegSetting(const Logs& logs) {
    if (auto set = flagSetting("configureWinRegistry", {"qrl.control", "native.properties"}, true)) return *set;
    logs.trace("unable to open qrl.control file", "defaulting to configure registry");
    return true;
}

ExtractJvm::ExtractJvm(Logs logs, StatusFn showStatus, WindowsFolders folders)
    : logs_(std::move(logs)),
      showStatus_(std::move(showStatus)),
      folders_(std::move(folders)),
      workingDir_(getCurrentDir(Family::Windows)),
      registry_(logs_) {}

bool ExtractJvm::configureWinReg() { return configureWinRegSetting(logs_); }

bool ExtractJvm::extractJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory) {
    installed_ = discovered_ = registerAfterTest_ = false;
    created_.clear();
    adminOnly_.clear();
    if (showStatus_) showStatus_("1");
    std::string jvmDirectory;
    bool ok = installCompressedJvm(request, jvmCommand, homeDirectory, jvmDirectory);
    if (ok) {
        JvmOk jvmOk(Family::Windows, logs_);
        ok = jvmOk.jvmCorrectVersion(request.criteria, jvmDirectory, request.jvmCommandName, jvmCommand);
        if (!ok) logs_.error("The new JVM failed the version test:", jvmDirectory);
        installed_ = ok && !discovered_;
    }
    if (ok && registerAfterTest_) {
        // Only a JVM that works is registered and copied beside the system.
        configureWinJvm(request.jvmVersion, request.jvmName, launcher_, launcherPath_);
    }
    if (!ok) {
        jvmCommand.clear();
        if (!discovered_) {
            for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
                logs_.trace("removing the unfinished JVM directory", *it);
                if (!delDirTree(*it, Family::Windows)) logs_.trace("Warning: Unable to delete ", *it);
            }
        }
    }
    logs_.trace("extractJvm ok", ok);
    return ok;
}

bool ExtractJvm::installCompressedJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory,
                                      std::string& jvmDirectory) {
    homeDirectory_ = homeDirectory;
    bool made = false;
    {
        JvmInstaller installer(logs_, folders_);
        installer.setHomeDirectory(homeDirectory_);
        made = installer.createJvmDirectory(request, jvmDirectory, jvmCommand);
        discovered_ = made && installer.isJvmDiscovered();
        created_ = installer.createdDirectories();
        adminOnly_ = installer.adminOnlyDirectories();
    }
    logs_.trace("found existing jvm directory", discovered_);
    if (!made) {
        logs_.trace("installCompressedJvm ok", false);
        return false;
    }
    if (!discovered_) {
        logs_.trace("installing jvm in", jvmDirectory);
        logs_.trace("current directory", workingDir_);
        ExecCommand exec(Family::Windows, logs_);
        std::string command;
        bool expanded = false;
        if (!getJvmInstallerCommand(request.jvmSelfExtractor, command, workingDir_)) {
            logs_.trace("installed jvm", false);
            logs_.trace("current directory after changing dir to: ", workingDir_);
        } else {
            {
                DirGuard back(workingDir_);
                if (platform::changeDir(jvmDirectory)) {
                    logs_.trace("current directory changing dir to: ", getCurrentDir(Family::Windows));
                    // The path is the program and its only argument, each
                    // handed over whole.
                    bool started = exec.execCommand(command, {});
                    expanded = started && exec.exitCode() == 0;
                    if (started && !expanded)
                        logs_.error("The JVM archive failed with exit status",
                                           std::to_string(exec.exitCode()));
                } else {
                    logs_.error("unable to change directory to", jvmDirectory);
                }
                logs_.trace("installed jvm", expanded);
            }
            logs_.trace("current directory after changing dir to: ", getCurrentDir(Family::Windows));
            logs_.trace(expanded ? "issued command to expand:" : "unable to expand", command);
            platform::removeFile(kArchiveOutput);
        }
        if (!expanded) {
            logs_.trace("installCompressedJvm ok", false);
            return false;
        }
    }
    if (!request.jvmHomeDir.empty()) {
        std::string home = request.jvmHomeDir.substr(0, 2) == "./"
                               ? jvmDirectory + request.jvmHomeDir.substr(1)
                               : request.jvmHomeDir;
        for (char& c : home)
            if (c == '/') c = '\\';
        while (home.size() > 1 && home.back() == '\\') home.pop_back();
        jvmDirectory = home;
        logs_.trace("final jvm install directory:", jvmDirectory);
    }
    // A JVM in the working directory is removed after the run: never
    // registered.
    bool registry = request.predefinedJvmInstallDir.find(kAppDir) == std::string::npos;
    bool ok = configureJvm(request.jvmVersion, request.jvmName, request.jvmCommandName, jvmDirectory,
                           homeDirectory, false);
    registerAfterTest_ = ok && registry;
    logs_.trace("installCompressedJvm ok", ok);
    return ok;
}

bool ExtractJvm::getJvmInstallerCommand(std::string_view archive, std::string& command,
                                        std::string_view workingDirectory) {
    size_t slash = archive.rfind('/');
    std::string_view name = slash == std::string_view::npos ? archive : archive.substr(slash + 1);
    command = join(workingDirectory, name);
    if (command.find(' ') != std::string::npos) {
        // The short form where the system has one; the path is handed over
        // as one argument either way, never wrapped in quotes.
        std::string shortName = platform::pathWithoutBlanks(command);
        if (!shortName.empty() && shortName.find(' ') == std::string::npos) command = shortName;
    }
    if (name.empty() || !fexists(command) || isDir(command)) {
        logs_.trace("Compressed JVM does *not* exist: ", command);
        return false;
    }
    return true;
}

bool ExtractJvm::configureJvm(std::string_view jvmVersion, std::string_view jvmName, std::string& jvmCommandName,
                              std::string_view jvmDirectory, std::string_view homeDirectory, bool registry) {
    if (showStatus_) showStatus_("1");
    logs_.trace("about to configure jvm", jvmVersion);
    if (homeDirectory_.empty()) homeDirectory_ = homeDirectory;
    const std::string windowed = fexists(logs_.beside(kTraceSemaphore)) ? "javaw.exe" : "java.exe";
    const bool jre = jvmCommandName.substr(0, 3) == "jre";
    const std::string bin = join(jvmDirectory, "bin");
    struct Hit {
        std::string path;
        std::string name;
    };
    std::vector<Hit> probes{{join(jvmDirectory, jvmCommandName), jvmCommandName}};
    if (jre) probes.push_back({join(jvmDirectory, windowed), windowed});
    probes.push_back({join(bin, jvmCommandName), jvmCommandName});
    if (jre) probes.push_back({join(bin, windowed), windowed});
    for (const auto& probe : probes) {
        if (jvmCommandName.empty() || !fexists(probe.path) || isDir(probe.path)) continue;
        launcher_ = probe.name;
        launcherPath_ = probe.path;
        if (registry) configureWinJvm(jvmVersion, jvmName, launcher_, launcherPath_);
        jvmCommandName = probe.name;
        logs_.trace("configureJvm ok", true);
        return true;
    }
    logs_.error("Unable to find JVM executable");
    logs_.error("Unable to configure JVM in", jvmDirectory);
    logs_.trace("configureJvm ok", false);
    return false;
}

bool ExtractJvm::configureWinJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                                 std::string_view launcherPath) {
    std::string home = launcherHome(launcherPath);
    if (!configureWinReg()) {
        logs_.trace("Windows registry unchanged");
    } else if (!adminOnlyFolder(home, adminOnly_, folders_.rights)) {
        // Programs of every user load a registered JVM: never one that
        // others than administrators may change.
        logs_.trace("Windows registry unchanged, others may change the JVM in", home);
    } else if (registerJvm(jvmVersion, jvmName, launcher, launcherPath)) {
        logs_.trace("Windows registry configured");
    } else {
        logs_.trace("Warning: Windows registry *not* configured properly");
    }
    return true;
}

bool ExtractJvm::registerJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                                  std::string_view launcherPath) {
    std::string version, micro;
    parseVersion(jvmVersion, version, micro);
    std::string home = registryHome(launcherPath);
    if (stricmp(jvmName, "JDK") == 0) {
        bool ok = registry_.addJvmToRegistry("SOFTWARE\\JavaSoft\\Java Development Kit", "JavaHome", version, micro,
                                             home, launcher);
        std::string lower = strlwr(launcher);
        if (lower == "jre" || lower == "java") return configureJre(version, micro, home, launcher);
        return ok;
    }
    return configureJre(version, micro, home, launcher);
}

bool ExtractJvm::configureJre(std::string_view version, std::string_view micro, std::string_view home,
                              std::string_view launcher) {
    if (!registry_.addJvmToRegistry("SOFTWARE\\JavaSoft\\Java Runtime Environment", "JavaHome", version, micro, home,
                                    launcher))
        return false;
    bool copied = copyJreFilesToHome(version, home, launcher);
    if (version.substr(0, 3) == "1.1") return copied;
    return configureJava2(version, micro, home, launcher);
}

bool ExtractJvm::configureJava2(std::string_view version, std::string_view micro, std::string_view home,
                                std::string_view launcher) {
    std::string full = std::string(version) + "." + std::string(micro);
    registry_.addJvmToRegistry("SOFTWARE\\JavaSoft\\Java Runtime Environment", "JavaHome", full, micro, home,
                               launcher);
    return true;
}

bool ExtractJvm::copyJreFilesToHome(std::string_view version, std::string_view home, std::string_view launcher) {
    auto current = registry_.readValue("SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion");
    if (!current || *current != version || homeDirectory_.empty()) return true;
    std::string stem(launcher);
    if (stem.size() > 4 && stricmp(std::string_view(stem).substr(stem.size() - 4), ".exe") == 0)
        stem.resize(stem.size() - 4);
    std::string counterpart;
    if (version.substr(0, 3) == "1.1")
        counterpart = stem == "jrew" ? "jre.exe" : "jrew.exe";
    else
        counterpart = stem == "javaw" ? "java.exe" : "javaw.exe";
    std::string bin = join(home, "bin");
    copyJvmFile(join(bin, launcher), join(homeDirectory_, launcher));
    copyJvmFile(join(bin, counterpart), join(homeDirectory_, counterpart));
    copyJvmFile(join(bin, "msvcrt.dll"), join(join(homeDirectory_, "system"), "msvcrt.dll"));
    return true;
}

bool ExtractJvm::copyJvmFile(std::string_view from, std::string_view to) {
    if (!fexists(from)) {
        logs_.trace("unable to copy file from", from);
        logs_.trace("                      to", to);
        return false;
    }
    if (fexists(to)) return true;
    return copyFile(from, to);
}

}  // namespace qrl
