#include "jvm/jvmwin.h"

#include <algorithm>

#include "common/text.h"
#include "jvm/findjvm.h"
#include "jvm/version.h"
#include "platform/env.h"
#include "platform/fs.h"

namespace qrl {
namespace {

using platform::RegView;

constexpr const char* kNoJvm = "unable to find a compatible Jvm";
constexpr platform::RegRoot kMachine = platform::RegRoot::LocalMachine;

struct Candidate {
    std::string version;
    std::string home;
    std::string key;
};

}  // namespace

bool registryVersionLess(const std::string& a, const std::string& b) {
    int c = compareJavaVersions(a, b);
    return c != 0 ? c < 0 : a < b;
}

JvmWin::JvmWin(Logs logs) : logs_(std::move(logs)) {}

std::string JvmWin::keyName(std::string_view key, RegView view) const {
    std::string name = platform::regKeyName(kMachine, std::string(key));
    view = viewOf(view);
    if (view == RegView::Bits64) name += " (64-bit view)";
    if (view == RegView::Bits32) name += " (32-bit view)";
    return name;
}

std::vector<std::string> JvmWin::getAvailableVersions(std::string_view productKey, RegView view) {
    std::vector<std::string> names;
    if (!platform::regSubkeys(kMachine, std::string(productKey), viewOf(view), names)) return {};
    logs_.trace("counting registry elements");
    if (names.empty()) return {};
    logs_.trace("getting list of available versions");
    logs_.trace("available versions", static_cast<int>(names.size()));
    std::sort(names.begin(), names.end(), registryVersionLess);
    logs_.trace("sorted available versions");
    return names;
}

bool JvmWin::searchRegistryForJvm(std::string_view productKey, const JvmCriteria& criteria, std::string& exeName,
                                  std::string& exePath, RegView view) {
    std::vector<std::string> versions = getAvailableVersions(productKey, view);
    if (versions.empty()) {
        logs_.trace(kNoJvm);
        return false;
    }
    bool found = findMostRecentJvm(versions, productKey, criteria, exeName, exePath, view);
    if (!found) logs_.trace(kNoJvm);
    return found;
}

bool JvmWin::findMostRecentJvm(const std::vector<std::string>& sorted, std::string_view productKey,
                               const JvmCriteria& criteria, std::string& exeName, std::string& exePath,
                               RegView view) {
    logs_.trace("searching registry entry", productKey);
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        std::string version = *it;
        logs_.trace("                 version", version);
        std::string home;
        if (lookUpRegistryEntryForJvm(productKey, criteria, version, exeName, home, exePath, view)) return true;
    }
    return false;
}

bool JvmWin::lookUpRegistryEntryForJvm(std::string_view productKey, const JvmCriteria& criteria,
                                       std::string& version, std::string& exeName, std::string& home,
                                       std::string& exePath, RegView view) {
    home.clear();
    view = viewOf(view);
    std::string subkey = std::string(productKey) + "\\" + version;
    if (!platform::regKeyExists(kMachine, subkey, view)) {
        logs_.trace("no such registry entry", subkey);
        logs_.trace("found jvm", false);
        return false;
    }
    if (auto micro = platform::regString(kMachine, subkey, "MicroVersion", view)) {
        version += "." + *micro;
    } else if (stricmp(productKey, kPluginKey) == 0) {
        // The plug-in registers its family only: the criteria tell the rest.
        std::string base, criteriaMicro;
        parseVersion(criteria.required.empty() ? criteria.minimum : criteria.required, base, criteriaMicro);
        version += "." + criteriaMicro;
        logs_.trace("no known minor version for", productKey);
    }
    // Without "MicroVersion" the subkey's name is the whole version (the keys
    // of today's JDKs); its home counts all the same.
    auto javaHome = platform::regString(kMachine, subkey, "JavaHome", view);
    if (!javaHome) javaHome = platform::regString(kMachine, subkey, "Home", view);
    if (observer_) observer_->place(keyName(subkey, view), javaHome.value_or(""));
    if (!javaHome || javaHome->empty()) {
        // Never look for an executable below an empty home (the drive's root).
        if (observer_) observer_->verdict({"", "", version, JvmReason::NoHome, 0, {}, {}});
        logs_.trace("no home directory for jvm");
        logs_.trace("found jvm", false);
        return false;
    }
    home = *javaHome;
    logs_.trace("testing jvm in:", home);
    JvmOk ok(Family::Windows, logs_);
    ok.setObserver(observer_);
    bool found = ok.jvmCorrectVersion(criteria, version, home, exeName, exePath);
    logs_.trace("found jvm", found);
    return found;
}

