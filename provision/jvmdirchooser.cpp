#include "provision/jvmdirchooser.h"

#include <algorithm>

#include "common/familyrules.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/fs.h"
#include "provision/posixjvmdirchooser.h"
#include "provision/winjvmdirchooser.h"

namespace qrl {
namespace {

// Paths longer than this are refused rather than created.
constexpr size_t kMaxPath = 5000;

}  // namespace

JvmPlaces JvmPlaces::defaults(Family family) { return searching(SearchPlaces::defaults(family)); }

JvmPlaces JvmPlaces::searching(SearchPlaces search) {
    return {std::move(search), installDirCandidates(), WindowsFolders::fromEnvironment()};
}

bool adminOnlyFolder(std::string_view dir, const std::vector<std::string>& adminOnlyCreated,
                     const RightsSource* rights) {
    for (const auto& made : adminOnlyCreated)
        if (stricmp(dir, made) == 0 || isPathInside(made, dir)) return true;
    return untrustedChain(rights ? *rights : systemRights(), dir, Family::Windows).empty();
}

std::unique_ptr<JvmDirChooser> JvmDirChooser::forFamily(Family family, Logs logs, const JvmPlaces& places) {
    if (rulesFor(family).jvmDirsOfWindows) return std::make_unique<WinJvmDirChooser>(std::move(logs), places.folders);
    return std::make_unique<PosixJvmDirChooser>(family, std::move(logs), places.systemDirs);
}

JvmDirChooser::JvmDirChooser(Family family, Logs logs)
    : family_(family), logs_(std::move(logs)), workingDir_(getCurrentDir(family)) {}

bool JvmDirChooser::choose(JvmRequest& request, std::string_view homeDirectory, std::string& dir,
                           std::string& jvmCommand) {
    home_ = homeDirectory;
    discovered_ = false;
    bool ok = chooseFamilyDir(request, dir, jvmCommand);
    if (!ok) {
        if (auto path = getPathPtr()) {
            for (const auto& entry : searchPathEntries(*path)) {
                dir = entry;
                if ((ok = createJvmSubdirectory(request, dir, jvmCommand))) break;
            }
        }
    }
    if (!ok) {
        dir = workingDir_;
        beforeWorkingDir();
        ok = createJvmSubdirectory(request, dir, jvmCommand);
    }
    if (!ok) logs_.error("Unable to create a new directory to install JVM");
    logs_.trace("createJvmDirectory ok", ok);
    return ok;
}

void JvmDirChooser::removeCreatedDirectories() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        logs_.trace("removing the unfinished JVM directory", *it);
        if (!delDirTree(*it, family_)) logs_.trace("Warning: Unable to delete ", *it);
    }
    created_.clear();
}

bool JvmDirChooser::createPredeterminedJvmDirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    logs_.trace("creating predefined jvm dir", dir);
    if (dir.empty() || dir.size() > kMaxPath || refused(dir)) return false;
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
        if (!addDirectory(std::string_view(prefix))) return false;
    }
    if (!isDir(dir)) return false;
    discovered_ = foundValidJvm(request, dir, jvmCommand);
    return true;
}

bool JvmDirChooser::createJvmSubdirectory(JvmRequest& request, std::string& dir, std::string& jvmCommand) {
    std::string majorMinor, micro;
    parseVersion(request.jvmVersion, majorMinor, micro);
    const std::string name = strlwr(request.jvmName + majorMinor);
    bool ok = addDirectory(dir, "jvm") && addDirectory(dir, name);
    if (ok) {
        std::string leaf = joinPath(dir, majorMinor, family_);
        if (!isDir(leaf)) {
            ok = addDirectory(dir, majorMinor);
        } else if (foundValidJvm(request, leaf, jvmCommand)) {
            // Where an earlier run put the same JVM.
            discovered_ = true;
            dir = leaf;
        } else if (foundValidJvm(request, dir, jvmCommand)) {
            discovered_ = true;
        } else {
            std::string second = joinPath(dir, name, family_);
            if (isDir(second)) {
                discovered_ = foundValidJvm(request, second, jvmCommand);
                if (discovered_) dir = second;
            } else {
                ok = addDirectory(dir, name);
            }
        }
    }
    logs_.trace(ok ? "created jvm subdirectory in" : "unable to create jvm subdirectory in", dir);
    logs_.trace("finished createJvmSubdirectory; ok", ok);
    return ok;
}

bool JvmDirChooser::foundValidJvm(JvmRequest& request, std::string_view dir, std::string& jvmCommand) {
    if (!mayReuse(dir)) return false;
    JvmVerdict tested = JvmTester(family_, logs_).testJvm({std::string(dir), request.jvmCommandName}, request.criteria);
    bool ok = tested.accepted();
    if (ok) {
        jvmCommand = tested.executable;
        request.jvmCommandName = tested.name;
    } else {
        logs_.trace(std::string(dir) + " doesn't have correct version");
    }
    return ok;
}

bool JvmDirChooser::addDirectory(std::string& dir, std::string_view name) {
    std::string path;
    if (dir.empty())
        path = name;
    else if (lastSeparator(dir, family_) == dir.size() - 1)
        path = dir + std::string(name);
    else
        path = joinPath(dir, name, family_);
    if (!addDirectory(std::string_view(path))) return false;
    dir = path;
    return true;
}

bool JvmDirChooser::addDirectory(std::string_view path) {
    std::string p(path);
    if (p.empty() || p.size() > kMaxPath) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    // Remembered so that a JVM that fails leaves nothing behind; a directory
    // inside one already remembered goes with it.
    if (!isDir(p) && makeDirectory(p) && !insideCreated(p)) created_.push_back(p);
    if (!isDir(p)) {
        logs_.trace("unable to add directory", p);
        return false;
    }
    return true;
}

bool JvmDirChooser::insideCreated(std::string_view path) const {
    const bool windows = rulesFor(family_).windowsPaths;
    return std::any_of(created_.begin(), created_.end(), [&](const std::string& c) {
        std::string prefix = c + rulesFor(family_).dirEnd;
        if (path.size() < prefix.size()) return false;
        std::string_view head = path.substr(0, prefix.size());
        return windows ? stricmp(head, prefix) == 0 : head == prefix;
    });
}

}  // namespace qrl
