// The search for an installed JVM that meets the criteria, on POSIX systems
// and macOS (the Windows search reads the registry, see jvmwin.h).
//
// The classic places are searched first, in their fixed order, and the first
// acceptable JVM wins. Only when they hold none does the search go on to the
// places where today's JVMs live: JAVA_HOME, then the JVM homes below the JVM
// directories (POSIX: /usr/lib/jvm, /usr/java) or below the macOS roots
// (root/entry/Contents/Home), the greatest version first.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logs.h"
#include "jvm/jvmobserver.h"
#include "jvm/jvmok.h"

namespace qrl {

// Where each family looks for a JVM.
enum class JvmSearch {
    Registry,     // the JavaSoft keys of the Windows registry
    PosixPlaces,  // search path, home directory, system directories, JVM directories
    MacRoots,     // the macOS JVM roots
};
JvmSearch jvmSearchOf(Family family);

// Every directory list the search walks. The defaults are the system's; a test
// (or a site) replaces them through the environment: QUARLAN_SYSTEM_DIRS,
// QUARLAN_MAC_JVM_ROOTS and QUARLAN_JVM_DIRS, each a ":"-separated list (an
// empty value is an empty list).
struct SearchPlaces {
    std::vector<std::string> systemDirs;  // POSIX: /usr/local/bin, /usr/local, ... /lib
    std::vector<std::string> macRoots;    // macOS: the three JVM roots
    std::vector<std::string> jvmDirs;     // beyond the classic places: /usr/lib/jvm, /usr/java (POSIX)

    static SearchPlaces defaults(Family family);
};

// What a search is asked for. The JVM name matters to the Windows search
// ("Java Plug-in"), the home directory and the search mode ("path", "path or
// registry", "no") to the POSIX one.
struct JvmQuery {
    JvmCriteria criteria;
    std::string jvmName;
    std::string homeDirectory;
    std::string searchMode;
};

// At most this many search path entries and home directory entries are read.
inline constexpr size_t kMaxPathEntries = 50;
inline constexpr size_t kMaxHomeEntries = 50;

class FindJvm {
public:
    // The system's places (SearchPlaces::defaults), or the given ones.
    FindJvm(Family family, Logs logs);
    FindJvm(Family family, SearchPlaces places, Logs logs);

    // The family's search (its rules' jvmSearch) for a program named
    // `exeName` ("java", "jre", "javaw.exe"); nothing when no JVM will do.
    std::optional<FoundJvm> isJvmInstalled(const JvmQuery& query, std::string_view exeName);

    // POSIX: search path, home directory, system directories (unless the
    // search mode is "path" or "path or registry"), then the extensions
    // (JAVA_HOME; the JVM directories only where the system directories are
    // searched). The JVM name is carried but not used.
    std::optional<FoundJvm> searchPosixPlaces(std::string_view homeDirectory, const JvmCriteria& criteria,
                                              std::string_view jvmName, std::string_view exeName,
                                              std::string_view searchMode);
    // macOS: the JVM roots (root/entry/Home), then the extensions.
    std::optional<FoundJvm> searchMacRoots(const JvmCriteria& criteria, std::string_view exeName);
    // Windows: the JavaSoft keys of the registry (JvmWin, jvmwin.h), the JVM
    // name "Java Plug-in" restricting it to the plug-in key.
    std::optional<FoundJvm> searchRegistry(const JvmCriteria& criteria, std::string_view jvmName,
                                           std::string_view exeName);
    // The home directory step of the POSIX search: "/" and "/root" alone,
    // any other home with the directories directly below it.
    std::optional<FoundJvm> searchHomeForJvm(std::string_view home, const JvmCriteria& criteria,
                                             std::string_view exeName);

    // False for "." and ".."; otherwise whether the path is a directory.
    static bool isDir(std::string_view path);

    // The JVM homes directly below the family's extra places, the greatest
    // version first (the version of a home's "release" file, else the one its
    // name shows; homes without either last, in reading order).
    std::vector<std::string> extensionHomes() const;

    // What the last search started: JVMs tested, processes, their run time.
    const JvmRuns& runs() const { return runs_; }
    // Tells `observer` each place tried and each verdict (jvmobserver.h).
    void setObserver(JvmObserver* observer) { observer_ = observer; }
    // Windows: search the registry as the 32-bit installer does (its own
    // view is the 32-bit one, the 64-bit view comes after the classic keys),
    // whatever this program's own width.
    void setRegistryAs32Bit(bool on) { registryAs32Bit_ = on; }
    const SearchPlaces& places() const { return places_; }

private:
    // What one search looks for: the criteria and the program's name.
    struct Wanted {
        const JvmCriteria& criteria;
        std::string_view exeName;
    };
    using Found = std::optional<FoundJvm>;

    Found searchPathForJvm(const Wanted& w);
    Found searchUnixForJvm(const Wanted& w);
    Found checkUnixSubdirectories(std::string_view dir, const Wanted& w);
    Found searchDirectory(std::string_view dir, const Wanted& w);
    Found searchLibraryForJvm(const Wanted& w);
    Found searchLibrary(std::string_view root, const Wanted& w);
    // JAVA_HOME, then (when `jvmHomes`) the JVM homes of the family's extra
    // places, the greatest version first.
    Found searchExtensions(const Wanted& w, bool jvmHomes);
    Found testHome(const Wanted& w, std::string_view where, std::string_view home);

    Family family_;
    SearchPlaces places_;
    Logs logs_;
    JvmRuns runs_;
    JvmObserver* observer_ = nullptr;
    bool registryAs32Bit_ = false;
};

// The entries of an executable search path, left to right, at most
// kMaxPathEntries: an empty entry between two colons (or before the first)
// is kept as the empty directory name; a colon at the very end adds none.
std::vector<std::string> pathEntries(std::string_view path);

// The version in a JVM home's "release" file (JAVA_VERSION="17.0.15"), empty
// when there is none. Only the POSIX and macOS searches read it: "/" joins.
std::string releaseFileVersion(std::string_view home);
// The version a directory's name shows: its first run of digits, dots and
// underscores (java-17-openjdk-amd64 gives 17, jdk1.8.0_392 gives 1.8.0_392).
std::string nameVersion(std::string_view name);

}  // namespace qrl
