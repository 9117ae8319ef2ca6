#include "provision/jvmdirchooser.h"

#include <algorithm>

#include "common/familyrules.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"
#include "provision/dirchoice.h"
#include "provision/posixjvmdirchooser.h"
#include "provision/winjvmdirchooser.h"

namespace qrl {
namespace {

// Paths longer than this are refused rather than created.
constexpr size_t kMaxPath = 5000;

}  // namespace

JvmDirChooser::JvmDirChooser(Family family, Logs logs, JvmPlaces places, std::string workingDir)
    : family_(family), logs_(std::move(logs)), places_(std::move(places)), workingDir_(std::move(workingDir)) {}

Outcome<JvmDirChoice> JvmDirChooser::choose(const JvmRequest& request, std::string_view homeDirectory) const {
    if (rulesFor(family_).jvmDirsOfWindows)
        return WinDirChoice(logs_, places_.folders, workingDir_, request, homeDirectory).run();
    return PosixDirChoice(family_, logs_, places_.systemDirs, workingDir_, request, homeDirectory).run();
}

void removeCreatedDirectories(const std::vector<std::string>& created, Family family, const Logs& logs) {
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        logs.trace("removing the unfinished JVM directory", *it);
        if (!delDirTree(*it, family)) logs.trace("Warning: Unable to delete ", *it);
    }
}

DirChoice::DirChoice(Family family, Logs logs, std::string workingDir, JvmRequest request, std::string_view home)
    : family_(family),
      logs_(std::move(logs)),
      workingDir_(std::move(workingDir)),
      home_(home),
      request_(std::move(request)) {}

Outcome<JvmDirChoice> DirChoice::run() {
    std::optional<std::string> dir = chooseFamilyDir();
    if (!dir) {
        if (auto path = readPathVariable()) {
            for (const auto& entry : searchPathEntries(*path))
                if ((dir = createJvmSubdirectory(entry))) break;
        }
    }
    if (!dir) {
        beforeWorkingDir();
        dir = createJvmSubdirectory(workingDir_);
    }
    if (!dir) logs_.error("Unable to create a new directory to install JVM");
    logs_.trace("createJvmDirectory ok", dir.has_value());
    if (!dir) {
        // Nothing of a choice that failed stays behind.
        removeCreatedDirectories(choice_.created, family_, logs_);
        return Failure{"Unable to create a new directory to install JVM", lastTried_};
    }
    choice_.dir = *dir;
    return std::move(choice_);
}

std::optional<std::string> DirChoice::createPredeterminedJvmDirectory(const std::string& dir) {
    logs_.trace("creating predefined jvm dir", dir);
    if (dir.empty() || dir.size() > kMaxPath || refused(dir)) return std::nullopt;
    const bool windows = rulesFor(family_).windowsPaths;
    std::string walk = dir;
    if (lastSeparator(walk, family_) != walk.size() - 1) walk += rulesFor(family_).dirEnd;
    // A share (\\server\share) exists or cannot be made: the walk starts after it.
    size_t from = 0;
    if (windows && walk.rfind("\\\\", 0) == 0) {
        size_t server = walk.find('\\', 2);
        from = server == std::string::npos ? walk.size() : walk.find('\\', server + 1);
        from = from == std::string::npos ? walk.size() : from + 1;
    }
    for (size_t i = from; i < walk.size(); ++i) {
        if (!isSeparator(family_, walk[i])) continue;
        std::string prefix = walk.substr(0, i);
        // A drive ("C:") exists or cannot be made.
        if (prefix.empty() || (windows && prefix.back() == ':') || isDir(prefix)) continue;
        if (!addDirectory(std::string_view(prefix))) return std::nullopt;
    }
    if (!isDir(dir)) return std::nullopt;
    choice_.discovered = foundValidJvm(dir);
    return dir;
}

std::optional<std::string> DirChoice::createJvmSubdirectory(std::string dir) {
    std::string majorMinor, micro;
    parseVersion(request_.jvmVersion, majorMinor, micro);
    const std::string name = asciiLower(request_.jvmName + majorMinor);
    auto descend = [&](std::string_view next) {
        auto made = addDirectory(dir, next);
        if (made) dir = *made;
        return made.has_value();
    };
    bool ok = descend("jvm") && descend(name);
    if (ok) {
        std::string leaf = joinPath(dir, majorMinor, family_);
        if (!isDir(leaf)) {
            ok = descend(majorMinor);
        } else if (foundValidJvm(leaf)) {
            // Where an earlier run put the same JVM.
            choice_.discovered = true;
            dir = leaf;
        } else if (foundValidJvm(dir)) {
            choice_.discovered = true;
        } else {
            std::string second = joinPath(dir, name, family_);
            if (isDir(second)) {
                choice_.discovered = foundValidJvm(second);
                if (choice_.discovered) dir = second;
            } else {
                ok = descend(name);
            }
        }
    }
    logs_.trace(ok ? "created jvm subdirectory in" : "unable to create jvm subdirectory in", dir);
    logs_.trace("finished createJvmSubdirectory; ok", ok);
    lastTried_ = dir;
    if (!ok) return std::nullopt;
    return dir;
}

bool DirChoice::foundValidJvm(std::string_view dir) {
    if (!mayReuse(dir)) return false;
    JvmVerdict tested =
        JvmTester(family_, logs_).testJvm({std::string(dir), request_.jvmCommandName}, request_.criteria);
    if (!tested.accepted()) {
        logs_.trace(std::string(dir) + " doesn't have correct version");
        return false;
    }
    choice_.launcher = {tested.name, tested.executable};
    return true;
}

std::optional<std::string> DirChoice::addDirectory(std::string_view dir, std::string_view name) {
    std::string path;
    if (dir.empty())
        path = name;
    else if (lastSeparator(dir, family_) == dir.size() - 1)
        path = std::string(dir) + std::string(name);
    else
        path = joinPath(dir, name, family_);
    if (!addDirectory(std::string_view(path))) return std::nullopt;
    return path;
}

bool DirChoice::addDirectory(std::string_view path) {
    std::string p(path);
    if (p.empty() || p.size() > kMaxPath) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    // Remembered so that a JVM that fails leaves nothing behind; a directory
    // inside one already remembered goes with it.
    if (!isDir(p) && makeDirectory(p) && !insideCreated(p)) choice_.created.push_back(p);
    if (!isDir(p)) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    return true;
}

bool DirChoice::insideCreated(std::string_view path) const {
    const bool windows = rulesFor(family_).windowsPaths;
    return std::any_of(choice_.created.begin(), choice_.created.end(), [&](const std::string& c) {
        std::string prefix = c + rulesFor(family_).dirEnd;
        if (path.size() < prefix.size()) return false;
        std::string_view head = path.substr(0, prefix.size());
        return windows ? compareIgnoreCase(head, prefix) == 0 : head == prefix;
    });
}

}  // namespace qrl
