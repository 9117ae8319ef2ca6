#include "jvm/findjvm.h"

#include <algorithm>
#include <cstring>

#include "common/familyrules.h"
#include "common/logfiles.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/version.h"
#include "platform/env.h"
#include "platform/fs.h"

namespace qrl {
namespace {

// The list a setting of the environment names in place of the system's.
std::vector<std::string> overridden(std::vector<std::string> list, const char* variable) {
    if (auto value = platform::testSetting(variable)) return splitList(*value, ':');
    return list;
}

bool isDotEntry(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

SearchPlaces SearchPlaces::defaults(Family family) {
    SearchPlaces places;
    places.systemDirs = {"/usr/local/bin", "/usr/local", "/usr/share", "/usr", "/opt", "/bin", "/usr/bin", "/lib"};
    places.macRoots = {"/System/Library/Frameworks/JavaVM.framework/Versions", "/Library/Java/JavaVirtualMachines",
                       "/Library/Internet Plug-Ins/JavaAppletPlugin.plugin"};
    if (rulesFor(family).jvmSearch == JvmSearch::PosixPlaces) places.jvmDirs = {"/usr/lib/jvm", "/usr/java"};
    places.systemDirs = overridden(std::move(places.systemDirs), "QUARLAN_SYSTEM_DIRS");
    places.macRoots = overridden(std::move(places.macRoots), "QUARLAN_MAC_JVM_ROOTS");
    places.jvmDirs = overridden(std::move(places.jvmDirs), "QUARLAN_JVM_DIRS");
    return places;
}

std::vector<std::string> pathEntries(std::string_view path) {
    std::vector<std::string> entries;
    while (!path.empty() && entries.size() < kMaxPathEntries) {
        size_t colon = path.find(':');
        entries.emplace_back(path.substr(0, colon));
        path = colon == std::string_view::npos ? std::string_view() : path.substr(colon + 1);
    }
    return entries;
}

std::string releaseFileVersion(std::string_view home) {
    std::string version;
    readLines(joinPath(home, "release", Family::Posix), 999, [&](std::string& line) {
        auto found = prefixValue(line, "JAVA_VERSION=", 0);
        if (!found) return true;
        std::string_view value(*found);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.remove_suffix(1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        version = std::string(value);
        return false;
    });
    return version;
}

std::string nameVersion(std::string_view name) {
    size_t first = name.find_first_of("0123456789");
    if (first == std::string_view::npos) return {};
    size_t end = name.find_first_not_of("0123456789._", first);
    if (end == std::string_view::npos) end = name.size();
    std::string_view v = name.substr(first, end - first);
    while (!v.empty() && (v.back() == '.' || v.back() == '_')) v.remove_suffix(1);
    return std::string(v);
}

FindJvm::FindJvm(Family family, Logs logs) : FindJvm(family, SearchPlaces::defaults(family), std::move(logs)) {}

FindJvm::FindJvm(Family family, SearchPlaces places, Logs logs)
    : family_(family), places_(std::move(places)), logs_(std::move(logs)) {}

bool FindJvm::isDir(std::string_view path) {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (isDotEntry(name)) return false;
    return platform::typeOf(std::string(path)) == platform::FileType::Directory;
}

FindJvm::Found FindJvm::testHome(const Wanted& w, std::string_view where, std::string_view home) {
    if (observer_) observer_->place(where, home);
    JvmTester tester(family_, logs_, &runs_, observer_);
    JvmVerdict verdict = tester.testJvm({std::string(home), std::string(w.exeName), std::nullopt}, w.criteria);
    if (!verdict.accepted()) return std::nullopt;
    return FoundJvm{std::move(verdict.executable), std::move(verdict.name)};
}

std::optional<FoundJvm> FindJvm::isJvmInstalled(const JvmQuery& q, std::string_view exeName) {
    switch (rulesFor(family_).jvmSearch) {
        case JvmSearch::Registry:
            return searchRegistry(q.criteria, q.jvmName, exeName);
        case JvmSearch::PosixPlaces:
            return searchPosixPlaces(q.homeDirectory, q.criteria, q.jvmName, exeName, q.searchMode);
        case JvmSearch::MacRoots:
            break;
    }
    return searchMacRoots(q.criteria, exeName);
}

std::optional<FoundJvm> FindJvm::searchPosixPlaces(std::string_view homeDirectory, const JvmCriteria& criteria,
                                                   std::string_view, std::string_view exeName,
                                                   std::string_view searchMode) {
    runs_ = {};
    const Wanted w{criteria, exeName};
    Found found = searchPathForJvm(w);
    if (!found) found = searchHomeForJvm(homeDirectory, criteria, exeName);
    bool systemDirs =
        searchMode.empty() || (compareIgnoreCase(searchMode, "path") != 0 && compareIgnoreCase(searchMode, "path or registry") != 0);
    if (!found && systemDirs) found = searchUnixForJvm(w);
    if (!found) found = searchExtensions(w, systemDirs);
    return found;
}

std::optional<FoundJvm> FindJvm::searchMacRoots(const JvmCriteria& criteria, std::string_view exeName) {
    runs_ = {};
    const Wanted w{criteria, exeName};
    Found found = searchLibraryForJvm(w);
    if (!found) found = searchExtensions(w, true);
    return found;
}

FindJvm::Found FindJvm::searchPathForJvm(const Wanted& w) {
    auto path = readPathVariable();
    if (!path) {
        logs_.trace("unable to search path because path==NULL");
        return std::nullopt;
    }
    for (const auto& entry : pathEntries(*path))
        if (Found found = testHome(w, "PATH", entry)) return found;
    logs_.trace("jvm not found in path", *path);
    return std::nullopt;
}

std::optional<FoundJvm> FindJvm::searchHomeForJvm(std::string_view home, const JvmCriteria& criteria,
                                                  std::string_view exeName) {
    const Wanted w{criteria, exeName};
    Found found = (home == "/" || home == "/root") ? testHome(w, "home directory", home) : searchDirectory(home, w);
    if (!found) logs_.trace("jvm not found in home or its subdirectories", home);
    return found;
}

FindJvm::Found FindJvm::searchDirectory(std::string_view dir, const Wanted& w) {
    if (Found found = testHome(w, "home directory", dir)) return found;
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(std::string(dir), entries, kMaxHomeEntries)) return std::nullopt;
    for (const auto& e : entries) {
        std::string path = joinPath(dir, e.name, family_);
        if (!isDir(path)) continue;
        if (Found found = testHome(w, "home directory", path)) return found;
    }
    return std::nullopt;
}

FindJvm::Found FindJvm::searchUnixForJvm(const Wanted& w) {
    for (const auto& dir : places_.systemDirs)
        if (Found found = checkUnixSubdirectories(dir, w)) return found;
    return std::nullopt;
}

FindJvm::Found FindJvm::checkUnixSubdirectories(std::string_view dir, const Wanted& w) {
    std::vector<platform::DirEntry> entries;
    if (platform::listDir(std::string(dir), entries)) {
        for (const auto& e : entries) {
            if (std::strcmp(e.name.c_str(), "java") <= 0) continue;
            std::string path = joinPath(dir, e.name, family_);
            if (!isDir(path)) continue;
            if (Found found = testHome(w, "system directory", path)) return found;
        }
    }
    std::string java = joinPath(dir, "java", family_);
    if (Found found = testHome(w, "system directory", java)) return found;
    logs_.trace("jvm not found in directory", java);
    return std::nullopt;
}

FindJvm::Found FindJvm::searchLibraryForJvm(const Wanted& w) {
    for (const auto& root : places_.macRoots)
        if (Found found = searchLibrary(root, w)) return found;
    return std::nullopt;
}

FindJvm::Found FindJvm::searchLibrary(std::string_view root, const Wanted& w) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(std::string(root), entries)) return std::nullopt;
    for (const auto& e : entries) {
        std::string home = joinPath(root, {e.name, "Home"}, family_);
        if (!isDir(home)) continue;
        if (Found found = testHome(w, "macOS JVM root", home)) return found;
    }
    return std::nullopt;
}

std::vector<std::string> FindJvm::extensionHomes() const {
    struct Candidate {
        std::string home;
        std::string version;
    };
    std::vector<Candidate> candidates;
    bool macHomes = rulesFor(family_).jvmSearch == JvmSearch::MacRoots;
    const auto& dirs = macHomes ? places_.macRoots : places_.jvmDirs;
    for (const auto& dir : dirs) {
        std::vector<platform::DirEntry> entries;
        if (!platform::listDir(dir, entries)) continue;
        for (const auto& e : entries) {
            std::string home = joinPath(dir, e.name, family_);
            if (macHomes) home = joinPath(home, {"Contents", "Home"}, family_);
            if (!isDir(home)) continue;
            std::string version = releaseFileVersion(home);
            if (version.empty()) version = nameVersion(e.name);
            candidates.push_back({std::move(home), std::move(version)});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.version.empty() || b.version.empty()) return !a.version.empty() && b.version.empty();
        return compareJavaVersions(a.version, b.version) > 0;
    });
    std::vector<std::string> homes;
    for (auto& c : candidates) homes.push_back(std::move(c.home));
    return homes;
}

FindJvm::Found FindJvm::searchExtensions(const Wanted& w, bool jvmHomes) {
    auto found = [&](Found jvm) {
        logs_.trace("jvm found by extension:", jvm->executable);
        return jvm;
    };
    auto javaHome = platform::getEnv("JAVA_HOME");
    if (javaHome && !javaHome->empty()) {
        logs_.trace("searching JAVA_HOME:", *javaHome);
        if (Found jvm = testHome(w, "JAVA_HOME", *javaHome)) return found(std::move(jvm));
    }
    if (!jvmHomes) return std::nullopt;
    for (const auto& home : extensionHomes()) {
        logs_.trace("searching jvm home:", home);
        if (Found jvm = testHome(w, "JVM directory", home)) return found(std::move(jvm));
    }
    logs_.trace("jvm not found by extension");
    return std::nullopt;
}

}  // namespace qrl