bool JvmWin::searchExtensions(const JvmCriteria& criteria, std::string& exeName, std::string& exePath) {
    struct Place {
        const char* key;
        RegView view;
    };
    std::vector<Place> places{{kModernJdkKey, RegView::Own}, {kModernJreKey, RegView::Own}};
    if (readOtherView_) {
        RegView other = platform::otherRegView(ownView_);
        for (const char* key : {kJreKey, kJdkKey, kModernJdkKey, kModernJreKey}) places.push_back({key, other});
    }

    // Every registered JVM of those places, the greatest version first.
    struct Entry {
        std::string name;
        std::string key;
        RegView view;
    };
    std::vector<Entry> entries;
    for (const Place& p : places) {
        std::vector<std::string> names;
        if (!platform::regSubkeys(kMachine, p.key, viewOf(p.view), names)) continue;
        for (auto& n : names) entries.push_back({std::move(n), p.key, p.view});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return registryVersionLess(b.name, a.name); });
    const std::string saved = exeName;
    for (const Entry& e : entries) {
        logs_.trace("searching registry entry", e.key);
        std::string version = e.name;
        logs_.trace("                 version", version);
        std::string home;
        if (lookUpRegistryEntryForJvm(e.key, criteria, version, exeName, home, exePath, e.view)) return true;
        exeName = saved;
    }

    // Last, the JVM the user named; its version is the one its "release" file gives.
    auto javaHome = platform::getEnv("JAVA_HOME");
    if (!javaHome || javaHome->empty()) return false;
    logs_.trace("testing JAVA_HOME:", *javaHome);
    if (observer_) observer_->place("JAVA_HOME", *javaHome);
    JvmOk ok(Family::Windows, logs_);
    ok.setObserver(observer_);
    bool found = ok.jvmCorrectVersion(criteria, releaseFileVersion(*javaHome), *javaHome, exeName, exePath);
    logs_.trace("found jvm", found);
    if (!found) exeName = saved;
    return found;
}

bool JvmWin::searchWindowsForJvm(const JvmCriteria& criteria, std::string_view jvmName, std::string& exeName,
                                 std::string& exePath) {
    const std::string saved = exeName;
    bool found = false;
    bool pluginOnly = stricmp(jvmName, "Java Plug-in") == 0;
    if (pluginOnly) {
        found = searchRegistryForJvm(kPluginKey, criteria, exeName, exePath);
        if (!found && readOtherView_) {
            exeName = saved;
            found = searchRegistryForJvm(kPluginKey, criteria, exeName, exePath, platform::otherRegView(ownView_));
        }
        logs_.trace("Java Plugin registry entry had correct jvm info", found);
    } else {
        const std::pair<const char*, const char*> products[] = {
            {kJreKey, "JRE registry entry had correct jvm info"},
            {kJdkKey, "JDK registry entry had correct jvm info"},
            {kPluginKey, "Java Plugin registry entry had correct jvm info"},
        };
        for (const auto& [key, label] : products) {
            exeName = saved;
            found = searchRegistryForJvm(key, criteria, exeName, exePath);
            logs_.trace(label, found);
            if (found) break;
        }
        if (!found) {
            exeName = saved;
            found = searchExtensions(criteria, exeName, exePath);
        }
    }
    if (found) {
        logs_.trace("found jvm", exePath);
    } else {
        exeName = saved;
    }
    return found;
}

std::optional<std::uint16_t> peMachine(std::string_view image) {
    auto at = [&](size_t offset, size_t bytes) -> std::optional<std::uint32_t> {
        if (offset > image.size() || image.size() - offset < bytes) return std::nullopt;
        std::uint32_t v = 0;
        for (size_t i = bytes; i-- > 0;) v = v << 8 | static_cast<unsigned char>(image[offset + i]);
        return v;
    };
    // "MZ", the offset of the PE header at 0x3c, there "PE\0\0" and the
    // machine right after it (all little-endian).
    if (image.substr(0, 2) != "MZ") return std::nullopt;
    auto header = at(0x3c, 4);
    if (!header || *header > image.size() || image.substr(*header, 4) != std::string_view("PE\0\0", 4))
        return std::nullopt;
    auto machine = at(size_t{*header} + 4, 2);
    if (!machine) return std::nullopt;
    return static_cast<std::uint16_t>(*machine);
}

std::optional<RegView> registryViewOfMachine(std::uint16_t machine) {
    switch (machine) {
        case 0x14c:
            return RegView::Bits32;
        case 0x8664:
        case 0xaa64:
            return RegView::Bits64;
        default:
            return std::nullopt;
    }
}

std::optional<RegView> registryViewOfProgram(const std::string& path) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return std::nullopt;
    // Linkers put the PE header right after the DOS stub, well within this.
    std::string head(4096, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), f));
    std::fclose(f);
    auto machine = peMachine(head);
    return machine ? registryViewOfMachine(*machine) : std::nullopt;
}

bool FindJvm::searchRegistry(const JvmCriteria& criteria, std::string_view jvmName, std::string& exeName,
                             std::string& exePath) {
    const std::string saved = exeName;
    JvmWin win(logs_);
    win.setObserver(observer_);
    if (registryAs32Bit_) win.readAs32BitProgram();
    bool found = win.searchWindowsForJvm(criteria, jvmName, exeName, exePath);
    if (!found) exeName = saved;
    return found;
}

}  // namespace qrl
