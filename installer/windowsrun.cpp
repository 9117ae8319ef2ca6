#include "installer/windowsrun.h"

#include <cstdio>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/workdirs.h"
#include "installer/kitdir.h"
#include "installer/startdir.h"
#include "platform/cmdline.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/process.h"

namespace qrl {
namespace {

bool writeOk(const std::string& path) {
    std::FILE* f = platform::openFile(path, "wt");
    if (!f) return false;
    bool ok = std::fputs("ok\n", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

std::string_view argumentsOf(std::string_view commandLine) {
    std::string_view rest;
    platform::firstWindowsToken(commandLine, &rest);
    return rest;
}

CommandLine parseWindowsSwitches(std::string_view arguments) {
    CommandLine cl;
    bool switchSeen = false;
    std::vector<std::string> args = platform::splitWindowsArguments(arguments);
    // The last argument is never a switch: a switch needs a word after it.
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "-q" || arg == "-s") && i + 1 < args.size()) {
            (arg == "-q" ? cl.quiet : cl.properties) = true;
            switchSeen = true;
        } else if (switchSeen && cl.details.empty()) {
            cl.details = arg;
        }
    }
    return cl;
}

bool ShowSemaphore::write() const { return writeOk(path_); }

// Best effort: one that stays only keeps the status window up until the run ends.
void ShowSemaphore::remove() const { (void)platform::removeFile(path_); }

KitClaim claimKit(platform::RunLock& lock, const std::string& installSemaphore, const std::string& showSemaphore) {
    KitClaim claim;
    platform::Result& why = claim.why;
    switch (lock.take(installSemaphore, &why)) {
        case platform::LockState::Held:
            claim.message = kAnotherRunning;
            return claim;
        case platform::LockState::Failed:
            claim.message = std::string("Unable to remove ") + kInstallSemaphore + " left by an earlier installation";
            return claim;
        case platform::LockState::NotMade:
            // A kit this run cannot write in: no other run can hold it either,
            // and the installation fails there on its own, with its own words.
            why = platform::Result();
            break;
        case platform::LockState::Taken:
            // What a killed run left in folders outside the kit goes now.
            removeNotedWorkFiles(platform::currentDir().value_or(""), Family::Windows);
            break;
    }
    // An earlier run's "__qrlshow.sem": a file (read-only or not) or a
    // directory in its place would keep the status window up.
    if (platform::exists(showSemaphore) || platform::isLink(showSemaphore)) {
        bool directory = !platform::isLink(showSemaphore) && platform::typeOf(showSemaphore) == platform::FileType::Directory;
        platform::makeWritable(showSemaphore);
        why = directory ? platform::removeDir(showSemaphore) : platform::removeFile(showSemaphore);
        if (!why) {
            lock.release();
            claim.message = std::string("Unable to remove ") + kShowSemaphore + " left by an earlier installation";
            return claim;
        }
    }
    claim.ok = true;
    return claim;
}

Logs unclaimedRunLogs(const KitClaim& claim) {
    if (claim.message != kAnotherRunning) return Logs::inCurrentDir();
    std::string dir = refusedRunLogsDir();
    return dir.empty() ? Logs::none() : Logs::in(dir);
}

void runStatusLoops(StatusLoopHost& host, const std::string& showSemaphore) {
    // Shown while the worker runs and "__qrlshow.sem" is there.
    host.startTimer();
    while (host.nextMessage())
        if (!host.workerRunning() || !host.fileExists(showSemaphore)) break;
    host.stopTimer();
    // Up to 100 more messages (the timer's ticks) for the worker to finish.
    host.startTimer();
    for (unsigned count = 0; count < 101 && host.workerRunning(); ++count) host.nextMessage();
    host.stopTimer();
    host.hide();
    // The process never ends while the worker runs.
    host.startTimer();
    while (host.workerRunning()) host.nextMessage();
    host.stopTimer();
}

bool startCleanup(std::string_view startDir, std::string_view workingDir, bool mayRemove) {
    std::string cwd(workingDir);
    std::string copy = joinPath(cwd, kCleanupCopy, Family::Windows);
    if (!mayRemove || platform::isProtectedDir(cwd)) {
        // Best effort: the copy of the cleanup program is only a leftover.
        (void)platform::removeFile(copy);
        return false;
    }
    // The kit under another name (a link, "Z:/...", a trailing separator) or
    // a folder inside it is where the logs stay: the kit stays with them.
    if (startDir.empty() || platform::isWithin(std::string(startDir), cwd)) {
        // Best effort: the cleanup programs are only leftovers.
        (void)platform::removeFile(copy);
        (void)platform::removeFile(joinPath(cwd, kCleanupProgram, Family::Windows));
        return false;
    }
    // This process leaves the working directory too (on the window thread,
    // once the worker has ended), so that it does not hold the directory the
    // cleanup program removes.
    // Should it fail, the process ends at once and lets go of it then.
    (void)platform::changeDir(std::string(startDir));
    platform::SpawnOptions options;
    options.wait = false;
    options.cwd = std::string(startDir);
    // The directory arrives as one argument whatever it holds.
    return platform::spawn(copy, {kCleanupCopy, cwd}, options).started;
}

bool runWorker(std::string_view arguments, Progress& progress, bool* mayRemove) {
    CommandLine cl = parseWindowsSwitches(arguments);
    copyFile(kCleanupProgram, kCleanupCopy);
    RunOutcome outcome = startProgram(Family::Windows, cl.quiet, cl.properties, cl.details, getStartDir(), progress);
    if (mayRemove) *mayRemove = outcome.mayRemoveKit();
    return outcome.success && !outcome.logsLost;
}

}  // namespace qrl
