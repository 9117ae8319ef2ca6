#include "uninstaller/uninstall.h"

#include "common/files.h"
#include "common/logfiles.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace qrl {
namespace {

int status(const platform::Result& r) { return r ? 0 : -1; }

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

Uninstaller::Uninstaller(Family family, std::string startDir)
    : family_(family), startDir_(std::move(startDir)), logs_(Logs::in(startDir_, kUninstallTrace)) {}

std::string Uninstaller::startDirectory(std::string_view programPath, Family family) {
    std::string path(programPath);
    if (!path.empty() && path.front() == '"') {
        path.erase(0, 1);
        path = path.substr(0, path.find('"'));
    }
    for (size_t i = path.size(); i-- > 0;)
        if (isSeparator(family, path[i])) return path.substr(0, i);
    return getCurrentDir(family);
}

void Uninstaller::run(const std::vector<std::string>& args) {
    logs_.trace("start dir: " + startDir_);
    logs_.trace("total args: " + std::to_string(args.size()));
    if (args.size() < 2) return;
    std::string installDir = args[1];
    logs_.trace("installDir: " + installDir);
    bool quiet = args.size() > 2 && compareIgnoreCase(args[2], "-q") == 0;
    // The marker and the removals name paths below the installation
    // directory while the current directory changes: they must be absolute.
    std::string full = platform::canonicalPath(installDir);
    // A root, a user's profile or a folder of it, the Windows directory or
    // Program Files, under any of their names, and any folder that holds one
    // of them: their java*, jre* and jvm* folders are the user's projects and
    // shared JVMs, never an installation's.
    if (isRootPath(installDir, family_) || (!full.empty() && isRootPath(full, family_)) ||
        platform::isProtectedDir(installDir) || (!full.empty() && platform::isProtectedDir(full))) {
        logs_.trace("refusing to uninstall from " + installDir);
        refuse(installDir + " is not an application's installation directory: nothing was removed.", quiet);
        return;
    }
    if (!full.empty()) installDir = full;
    while (installDir.size() > 1 && isSeparator(family_, installDir.back())) installDir.pop_back();
    std::string uninstallExe = joinPath(installDir, kUninstallExe, family_);
    logs_.trace("uninstallerExe: " + uninstallExe);
    if (!pathExists(uninstallExe)) {
        logs_.trace("unable to find " + uninstallExe);
        refuse(installDir + " is not an application's installation directory (it holds no " +
                   std::string(kUninstallExe) + "): nothing was removed.",
               quiet);
        return;
    }
    // An installation holds its launchers' properties; without them the
    // folder is not one, whatever program is called Uninstall.exe there.
    std::string quarlan = joinPath(installDir, kLauncherDir, family_);
    if (platform::isLink(quarlan) || !isDir(quarlan)) {
        logs_.trace("unable to find " + quarlan);
        refuse(installDir + " is not an application's installation directory (it holds no " +
                   std::string(kLauncherDir) + " folder): nothing was removed.",
               quiet);
        return;
    }
    if (runUninstaller(installDir, uninstallExe, quiet)) cleanUp(installDir, uninstallExe);
}

void Uninstaller::refuse(const std::string& text, bool quiet) const {
    logs_.trace(text);
    if (!quiet) platform::showError("Quarlan Uninstaller", text);
}

bool Uninstaller::runUninstaller(const std::string& installDir, const std::string& uninstallExe, bool quiet) {
    std::vector<std::string> argv{kUninstallExe};
    if (quiet) argv.push_back("-q");
    logs_.trace("args for java uninstaller: " + std::to_string(argv.size() + 1));
    for (size_t i = 0; i < argv.size(); ++i) logs_.trace("arg[" + std::to_string(i) + "]: " + argv[i]);
    // The Java uninstaller works in its installation directory; anywhere else
    // it would remove the wrong files.
    platform::SpawnOptions inInstallDir;
    inInstallDir.cwd = installDir;
    platform::SpawnResult r = platform::spawn(uninstallExe, argv, inInstallDir);
    if (r.badDirectory) {
        logs_.trace("unable to change to " + installDir + ": " + r.why.text());
        return false;
    }
    logs_.trace("uninstalled app result: " + std::to_string(r.started ? r.exitCode : -1));
    std::string marker = joinPath(installDir, kUninstallDone, family_);
    bool done = pathExists(marker);
    (void)platform::removeFile(marker);  // best effort: the marker is only a leftover
    // Out of the installation directory, should the uninstaller have been
    // started there: a directory something runs in cannot be removed.
    (void)platform::changeDir(startDir_);  // one it cannot leave is traced as not removed
    logs_.trace("about to free args for java uninstaller");
    logs_.trace("args freed for java uninstaller");
    return done;
}

void Uninstaller::cleanUp(const std::string& installDir, const std::string& uninstallExe) {
    if (!isDir(installDir)) {
        logs_.trace("install directory already erased");
        return;
    }
    std::string quarlan = joinPath(installDir, kLauncherDir, family_);
    removeSubdir(quarlan);
    removeJreSubdir(installDir);
    logs_.trace("uninstaller.exe removed result: " + std::to_string(status(platform::removeFile(uninstallExe))));
    if (pathExists(quarlan)) {
        platform::sleepMs(retryDelayMs_);
        removeSubdir(quarlan);
    }
    logs_.trace("removed " + installDir + " dir: " + std::to_string(status(platform::removeDir(installDir))));
}

void Uninstaller::removeSubdir(const std::string& path) {
    if (platform::isLink(path)) {
        // A link is removed itself; what it points to is not ours.
        logs_.trace("removed " + path + " file: " + std::to_string(status(platform::removeFile(path))));
        return;
    }
    std::vector<platform::DirEntry> entries;
    if (platform::Result listed = platform::listDir(path, entries); !listed)
        logs_.trace("unable to read " + path + ": " + listed.text());
    for (const auto& e : entries) {
        std::string child = joinPath(path, e.name, family_);
        if (e.isDirectory && !e.isLink) {
            removeSubdir(child);
        } else {
            logs_.trace("removed " + child + " file: " + std::to_string(status(platform::removeFile(child))));
        }
    }
    logs_.trace("removed " + path + " dir: " + std::to_string(status(platform::removeDir(path))));
}

void Uninstaller::removeJreSubdir(const std::string& installDir) {
    std::vector<platform::DirEntry> entries;
    if (platform::Result listed = platform::listDir(installDir, entries); !listed)
        logs_.trace("unable to read " + installDir + ": " + listed.text());
    for (const auto& e : entries) {
        std::string path = joinPath(installDir, e.name, family_);
        // Links to directories count as directories here; removeSubdir
        // removes the link only.
        bool directory = e.isDirectory || (e.isLink && platform::typeOf(path) == platform::FileType::Directory);
        if (!directory) continue;
        std::string name = asciiLower(e.name);
        if (startsWith(name, "java")) removeSubdir(path);
        if ((startsWith(name, "jre") || startsWith(name, "jvm")) && platform::exists(path)) removeSubdir(path);
    }
    logs_.trace("finished removing any locally installed JREs");
}

}  // namespace qrl
