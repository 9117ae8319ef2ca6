#include "installer/macsteps.h"

#include <cstdio>

#include "common/execcmd.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/workdirs.h"
#include "installer/commandline.h"
#include "installer/kitdir.h"
#include "installer/startdir.h"
#include "installer/wizard.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/osversion.h"
#include "platform/process.h"
#include "provision/jvmmodes.h"

namespace qrl {
namespace {

// The longest path macOS takes (PATH_MAX), and what a working directory and
// the kit's files in it add to the base at least.
constexpr size_t kMaxPathLength = 1024;
constexpr size_t kTempNameRoom = 64;

// Takes a candidate for this run: a new directory, or a leftover of this user
// that no living run holds. The lock is taken before anything is removed.
bool claimCandidate(const std::string& dir, platform::DirLock& lock) {
    if (platform::isLink(dir)) return false;
    platform::FileType type = platform::typeOf(dir);
    if (type == platform::FileType::None) {
        if (!platform::makeDir(dir, 0700)) return false;
    } else if (type != platform::FileType::Directory || !platform::ownedByCurrentUser(dir)) {
        return false;
    }
    if (!lock.tryLock(dir)) return false;
    if (!lock.stillAt(dir)) {
        lock.release();
        return false;
    }
    removeNotedWorkFiles(dir, Family::Mac);  // a killed run's files in a JVM home
    for (const auto& name : entryNames(dir)) {
        std::string path = joinPath(dir, name, Family::Mac);
        bool tree = !platform::isLink(path) && platform::typeOf(path) == platform::FileType::Directory;
        if (tree)
            delDirTree(path, Family::Mac);
        else
            (void)platform::removeFile(path);  // what stays keeps the directory from being claimed
    }
    if (!entryNames(dir).empty() || !platform::setMode(dir, 0700)) {
        lock.release();
        return false;
    }
    return true;
}

bool isCandidateName(std::string_view name) {
    return name.size() == 8 && name.substr(0, 6) == "tmpqrl" && name[6] >= '0' && name[6] <= '9' && name[7] >= '0' &&
           name[7] <= '9';
}

// What a kit may hold at its top that belongs to a run, not to the kit: the
// run writes its own "startdir.txt", a wizard semaphore proves nothing about
// this run, and another run's working directory (a kit placed in the base
// directory itself) is not part of the kit.
bool runsOwn(std::string_view name, bool kitIsBase) {
    return name == kStartDirFile || name == kWizardSemaphore || (kitIsBase && isCandidateName(name));
}

struct CopySkips {
    std::string target;   // the working directory, when it lies inside the kit
    std::string program;  // the running program: the run does not need a copy of it
    bool kitIsBase = false;
};

// Copies a level of the kit; false at the first entry that does not arrive,
// which `why` names.
bool copyTree(const std::string& from, const std::string& to, const std::string& kitRoot, const CopySkips& skip,
              bool top, std::string& why) {
    std::vector<platform::DirEntry> entries;
    if (platform::Result listed = platform::listDir(from, entries); !listed) {
        why = from + ": " + listed.text();
        return false;
    }
    auto copy = [&](const std::string& src, const std::string& dst) {
        std::string reason;
        if (copyFile(src, dst, kNoCopyLimit, &reason)) return true;
        why = src + ": " + reason;
        return false;
    };
    for (const auto& e : entries) {
        if (top && runsOwn(e.name, skip.kitIsBase)) continue;
        std::string src = joinPath(from, e.name, Family::Mac);
        std::string dst = joinPath(to, e.name, Family::Mac);
        if (e.isLink) {
            // Followed only to a file of the kit itself.
            std::string real = platform::canonicalPath(src);
            if (!real.empty() && platform::typeOf(real) == platform::FileType::File && isPathInside(kitRoot, real) &&
                !copy(real, dst))
                return false;
        } else if (e.isDirectory) {
            if (platform::canonicalPath(src) == skip.target) continue;
            // A folder where the run writes its own log would swallow it: the
            // copy leaves it out, and the run's log then cannot be saved
            // beside the kit, so the working copy keeps it and says where.
            if (top && (e.name == kErrorLog || e.name == kTraceLog)) continue;
            if (platform::Result made = platform::makeDir(dst, 0700); !made) {
                why = dst + ": " + made.text();
                return false;
            }
            if (!copyTree(src, dst, kitRoot, skip, false, why)) return false;
        } else if (platform::typeOf(src) == platform::FileType::File) {
            if (top && !skip.program.empty() && platform::canonicalPath(src) == skip.program) continue;
            if (!copy(src, dst)) return false;
        }
    }
    return true;
}

}  // namespace

std::string tempDirBase() {
    if (auto tmp = platform::getEnv("TMPDIR"); tmp && !tmp->empty()) {
        std::string dir = *tmp;
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (dir != "/" && dir.size() + kTempNameRoom < kMaxPathLength &&
            platform::typeOf(dir) == platform::FileType::Directory && !isDirWriteProtected(dir, Family::Mac))
            return dir;
    }
    // The system's own place; whether it takes a directory, the run finds out.
    return "/tmp";
}

std::string kitFolderRefusal(std::string_view kitDir) {
    const std::string kit(kitDir);
    bool shared = platform::isProtectedDir(kit);
    for (const auto& place : platform::protectedDirs()) {
        if (shared) break;
        // The place itself, or a folder above it (a kit in /Users copies every home).
        shared = platform::sameFile(place, kit) || (place != "/" && platform::isWithin(place, kit));
    }
    if (!shared) return {};
    return kit + ": the kit must be in a folder of its own; nothing was installed.";
}

bool createTempDir(std::string_view startDir, platform::DirLock& lock, std::string& tempDir, std::string* why) {
    const std::string start(startDir);
    tempDir.clear();
    // Nothing is made, nothing copied for a kit that shares its folder.
    if (std::string refusal = kitFolderRefusal(start); !refusal.empty()) {
        if (why) *why = refusal;
        return false;
    }
    const std::string startReal = platform::canonicalPath(start);
    const std::string base = tempDirBase();
    tempDir.clear();
    for (int n = 1; n <= 99 && !base.empty() && tempDir.empty(); ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "tmpqrl%02d", n);
        std::string candidate = joinPath(base, name, Family::Mac);
        // A run started from inside a candidate keeps that directory.
        if (candidate == start || (!startReal.empty() && platform::canonicalPath(candidate) == startReal)) continue;
        if (claimCandidate(candidate, lock)) tempDir = candidate;
    }
    if (tempDir.empty() || !writeStartDirFile(kStartDirFile, start, tempDir)) {
        if (!tempDir.empty()) delDirTree(tempDir, Family::Mac);
        lock.release();
        tempDir.clear();
        // Back where the run started, as far as it can be: it fails anyway.
        (void)platform::changeDir(start);
        return false;
    }
    // A run from an incomplete copy would install without the missing file
    // and report success: no run at all.
    std::string copyFailure;
    bool copied = copyKitToTempDir(start, tempDir, &copyFailure);
    if (!copied && why)
        *why = "Unable to copy the kit into " + tempDir + " (" + copyFailure + "); nothing was installed.";
    // The kit's files may be run by anyone; the directory stays the user's own
    // (as far as it can: a failure leaves it with the modes of the copy).
    (void)platform::setMode(tempDir, 0700);
    if (!copied || !platform::changeDir(tempDir)) {
        delDirTree(tempDir, Family::Mac);
        lock.release();
        tempDir.clear();
        (void)platform::changeDir(start);  // back as far as it can be: it fails anyway
        return false;
    }
    return true;
}

