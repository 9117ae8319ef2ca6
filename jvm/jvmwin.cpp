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

JvmWin::Found JvmWin::searchRegistryForJvm(std::string_view productKey, const JvmCriteria& criteria,
                                           std::string_view exeName, RegView view) {
    std::vector<std::string> versions = getAvailableVersions(productKey, view);
    if (versions.empty()) {
        logs_.trace(kNoJvm);
        return std::nullopt;
    }
    Found found = findMostRecentJvm(versions, productKey, criteria, exeName, view);
    if (!found) logs_.trace(kNoJvm);
    return found;
}

JvmWin::Found JvmWin::findMostRecentJvm(const std::vector<std::string>& sorted, std::string_view productKey,
                                        const JvmCriteria& criteria, std::string_view exeName, RegView view) {
    logs_.trace("searching registry entry", productKey);
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        logs_.trace("                 version", *it);
        if (Found found = lookUpRegistryEntryForJvm(productKey, criteria, *it, exeName, view)) return found;
    }
    return std::nullopt;
}

JvmWin::Found JvmWin::testHome(const JvmCriteria& criteria, const std::string& home, std::string_view exeName,
                               std::string knownVersion) const {
    JvmTester tester(Family::Windows, logs_, nullptr, observer_);
    JvmVerdict verdict = tester.testJvm({home, std::string(exeName), std::move(knownVersion)}, criteria);
    logs_.trace("found jvm", verdict.accepted());
    if (!verdict.accepted()) return std::nullopt;
    return FoundJvm{std::move(verdict.executable), std::move(verdict.name)};
}

JvmWin::Found JvmWin::lookUpRegistryEntryForJvm(std::string_view productKey, const JvmCriteria& criteria,
                                                std::string version, std::string_view exeName, RegView view) {
    view = viewOf(view);
    std::string subkey = std::string(productKey) + "\\" + version;
    if (!platform::regKeyExists(kMachine, subkey, view)) {
        logs_.trace("no such registry entry", subkey);
        logs_.trace("found jvm", false);
        return std::nullopt;
    }
    if (auto micro = platform::regString(kMachine, subkey, "MicroVersion", view)) {
        version += "." + *micro;
    } else if (compareIgnoreCase(productKey, kPluginKey) == 0) {
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
        if (observer_) observer_->verdict({"", "", version, JvmReason::NoHome, 0, {}, {}, {}});
        logs_.trace("no home directory for jvm");
        logs_.trace("found jvm", false);
        return std::nullopt;
    }
    logs_.trace("testing jvm in:", *javaHome);
    return testHome(criteria, *javaHome, exeName, std::move(version));
}

std::optional<FoundJvm> JvmWin::searchExtensions(const JvmCriteria& criteria, std::string_view exeName) {
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
    for (const Entry& e : entries) {
        logs_.trace("searching registry entry", e.key);
        logs_.trace("                 version", e.name);
        if (Found found = lookUpRegistryEntryForJvm(e.key, criteria, e.name, exeName, e.view)) return found;
    }

    // Last, the JVM the user named; its version is the one its "release" file gives.
    auto javaHome = platform::getEnv("JAVA_HOME");
    if (!javaHome || javaHome->empty()) return std::nullopt;
    logs_.trace("testing JAVA_HOME:", *javaHome);
    if (observer_) observer_->place("JAVA_HOME", *javaHome);
    return testHome(criteria, *javaHome, exeName, releaseFileVersion(*javaHome));
}

std::optional<FoundJvm> JvmWin::searchWindowsForJvm(const JvmCriteria& criteria, std::string_view jvmName,
                                                    std::string_view exeName) {
    Found found;
    bool pluginOnly = compareIgnoreCase(jvmName, "Java Plug-in") == 0;
    if (pluginOnly) {
        found = searchRegistryForJvm(kPluginKey, criteria, exeName);
        if (!found && readOtherView_)
            found = searchRegistryForJvm(kPluginKey, criteria, exeName, platform::otherRegView(ownView_));
        logs_.trace("Java Plugin registry entry had correct jvm info", found.has_value());
    } else {
        const std::pair<const char*, const char*> products[] = {
            {kJreKey, "JRE registry entry had correct jvm info"},
            {kJdkKey, "JDK registry entry had correct jvm info"},
            {kPluginKey, "Java Plugin registry entry had correct jvm info"},
        };
        for (const auto& [key, label] : products) {
            found = searchRegistryForJvm(key, criteria, exeName);
            logs_.trace(label, found.has_value());
            if (found) break;
        }
        if (!found) found = searchExtensions(criteria, exeName);
    }
    if (found) logs_.trace("found jvm", found->executable);
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

std::optional<FoundJvm> FindJvm::searchRegistry(const JvmCriteria& criteria, std::string_view jvmName,
                                                std::string_view exeName) {
    JvmWin win(logs_);
    win.setObserver(observer_);
    if (registryAs32Bit_) win.readAs32BitProgram();
    return win.searchWindowsForJvm(criteria, jvmName, exeName);
}

}  // namespace qrl
