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


void override(std::vector<std::string>& list, const char* variable) {
    if (auto value = platform::testSetting(variable)) list = splitList(*value, ':');
}

bool isDotEntry(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

SearchPlaces SearchPlaces::defaults(Family family) {
    SearchPlaces places;
    places.systemDirs = {"/usr/local/bin", "/usr/local", "/usr/share", "/usr", "/opt", "/bin", "/usr/bin", "/lib"};
    places.macRoots = {"/System/Library/Frameworks/JavaVM.framework/Versions", "/Library/Java/JavaVirtualMachines",
                       "/Library/Internet Plug-Ins/JavaAppletPlugin.plugin"};
    if (rulesFor(family).jvmSearch == JvmSearch::PosixPlaces) places.jvmDirs = {"/usr/lib/jvm", "/usr/java"};
    override(places.systemDirs, "QUARLAN_SYSTEM_DIRS");
    override(places.macRoots, "QUARLAN_MAC_JVM_ROOTS");
    override(places.jvmDirs, "QUARLAN_JVM_DIRS");
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

bool FindJvm::testHome(const JvmCriteria& criteria, std::string_view where, std::string_view home,
                       std::string& exeName, std::string& exePath) {
    if (observer_) observer_->place(where, home);
    JvmOk jvmOk(family_, logs_);
    jvmOk.shareRuns(&runs_);
    jvmOk.setObserver(observer_);
    return jvmOk.jvmCorrectVersion(criteria, home, exeName, exePath);
}

bool FindJvm::isJvmInstalled(const JvmQuery& q, std::string& exeName, std::string& exePath) {
    switch (rulesFor(family_).jvmSearch) {
        case JvmSearch::Registry:
            return searchRegistry(q.criteria, q.jvmName, exeName, exePath);
        case JvmSearch::PosixPlaces:
            return searchPosixPlaces(q.homeDirectory, q.criteria, q.jvmName, exeName, exePath, q.searchMode);
        case JvmSearch::MacRoots:
            break;
    }
    return searchMacRoots(q.criteria, exeName, exePath);
}

bool FindJvm::searchPosixPlaces(std::string_view homeDirectory, const JvmCriteria& criteria, std::string_view jvmName,
                                std::string& exeName, std::string& exePath, std::string_view searchMode) {
    runs_ = {};
    const std::string saved = exeName;
    bool found = searchPathForJvm(criteria, exeName, exePath);
    if (!found) found = searchHomeForJvm(homeDirectory, criteria, exeName, exePath);
    bool systemDirs =
        searchMode.empty() || (stricmp(searchMode, "path") != 0 && stricmp(searchMode, "path or registry") != 0);
    if (!found && systemDirs) found = searchUnixForJvm(criteria, jvmName, exeName, exePath);
    if (!found) found = searchExtensions(criteria, exeName, exePath, systemDirs);
    if (!found) exeName = saved;
    return found;
}

bool FindJvm::searchMacRoots(const JvmCriteria& criteria, std::string& exeName, std::string& exePath) {
    runs_ = {};
    const std::string saved = exeName;
    bool found = searchLibraryForJvm(criteria, exeName, exePath);
    if (!found) found = searchExtensions(criteria, exeName, exePath, true);
    if (!found) exeName = saved;
    return found;
}

bool FindJvm::searchPathForJvm(const JvmCriteria& criteria, std::string& exeName, std::string& exePath) {
    auto path = getPathPtr();
    if (!path) {
        logs_.trace("unable to search path because path==NULL");
        return false;
    }
    for (const auto& entry : pathEntries(*path))
        if (testHome(criteria, "PATH", entry, exeName, exePath)) return true;
    logs_.trace("jvm not found in path", *path);
    return false;
}

bool FindJvm::searchHomeForJvm(std::string_view home, const JvmCriteria& criteria, std::string& exeName,
                               std::string& exePath) {
    bool found = (home == "/" || home == "/root") ? testHome(criteria, "home directory", home, exeName, exePath)
                                                  : searchDirectory(home, criteria, exeName, exePath);
    if (!found) logs_.trace("jvm not found in home or its subdirectories", home);
    return found;
}

bool FindJvm::searchDirectory(std::string_view dir, const JvmCriteria& criteria, std::string& exeName,
                              std::string& exePath) {
    if (testHome(criteria, "home directory", dir, exeName, exePath)) return true;
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(std::string(dir), entries, kMaxHomeEntries)) return false;
    for (const auto& e : entries) {
        std::string path = joinPath(dir, e.name, family_);
        if (isDir(path) && testHome(criteria, "home directory", path, exeName, exePath)) return true;
    }
    return false;
}

bool FindJvm::searchUnixForJvm(const JvmCriteria& criteria, std::string_view jvmName, std::string& exeName,
                               std::string& exePath) {
    for (const auto& dir : places_.systemDirs)
        if (checkUnixSubdirectories(dir, criteria, jvmName, exeName, exePath)) return true;
    return false;
}

bool FindJvm::checkUnixSubdirectories(std::string_view dir, const JvmCriteria& criteria, std::string_view,
                                      std::string& exeName, std::string& exePath) {
    std::vector<platform::DirEntry> entries;
    if (platform::listDir(std::string(dir), entries)) {
        for (const auto& e : entries) {
            if (std::strcmp(e.name.c_str(), "java") <= 0) continue;
            std::string path = joinPath(dir, e.name, family_);
            if (isDir(path) && testHome(criteria, "system directory", path, exeName, exePath)) return true;
        }
    }
    std::string java = joinPath(dir, "java", family_);
    if (testHome(criteria, "system directory", java, exeName, exePath)) return true;
    logs_.trace("jvm not found in directory", java);
    return false;
}

bool FindJvm::searchLibraryForJvm(const JvmCriteria& criteria, std::string& exeName, std::string& exePath) {
    for (const auto& root : places_.macRoots)
        if (searchLibrary(root, criteria, exeName, exePath)) return true;
    return false;
}

bool FindJvm::searchLibrary(std::string_view root, const JvmCriteria& criteria, std::string& exeName,
                            std::string& exePath) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(std::string(root), entries)) return false;
    for (const auto& e : entries) {
        std::string home = joinPath(root, {e.name, "Home"}, family_);
        if (isDir(home) && testHome(criteria, "macOS JVM root", home, exeName, exePath)) return true;
    }
    return false;
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

bool FindJvm::searchExtensions(const JvmCriteria& criteria, std::string& exeName, std::string& exePath,
                               bool jvmHomes) {
    auto found = [&] {
        logs_.trace("jvm found by extension:", exePath);
        return true;
    };
    auto javaHome = platform::getEnv("JAVA_HOME");
    if (javaHome && !javaHome->empty()) {
        logs_.trace("searching JAVA_HOME:", *javaHome);
        if (testHome(criteria, "JAVA_HOME", *javaHome, exeName, exePath)) return found();
    }
    if (!jvmHomes) return false;
    for (const auto& home : extensionHomes()) {
        logs_.trace("searching jvm home:", home);
        if (testHome(criteria, "JVM directory", home, exeName, exePath)) return found();
    }
    logs_.trace("jvm not found by extension");
    return false;
}

}  // namespace qrl
