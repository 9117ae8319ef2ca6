// Tidying the working directory after the run and saving the logs in the
// directory the user started from.
#include <algorithm>
#include <cstdio>
#include <string>
#include <optional>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/workdirs.h"
#include "installer/kitdir.h"
#include "installer/nativeproperties.h"
#include "installer/startdir.h"
#include "installer/installcleanup.h"
#include "installer/jvmstep.h"
#include "platform/console.h"
#include "platform/folders.h"
#include "platform/identity.h"
#include "platform/fs.h"
#include "platform/safefile.h"

namespace qrl {
RunCleanup::RunCleanup(InstallRun& run) : run_(run) {}

SavedLogs RunCleanup::run(bool success) {
    removeNotedWorkFiles(platform::currentDir().value_or(""), run_.family);
    if (!run_.kitRead) {
        // Not a kit this run could read (a user's folder, a kit half
        // unpacked): nothing of the directory is touched but what the run
        // made, and of the logs only its own leave for the start directory.
        removeTraceSemaphore(success);
        cleanUpErrorsLog();
        return cleanUpLogFiles();
    }
    cleanUpManifest(success);
    cleanUpJvmDir();
    cleanUpErrorsLog();
    SavedLogs logs = cleanUpLogFiles();
    // The files of the run itself: best effort, the run is over.
    for (const char* name : {"changes.txt", kStartDirFile, kNativeProperties}) (void)platform::removeFile(name);
    return logs;
}

void RunCleanup::cleanUpManifest(bool success) {
    std::string manifest = joinPath("META-INF", "MANIFEST.MF", run_.family);
    std::string cwd = getCurrentDir(run_.family);
    readLines(manifest, 999, [&](std::string& line) {
        if (line.rfind("Name: ", 0) != 0) return true;
        std::string name = trimRight(line.substr(6));
        if (name.empty()) return true;
        // Only files the wizard unpacked here: nothing outside the working directory.
        bool absolute = name.front() == '/' || name.front() == '\\' || (name.size() > 1 && name[1] == ':');
        if (absolute || !isPathInside(cwd, name)) {
            run_.logs.trace("not removing a file outside the working directory:", name);
            return true;
        }
        // The wizard's files go as far as they can: the working directory is
        // emptied once more after the run.
        (void)platform::removeFile(name);
        return true;
    });
    (void)platform::removeFile(manifest);
    (void)platform::removeDir("META-INF");
    (void)platform::removeFile("install.jar");
    if (run_.rules.removesSwingall) (void)platform::removeFile("swingall.jar");
    removeTraceSemaphore(success);
}

void RunCleanup::removeTraceSemaphore(bool success) {
    const std::string semaphore = run_.logs.beside(kTraceSemaphore);
    if (pathExists(semaphore)) {
        // Best effort: a semaphore or trace log that stays is only a leftover.
        (void)platform::removeFile(semaphore);
        if (success) {
            (void)platform::removeFile(run_.logs.traceLog());
        } else {
            run_.logs.trace("install ok", false);
        }
    }
}

void RunCleanup::cleanUpJvmDir() {
    std::string text;
    bool opened = readTextFile(kNativeProperties, text);
    NativeProperties values = parseNativeProperties(text, run_.family);
    const std::string& location = values.jvmHome;
    const std::string& inTemp = values.installedInTemp;
    const std::string& tempDir = values.tempJvmDir;
    const bool configureReg = values.configureRegistry;
    if (!location.empty()) run_.logs.trace("jvmLocation", location);
    if (!inTemp.empty()) run_.logs.trace("jvmInstalledInTemp", inTemp);
    if (!tempDir.empty()) run_.logs.trace("tempJvmDir", tempDir);
    if (values.registryGiven) run_.logs.trace("configureReg", configureReg);
    if (!opened || compareIgnoreCase(inTemp, "true") != 0) return;
    // The wizard has moved the JVM to its final place: configure it there.
    if (configureReg) JvmStep::configureMoved(run_, location);
    std::string dir = tempDir.empty() ? location : tempDir;
    // The temporary JVM always lives below the working directory; a value that
    // points anywhere else (the file is rewritten by the wizard) is left alone.
    if (dir.empty() || !isPathInside(getCurrentDir(run_.family), dir)) {
        run_.logs.trace("not deleting a JVM directory outside the working directory:", dir);
        return;
    }
    if (!delDirTree(dir, run_.family)) run_.logs.trace("Warning: Unable to delete ", dir);
    // What delDirTree left has been told; these only tidy the empty shells.
    (void)platform::removeDir(joinPath(dir, "bin", run_.family));
    (void)platform::removeDir(dir);
}

void RunCleanup::cleanUpErrorsLog() {
    auto size = platform::fileSize(run_.logs.errorLog());
    if (size && *size == 0) (void)platform::removeFile(run_.logs.errorLog());  // an empty log is harmless
}

SavedLogs RunCleanup::cleanUpLogFiles() {
    const std::string here = platform::currentDir().value_or("");
    SavedLogs saved{run_.logs.dir()};
    // Logs written elsewhere from the start (the working directory could not
    // take them) are where they belong already.
    if (!run_.logsInWorkingDir()) return saved;
    const std::string& start = run_.startDir;
    // No start directory, or the working directory itself under any name (or
    // a folder inside it, which goes with it): the logs stay here, and so
    // does the working directory.
    if (start.empty() || platform::isWithin(start, here)) return saved;
    std::string target;
    if (isDir(start)) {
        target = start;
        const std::string& home = run_.homeDirectory;
        if (isDirWriteProtected(start, run_.family)) {
            bool homeTakesThem = !home.empty() && isDir(home) && !platform::isWithin(home, here) &&
                                 !isDirWriteProtected(home, run_.family);
            target = homeTakesThem ? home : std::string();
        }
    }
    if (!target.empty()) {
        run_.logs.trace("copying log files to", target);
        if (saveLogsIn(target)) {
            saved.dir = target;
            if (target != start)
                platform::writeStderr("The logs of this installation could not be saved in " + start +
                                      "; they are in " + target + "\n");
            return saved;
        }
    }
    // What could not be saved stays here, and with it the working directory.
    saved.lost = true;
    std::string text = "The logs of this installation could not be saved in " + start + "; they are in " + here;
    run_.logs.error(text);
    if (run_.rules.reportsUnsavedErrorsLog)
        run_.status.showError("Unable to save errors.log", text + "\n\nTry installing from a non-write protected drive.");
    else if (run_.rules.errors == ErrorDisplay::TerminalAndScript && run_.status.quietMode())
        platform::writeStderr(text + "\n");  // quiet, yet the caller must learn where they are
    else
        run_.status.showError(text);
    return saved;
}

namespace {

// Appends a log of this run to the one at the target, written in full and
// closed without error. Neither name is followed if it is a link, a target
// with a second name (a hard link) is refused, and a log is never appended
// to itself.
bool appendLog(const std::string& src, const std::string& dst) {
    if (platform::sameFile(src, dst)) return false;
    std::FILE* in = platform::openForRead(src);
    if (!in) return false;
    std::FILE* out = platform::openForWrite(dst, platform::WriteMode::Append);
    bool ok = out && copyStream(in, out);
    std::fclose(in);
    if (out) ok = std::fclose(out) == 0 && ok;
    return ok;
}

}  // namespace

bool RunCleanup::appendLogFile(std::string_view name, std::string_view target) {
    std::string to = joinPath(target, name, run_.family);
    bool ok = appendLog(std::string(name), to);
    if (!ok) run_.logs.trace("unable to append log file to", to);
    return ok;
}

bool RunCleanup::saveLogsIn(std::string_view target) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(".", entries)) return false;
    std::vector<std::string> logs;
    for (const auto& e : entries) {
        if (e.name.find(".log") == std::string::npos) continue;
        if (!run_.kitRead && e.name != kErrorLog && e.name != kTraceLog) continue;
        if (e.isLink || e.isDirectory) continue;  // not a log this run wrote
        if (e.name.find("qrlpand.log") != std::string::npos) {
            auto size = platform::fileSize(e.name);
            if (size && *size == 0) {
                (void)platform::removeFile(e.name);  // an empty log is harmless
                continue;
            }
        }
        logs.push_back(e.name);
    }
    // The trace last: it tells where the others went.
    std::stable_partition(logs.begin(), logs.end(), [&](const std::string& n) { return n != kTraceLog; });
    bool saved = true;
    for (const auto& name : logs) {
        // Appended, so that the logs of an earlier run from the same start
        // directory survive; a saved log leaves the working directory.
        if (appendLogFile(name, target))
            (void)platform::removeFile(name);  // saved: a copy left behind is only a leftover
        else
            saved = false;
    }
    return saved;
}

}  // namespace qrl
