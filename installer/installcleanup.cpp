// Tidying the working directory after the run and saving the logs in the
// directory the user started from.
#include <cstdio>
#include <string>
#include <optional>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "provision/extractjvm.h"
#include "platform/safefile.h"
#include "provision/installjvm.h"

namespace qrl {
namespace {

// The installer wrote these lines itself: they are read whole, so a long JVM
// home comes back as it was written, never cut to a shorter name.
constexpr size_t kWholeLines = static_cast<size_t>(-1);

}  // namespace

void Install::cleanUp(bool success) {
    if (!kitRead_) {
        // Not a kit this run could read (a user's folder, a kit half
        // unpacked): nothing of the directory is touched but what the run
        // made, and of the logs only its own leave for the start directory.
        removeTraceSemaphore(success);
        cleanUpErrorsLog();
        cleanUpLogFiles();
        return;
    }
    cleanUpManifest(success);
    cleanUpJvmDir();
    cleanUpErrorsLog();
    cleanUpLogFiles();
    for (const char* name : {"changes.txt", kStartDirFile, kNativeProperties}) platform::removeFile(name);
}

void Install::cleanUpManifest(bool success) {
    std::string manifest = joinPath("META-INF", "MANIFEST.MF", family_);
    std::string cwd = workingDir();
    readLines(manifest, 999, [&](std::string& line) {
        if (line.rfind("Name: ", 0) != 0) return true;
        std::string name = trimRight(line.substr(6));
        if (name.empty()) return true;
        // Only files the wizard unpacked here: nothing outside the working directory.
        bool absolute = name.front() == '/' || name.front() == '\\' || (name.size() > 1 && name[1] == ':');
        if (absolute || !isPathInside(cwd, name)) {
            logs_.trace("not removing a file outside the working directory:", name);
            return true;
        }
        platform::removeFile(name);
        return true;
    });
    platform::removeFile(manifest);
    platform::removeDir("META-INF");
    platform::removeFile("install.jar");
    if (rules_.removesSwingall) platform::removeFile("swingall.jar");
    removeTraceSemaphore(success);
}

void Install::removeTraceSemaphore(bool success) {
    const std::string semaphore = logs_.beside(kTraceSemaphore);
    if (fexists(semaphore)) {
        platform::removeFile(semaphore);
        if (success) {
            platform::removeFile(logs_.traceLog());
        } else {
            logs_.trace("install ok", false);
        }
    }
}

NativeProperties parseNativeProperties(std::string_view text, Family family) {
    NativeProperties out;
    const bool slashes = rulesFor(family).nativePropertiesSlashes;
    splitLines(withLineFeeds(text), kWholeLines, [&](std::string& raw) {
        std::string line = unescapeJavaProperty(raw);
        if (slashes)
            for (char& c : line)
                if (c == '/') c = '\\';
        if (auto v = prefixValue(line, "nativeJvmHomeDir")) {
            out.jvmHome = *v;
        } else if (auto v = prefixValue(line, "nativeJvmInstalledInTemp")) {
            out.installedInTemp = *v;
        } else if (auto v = prefixValue(line, "nativeTempJvmDir")) {
            out.tempJvmDir = *v;
        } else if (auto v = prefixValue(line, "configureWinRegistry")) {
            out.registryGiven = true;
            out.configureRegistry = stricmp(*v, "true") == 0 || stricmp(*v, "yes") == 0;
        }
        return true;
    });
    return out;
}

void Install::cleanUpJvmDir() {
    std::string text;
    bool opened = readTextFile(kNativeProperties, text);
    NativeProperties values = parseNativeProperties(text, family_);
    const std::string& location = values.jvmHome;
    const std::string& inTemp = values.installedInTemp;
    const std::string& tempDir = values.tempJvmDir;
    const bool configureReg = values.configureRegistry;
    if (!location.empty()) logs_.trace("jvmLocation", location);
    if (!inTemp.empty()) logs_.trace("jvmInstalledInTemp", inTemp);
    if (!tempDir.empty()) logs_.trace("tempJvmDir", tempDir);
    if (values.registryGiven) logs_.trace("configureReg", configureReg);
    if (!opened || stricmp(inTemp, "true") != 0) return;
    // The wizard has moved the JVM to its final place: configure it there,
    // without progress texts.
    if (configureReg && rules_.provisioning == JvmProvisioning::ByInstallerType) {
        const std::string& predefined = settings_.predefinedJvmInstallDir;
        if (predefined.rfind("[$AppDir]", 0) == 0) {
            logs_.trace("not adding reg entries", predefined);
        } else {
            // Registered at its new place (an extractor without a status
            // display shows no progress texts).
            ExtractJvm extractor(logs_);
            std::string commandName = settings_.jvmCommandName;
            extractor.configureJvm(settings_.jvmVersion, settings_.jvmName, commandName, location, homeDirectory_,
                                   true);
        }
    } else if (configureReg) {
        InstallJvm installer(family_, logs_, nullptr);
        installer.configureJvm(settings_.jvmVersion, settings_.jvmName, settings_.jvmCommandName, location,
                               homeDirectory_);
    }
    std::string dir = tempDir.empty() ? location : tempDir;
    // The temporary JVM always lives below the working directory; a value that
    // points anywhere else (the file is rewritten by the wizard) is left alone.
    if (dir.empty() || !isPathInside(workingDir(), dir)) {
        logs_.trace("not deleting a JVM directory outside the working directory:", dir);
        return;
    }
    if (!delDirTree(dir, family_)) logs_.trace("Warning: Unable to delete ", dir);
    platform::removeDir(joinPath(dir, "bin", family_));
    platform::removeDir(dir);
}

void Install::cleanUpErrorsLog() {
    auto size = platform::fileSize(logs_.errorLog());
    if (size && *size == 0) platform::removeFile(logs_.errorLog());
}

void Install::cleanUpLogFiles() {
    // Logs written elsewhere from the start (the working directory could not
    // take them) are where they belong already.
    if (!logsInWorkingDir()) return;
    if (!fexists(kStartDirFile)) return;
    std::string start = getStartDir();
    if (start.empty() || !isDir(start) || stricmp(start, workingDir()) == 0) return;
    std::string target = start;
    if (isDirWriteProtected(start) && !isDirWriteProtected(homeDirectory_)) target = homeDirectory_;
    logs_.trace("copying log files to", target);
    if (saveLogsIn(target)) return;
    // What could not be saved stays here, and with it the working directory.
    std::string here = workingDir();
    logs_.error("Unable to save the logs in", target);
    status_.showError("The logs of this installation are kept in " + here);
}

namespace {

// Appends a log of this run to the one at the target: neither name is
// followed if it is a link, so no other file is read or written through one.
bool appendLog(const std::string& src, const std::string& dst) {
    std::FILE* in = platform::openForRead(src);
    if (!in) return false;
    std::FILE* out = platform::openForWrite(dst, platform::WriteMode::Append);
    bool ok = out && copyStream(in, out);
    std::fclose(in);
    if (out) ok = std::fclose(out) == 0 && ok;
    return ok;
}

}  // namespace

bool Install::appendLogFile(std::string_view name, std::string_view target) {
    std::string to = joinPath(target, name, family_);
    bool ok = appendLog(std::string(name), to);
    if (!ok) logs_.trace("unable to append log file to", to);
    if (!ok && name == kErrorLog && rules_.reportsUnsavedErrorsLog)
        status_.showError("Unable to save errors.log", "Try installing from a non-write protected drive.");
    return ok;
}

bool Install::saveLogsIn(std::string_view target) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(".", entries)) return false;
    bool saved = true;
    for (const auto& e : entries) {
        if (e.name.find(".log") == std::string::npos) continue;
        if (!kitRead_ && e.name != kErrorLog && e.name != kTraceLog) continue;
        if (e.isLink || e.isDirectory) continue;  // not a log this run wrote
        if (e.name.find("qrlpand.log") != std::string::npos) {
            auto size = platform::fileSize(e.name);
            if (size && *size == 0) {
                platform::removeFile(e.name);
                continue;
            }
        }
        // Appended, so that the logs of an earlier run from the same start
        // directory survive; a saved log leaves the working directory.
        if (appendLogFile(e.name, target))
            platform::removeFile(e.name);
        else
            saved = false;
    }
    return saved;
}

