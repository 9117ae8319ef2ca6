#include "installer/kitdir.h"

#include "common/files.h"
#include "common/logs.h"
#include "common/paths.h"
#include "common/workdirs.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/safefile.h"

namespace qrl {

std::string refusedRunLogsDir() {
    for (const char* name : {"TMPDIR", "TEMP", "TMP"})
        if (auto dir = platform::getEnv(name); dir && !dir->empty() && isDir(*dir)) return *dir;
    return isDir("/tmp") ? "/tmp" : "";
}

namespace {

// The names of a run's own work files in the kit, which no kit ships.
constexpr const char* kRunFiles[] = {"__qrl.control", "__qrlvers.log", "jvmGood.txt",
                                     "__qrlwizard.sem", "__qrlwait.sem", "__temp.log"};

}  // namespace

bool claimKitDir(const std::string& kit, platform::DirLock& lock, Family family, KitUse use) {
    platform::Result why = lock.tryLock(kit);
    if (!why && platform::lockedByAnother(why)) {
        std::string dir = refusedRunLogsDir();
        if (!dir.empty()) Logs::in(dir).errorOnly(std::string(kAnotherRunning) + ": " + kit);
        platform::writeStderr(std::string(kAnotherRunning) + ": " + kit + "\n");
        return false;
    }
    // Only a kit holds work files of a run; a folder the program was started
    // in by mistake keeps everything.
    if (!why || use == KitUse::CopiedFirst || !pathExists(joinPath(kit, "qrl.control", family))) return true;
    // Nobody else runs here: what a killed run left goes.
    for (const char* name : kRunFiles) {
        std::string file = joinPath(kit, name, family);
        // What a killed run left goes as far as it can: the new run writes its
        // files afresh.
        if (platform::isLink(file) || platform::typeOf(file) == platform::FileType::File)
            (void)platform::removeFile(file);
    }
    std::string launch = joinPath(kit, rulesFor(family).launchFile, family);
    if (platform::isLink(launch) || platform::typeOf(launch) == platform::FileType::File)
        (void)platform::removeFile(launch);
    removeNotedWorkFiles(kit, family);
    return true;
}

std::string logsPlace(Family family, std::string_view workingDir, std::string_view startDir) {
    // A folder takes the logs when a file can be made in it and its
    // "errors.log", if there is one, is a file (a folder of that name would
    // swallow every line).
    auto takesLogs = [&](std::string_view dir) {
        platform::FileType log = platform::typeOf(joinPath(dir, kErrorLog, family));
        return !isDirWriteProtected(dir, family) &&
               (log == platform::FileType::None || log == platform::FileType::File);
    };
    std::string here(workingDir);
    if (takesLogs(here)) return here;
    if (!startDir.empty() && takesLogs(startDir)) return std::string(startDir);
    if (auto home = platform::userFolder(platform::UserFolder::Profile); home && takesLogs(*home)) return *home;
    // Last, the temporary directory, where a refused run's logs go too.
    if (std::string temp = refusedRunLogsDir(); !temp.empty() && takesLogs(temp)) return temp;
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
    (void)platform::removeFile(probe);  // best effort: the probe file is only a leftover
    return !closed || pos <= 0;
}

bool cleanUpAllFiles(std::string_view dir, std::string_view startDir) {
    std::string d(dir);
    if (isRootPath(d, Family::Posix) || platform::isProtectedDir(d)) return false;
    if (!startDir.empty() && (isPathInside(d, startDir, true) || platform::isWithin(std::string(startDir), d)))
        return false;
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
        (void)platform::removeFile(joinPath(d, e.name, Family::Posix));  // a file that stays keeps the directory below
    }
    return !logsKept && platform::removeDir(d);
}

}  // namespace qrl
