#include "installer/windowsrun.h"

#include <cstdio>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/cmdline.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace qrl {
namespace {

std::string g_installSemaphore;
std::string g_showSemaphore;

// The words of a command line that a blank follows, and the text after the
// last blank.
template <typename Each>
std::string_view eachWord(std::string_view rest, Each each) {
    for (size_t blank; (blank = rest.find(' ')) != std::string_view::npos;) {
        if (!each(rest.substr(0, blank))) return {};
        rest = rest.substr(blank + 1);
    }
    return rest;
}

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

bool quietScan(std::string_view arguments) {
    bool quiet = false;
    eachWord(arguments, [&](std::string_view word) {
        quiet = word == "-q" || word == "-s";
        return !quiet;
    });
    return quiet;
}

CommandLine parseWindowsSwitches(std::string_view arguments) {
    CommandLine cl;
    bool switchSeen = false;
    bool quoted = false;
    // The part of a word before its first double quote; a quote found ends
    // the quoted details.
    auto upToQuote = [&](std::string_view word) {
        size_t q = word.find('"');
        if (q != std::string_view::npos) quoted = false;
        return word.substr(0, q);
    };
    std::string_view last = eachWord(arguments, [&](std::string_view word) {
        if (word == "-q" || word == "-s") {
            (word == "-q" ? cl.quiet : cl.properties) = true;
            switchSeen = true;
        } else if (switchSeen && cl.details.empty()) {
            size_t q = word.find('"');
            if (q != std::string_view::npos) {
                word = word.substr(q + 1);
                quoted = true;
            }
            cl.details = word;
        } else if (switchSeen && quoted) {
            cl.details += " ";
            cl.details += upToQuote(word);
        }
        return true;
    });
    if (switchSeen && !last.empty()) {
        if (cl.details.empty()) {
            cl.details = last;
        } else if (quoted) {
            cl.details += " ";
            cl.details += upToQuote(last);
        }
    }
    return cl;
}

void setHandshakePaths(std::string installSemaphore, std::string showSemaphore) {
    g_installSemaphore = std::move(installSemaphore);
    g_showSemaphore = std::move(showSemaphore);
}

const std::string& installSemaphorePath() { return g_installSemaphore; }
const std::string& showSemaphorePath() { return g_showSemaphore; }

void removeShowSemaphore() {
    if (!g_showSemaphore.empty()) platform::removeFile(g_showSemaphore);
}

bool writeHandshakeFiles() {
    bool install = writeOk(g_installSemaphore);
    bool show = writeOk(g_showSemaphore);
    return install && show;
}

void runStatusLoops(StatusLoopHost& host, const std::string& installSemaphore, const std::string& showSemaphore) {
    // Shown while both files are there.
    host.startTimer();
    while (host.nextMessage())
        if (!host.fileExists(installSemaphore) || !host.fileExists(showSemaphore)) break;
    host.stopTimer();
    // Up to 100 more messages (the timer's ticks) for the worker to finish.
    host.startTimer();
    for (unsigned count = 0; count < 101; ++count) {
        host.nextMessage();
        if (!host.fileExists(installSemaphore)) break;
    }
    host.stopTimer();
    host.hide();
    // The process never ends while the worker runs.
    host.startTimer();
    while (host.fileExists(installSemaphore)) host.nextMessage();
    host.stopTimer();
}

bool startCleanup(std::string_view startDir, std::string_view workingDir, bool kitRead) {
    std::string cwd(workingDir);
    std::string copy = joinPath(cwd, kCleanupCopy, Family::Windows);
    if (!kitRead || platform::isProtectedDir(cwd)) {
        platform::removeFile(copy);
        return false;
    }
    if (startDir.empty() || stricmp(startDir, workingDir) == 0) {
        platform::removeFile(copy);
        platform::removeFile(joinPath(cwd, kCleanupProgram, Family::Windows));
        return false;
    }
    // Out of the working directory first, so that it can be removed.
    platform::changeDir(std::string(startDir));
    platform::SpawnOptions options;
    options.wait = false;
    // The directory arrives as one argument whatever it holds.
    return platform::spawn(copy, {kCleanupCopy, cwd}, options).started;
}

bool runWorker(std::string_view arguments, bool* kitRead) {
    CommandLine cl = parseWindowsSwitches(arguments);
    copyFile(kCleanupProgram, kCleanupCopy);
    bool ok = startProgram(Family::Windows, cl.quiet, cl.properties, cl.details, kitRead);
    if (!g_installSemaphore.empty()) platform::removeFile(g_installSemaphore);
    return ok;
}

}  // namespace qrl
