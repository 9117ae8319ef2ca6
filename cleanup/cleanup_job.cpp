#include "cleanup/cleanup_job.h"

#include <vector>

#include "platform/cmdline.h"
#include "platform/encoding.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/timerloop.h"

namespace qrlcleanup {
namespace {

bool sameName(std::string_view a, std::string_view b) { return platform::asciiLower(a) == platform::asciiLower(b); }

bool isSep(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string directoryArgument(std::string_view commandLine) {
    std::string_view rest;
    platform::firstWindowsToken(commandLine, &rest);
    // A quoted directory is one argument as the C runtime reads it, so that
    // what the installer quoted (a trailing backslash, a quote) comes back
    // unchanged.
    if (!rest.empty() && rest.front() == '"') {
        std::vector<std::string> args = platform::splitWindowsCommandLine("x " + std::string(rest));
        if (args.size() == 2) return args[1];
    }
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    return std::string(rest);
}

bool isRefused(std::string_view dir) {
    if (dir.find_first_not_of(" \t") == std::string_view::npos) return true;
    std::string full = platform::canonicalPath(std::string(dir));
    if (full.empty()) return true;
    for (std::string_view prefix : {"\\\\?\\UNC\\", "\\\\?\\", "\\\\.\\"}) {
        if (full.compare(0, prefix.size(), prefix) == 0) {
            full = (prefix.size() == 8 ? "\\\\" : "") + full.substr(prefix.size());
            break;
        }
    }
    while (!full.empty() && isSep(full.back())) full.pop_back();
    if (full.empty()) return true;  // "/" or "\"
    if (full.size() == 2 && std::isalpha(static_cast<unsigned char>(full[0])) && full[1] == ':') return true;
    if (full.size() > 2 && isSep(full[0]) && isSep(full[1])) {
        // \\server or \\server\share
        size_t parts = 0;
        size_t start = 2;
        for (size_t i = 2; i <= full.size(); ++i) {
            if (i == full.size() || isSep(full[i])) {
                if (i > start) ++parts;
                start = i + 1;
            }
        }
        return parts <= 2;
    }
    // The user's own folders and the system's.
    return platform::isProtectedDir(full);
}

bool leadsThroughLink(std::string_view dir) {
    // Every prefix that ends before a separator, and the whole name.
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i < dir.size() && !isSep(dir[i])) continue;
        std::string prefix(dir.substr(0, i));
        if (platform::isLink(prefix)) return true;
    }
    return false;
}

bool removeFiles(const std::string& dir) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(dir, entries)) return true;
    unsigned count = 0;
    for (const auto& e : entries) {
        if (sameName(e.name, "__qrlexpand.sem")) continue;
        if (!sameName(e.name, "__cleanup.exe")) ++count;
        (void)platform::removeFile(platform::pathIn(dir, e.name));  // what stays is counted on the next pass
    }
    return count == 0;
}

bool cleanUp(const std::string& dir, const Limits& limits) {
    // The name is resolved once ("C:" is the current directory of drive C,
    // not its root), and that full path is both checked and emptied.
    if (isRefused(dir) || leadsThroughLink(dir)) return false;
    const std::string full = platform::canonicalPath(dir);
    if (full.empty() || isRefused(full) || leadsThroughLink(full)) return false;
    if (!removeFiles(full)) {
        platform::Result looped = platform::runTimerLoop("GenericWClass", limits.periodMs, limits.passes,
                                                         [&] { return removeFiles(full); });
        if (!looped) return false;
    }
    // The directory still holds this program while it runs: removing it is
    // only tried, and the exit status says nothing of it.
    (void)platform::removeDir(full);
    return true;
}

}  // namespace qrlcleanup