bool writeStartDirFile(std::string_view name, std::string_view startDir, std::string_view dir) {
    std::string path = joinPath(dir, name, Family::Mac);
    std::FILE* f = platform::openFile(path, "wx");
    if (!f) return false;
    std::string line = std::string(startDir) + "\n";
    bool ok = std::fputs(line.c_str(), f) >= 0;
    return std::fclose(f) == 0 && ok;
}

bool copyKitToTempDir(std::string_view from, std::string_view to, std::string* why) {
    std::string kitRoot = platform::canonicalPath(std::string(from));
    std::string target = platform::canonicalPath(std::string(to));
    std::string failure;
    if (kitRoot.empty() || target.empty() || isPathInside(target, kitRoot, true)) {
        if (why) *why = std::string(to) + " lies inside the kit " + std::string(from);
        return false;
    }
    std::string base = platform::canonicalPath(tempDirBase());
    CopySkips skip{target, platform::canonicalPath(platform::programPath()), !base.empty() && base == kitRoot};
    if (!copyTree(std::string(from), std::string(to), kitRoot, skip, true, failure)) {
        if (why) *why = failure;
        return false;
    }
    ExecCommand exec(Family::Mac, Logs::in(to));
    if (exec.setPermissions(to)) return true;
    if (why) *why = "the modes of the copy in " + std::string(to) + " could not be set";
    return false;
}

MacCommandLine parseMacCommandLine(const std::vector<std::string>& args) {
    MacCommandLine cl;
    bool detailsNext = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (detailsNext) {
            detailsNext = false;
            cl.details = detailsArgument(args, i);
            continue;
        }
        // Of the program's own path only its file name could be a switch.
        std::string_view word = i == 0 ? baseName(arg, Family::Mac) : std::string_view(arg);
        if (word == "-q") {
            cl.quiet = true;
        } else if (word == "-s") {
            cl.properties = true;
        } else {
            continue;
        }
        detailsNext = cl.details.empty();
    }
    return cl;
}

bool darwinReleaseOk(std::string_view release) {
    unsigned long parts[3] = {0, 0, 0};
    size_t count = 0, i = 0;
    while (count < 3 && i < release.size() && release[i] >= '0' && release[i] <= '9') {
        unsigned long value = 0;
        while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
            if (value < 1000000) value = value * 10 + static_cast<unsigned long>(release[i] - '0');
            ++i;
        }
        parts[count++] = value;
        if (i < release.size() && release[i] == '.') ++i;
    }
    if (count == 0) return false;
    for (size_t k = 0; k < 3; ++k)
        if (parts[k] != kMinDarwinRelease[k]) return parts[k] > kMinDarwinRelease[k];
    return true;
}

bool isOsVersionOk(const Logs& logs) {
    std::optional<std::string> release = platform::osRelease();
    logs.trace("   result after issuing uname command:", release ? 0 : -1);
    logs.trace("   results ok:", release.has_value());
    bool ok = false;
    if (release) {
        while (!release->empty() && (release->back() == '\r' || release->back() == ' ')) release->pop_back();
        logs.trace("   os release:", *release);
        ok = darwinReleaseOk(*release);
    }
    logs.trace("os version ok to install jre", ok);
    return ok;
}

}  // namespace qrl