bool Install::isDirWriteProtected(std::string_view dir) { return qrl::isDirWriteProtected(dir, family_); }

bool Install::logsInWorkingDir() const {
    return logs_.errorLog() == platform::pathIn(platform::currentDir().value_or(""), kErrorLog);
}

void Install::nameTheLogs() {
    if (logsInWorkingDir()) return;
    for (std::string* text : {&errorMessage_, &errorDetails_}) {
        size_t at = text->find("See errors.log");
        if (at != std::string::npos) text->replace(at + 4, 10, logs_.errorLog());
    }
}

std::string logsPlace(Family family, std::string_view workingDir, std::string_view startDir) {
    std::string here(workingDir);
    if (!isDirWriteProtected(here, family)) return here;
    if (!startDir.empty() && !isDirWriteProtected(startDir, family)) return std::string(startDir);
    if (auto home = platform::userFolder(platform::UserFolder::Profile); home && !isDirWriteProtected(*home, family))
        return *home;
    return here;
}

bool isDirWriteProtected(std::string_view dir, Family family) {
    if (dir.empty()) return true;
    // The probe is created exclusively: nothing that already holds its name
    // (a link above all) is opened, truncated or removed.
    std::string probe = joinPath(dir, "__qrltest.zos", family);
    platform::Result why;
    std::FILE* f = platform::openForWrite(probe, platform::WriteMode::CreateNew, true, &why);
    for (int i = 1; !f && platform::nameTaken(why) && i < 10; ++i) {
        probe = joinPath(dir, "__qrltest" + std::to_string(i) + ".zos", family);
        f = platform::openForWrite(probe, platform::WriteMode::CreateNew, true, &why);
    }
    if (!f) return true;
    std::fputs("ok", f);
    std::fseek(f, 0, SEEK_END);
    long pos = std::ftell(f);
    bool closed = std::fclose(f) == 0;
    platform::removeFile(probe);
    return !closed || pos <= 0;
}

bool cleanUpAllFiles(std::string_view dir, std::string_view startDir) {
    std::string d(dir);
    if (isRootPath(d, Family::Posix) || platform::isProtectedDir(d)) return false;
    if (!startDir.empty() && isPathInside(d, startDir, true)) return false;
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(d, entries)) return false;
    bool logsKept = false;
    for (const auto& e : entries) {
        if (e.name.empty() || e.name[0] == '.') continue;
        // Logs that could not be saved elsewhere stay, and so does the directory.
        if (!e.isLink && !e.isDirectory && e.name.find(".log") != std::string::npos) {
            logsKept = true;
            continue;
        }
        platform::removeFile(d + "/" + e.name);
    }
    return !logsKept && platform::removeDir(d);
}

}  // namespace qrl
