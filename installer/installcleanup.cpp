// Tidying the working directory after the run and saving the logs in the
// directory the user started from.
#include <cstdio>
#include <optional>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "platform/fs.h"
#include "provision/extractjvm.h"
#include "provision/installjvm.h"

namespace qrl {

void Install::cleanUp(bool success) {
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
            traceMessage(kTraceLog, "not removing a file outside the working directory:", name);
            return true;
        }
        platform::removeFile(name);
        return true;
    });
    platform::removeFile(manifest);
    platform::removeDir("META-INF");
    platform::removeFile("install.jar");
    if (rules_.removesSwingall) platform::removeFile("swingall.jar");
    if (fexists(kTraceSemaphore)) {
        platform::removeFile(kTraceSemaphore);
        if (success) {
            platform::removeFile(kTraceLog);
        } else {
            traceMessage(kTraceLog, "install ok", false);
        }
    }
}

void Install::cleanUpJvmDir() {
    std::string location, inTemp, tempDir;
    bool configureReg = true;
    bool opened = readLines(kNativeProperties, 998, [&](std::string& raw) {
        std::string line = unescapeJavaProperty(raw);
        if (rules_.nativePropertiesSlashes)
            for (char& c : line)
                if (c == '/') c = '\\';
        auto valueOf = [&](std::string_view key) { return prefixValue(line, key); };
        if (auto v = valueOf("nativeJvmHomeDir")) {
            location = *v;
            traceMessage(kTraceLog, "jvmLocation", location);
        } else if (auto v = valueOf("nativeJvmInstalledInTemp")) {
            inTemp = *v;
            traceMessage(kTraceLog, "jvmInstalledInTemp", inTemp);
        } else if (auto v = valueOf("nativeTempJvmDir")) {
            tempDir = *v;
            traceMessage(kTraceLog, "tempJvmDir", tempDir);
        } else if (auto v = valueOf("configureWinRegistry")) {
            configureReg = stricmp(*v, "true") == 0 || stricmp(*v, "yes") == 0;
            traceMessage(kTraceLog, "configureReg", configureReg);
        }
        return true;
    });
    if (!opened || stricmp(inTemp, "true") != 0) return;
    // The wizard has moved the JVM to its final place: configure it there,
    // without progress texts.
    if (configureReg && rules_.provisioning == JvmProvisioning::ByInstallerType) {
        const std::string& predefined = settings_.predefinedJvmInstallDir;
        if (predefined.rfind("[$AppDir]", 0) == 0) {
            traceMessage(kTraceLog, "not adding reg entries", predefined);
        } else {
            // Registered at its new place (an extractor without a status
            // display shows no progress texts).
            ExtractJvm extractor;
            std::string commandName = settings_.jvmCommandName;
            extractor.configureJvm(settings_.jvmVersion, settings_.jvmName, commandName, location, homeDirectory_,
                                   true);
        }
    } else if (configureReg) {
        InstallJvm installer(family_, nullptr);
        installer.configureJvm(settings_.jvmVersion, settings_.jvmName, settings_.jvmCommandName, location,
                               homeDirectory_);
    }
    std::string dir = tempDir.empty() ? location : tempDir;
    // The temporary JVM always lives below the working directory; a value that
    // points anywhere else (the file is rewritten by the wizard) is left alone.
    if (dir.empty() || !isPathInside(workingDir(), dir)) {
        traceMessage(kTraceLog, "not deleting a JVM directory outside the working directory:", dir);
        return;
    }
    if (!delDirTree(dir, family_)) traceMessage(kTraceLog, "Warning: Unable to delete ", dir);
    platform::removeDir(joinPath(dir, "bin", family_));
    platform::removeDir(dir);
}

void Install::cleanUpErrorsLog() {
    auto size = platform::fileSize(kErrorLog);
    if (size && *size == 0) platform::removeFile(kErrorLog);
}

void Install::cleanUpLogFiles() {
    if (!fexists(kStartDirFile)) return;
    std::string start = getStartDir();
    if (start.empty() || !isDir(start) || stricmp(start, workingDir()) == 0) return;
    std::string target = start;
    if (isDirWriteProtected(start) && !isDirWriteProtected(homeDirectory_)) target = homeDirectory_;
    traceMessage(kTraceLog, "copying log files to", target);
    _cleanUpLogFiles(target);
}

void Install::_cleanUpLogFiles(std::string_view target) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(".", entries)) return;
    for (const auto& e : entries) {
        if (e.name == "." || e.name == ".." || e.name.find(".log") == std::string::npos) continue;
        if (e.name.find("qrlpand.log") != std::string::npos) {
            auto size = platform::fileSize(e.name);
            if (size && *size == 0) continue;
        }
        if (rules_.appendsLogs) {
            appendLogFile(e.name, target);
        } else {
            copyFile(e.name, joinPath(target, e.name, family_));
        }
    }
}

bool Install::isDirWriteProtected(std::string_view dir) {
    if (dir.empty()) return true;
    std::string probe = joinPath(dir, "__qrltest.zos", family_);
    std::FILE* f = platform::openFile(probe, "wt");
    if (!f) return true;
    std::fputs("ok", f);
    std::fseek(f, 0, SEEK_END);
    long pos = std::ftell(f);
    std::fclose(f);
    platform::removeFile(probe);
    return pos <= 0;
}

bool cleanUpAllFiles(std::string_view dir, std::string_view startDir, std::string_view homeDir) {
    std::string d(dir);
    if (isRootPath(d, Family::Posix) || platform::canonicalPath(d) == "/") return false;
    if (!homeDir.empty() && platform::canonicalPath(d) == platform::canonicalPath(std::string(homeDir)))
        return false;
    if (!startDir.empty() && isPathInside(d, startDir, true)) return false;
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(d, entries)) return false;
    for (const auto& e : entries) {
        if (e.name.empty() || e.name[0] == '.') continue;
        platform::removeFile(d + "/" + e.name);
    }
    return platform::removeDir(d);
}

}  // namespace qrl
