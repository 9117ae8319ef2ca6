#include "provision/jvmregistry.h"

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/version.h"

namespace qrl {
namespace {

constexpr platform::RegRoot kMachine = platform::RegRoot::LocalMachine;

}  // namespace

std::string registryHome(std::string_view launcherPath) { return asciiLower(launcherHome(launcherPath)); }

std::string launcherHome(std::string_view launcherPath) {
    // The launcher's folder, or the folder above it when that is the JVM's
    // own bin: a "bin" further up belongs to the place the JVM was put.
    std::string home(launcherPath);
    size_t sep = lastSeparator(home, Family::Windows);
    if (sep != std::string::npos) {
        home.resize(sep);
        size_t up = lastSeparator(home, Family::Windows);
        if (compareIgnoreCase(home.substr(up == std::string::npos ? 0 : up + 1), "bin") == 0)
            home.resize(up == std::string::npos ? 0 : up);
    }
    return home;
}

bool wantsRuntimeLib(std::string_view launcher, std::string_view version) {
    return launcher == "java" && compareJavaVersions(version, "1.2") >= 0;
}

std::vector<std::string> runtimeLibCandidates(std::string_view home) {
    std::vector<std::string> out;
    // "server" is where the JDKs of today keep it.
    for (const char* dir : {"classic", "hotspot", "client", "server"})
        out.push_back(std::string(home) + "\\bin\\" + dir + "\\jvm.dll");
    return out;
}

JvmRegistry::JvmRegistry(Logs logs, platform::RegView view) : logs_(std::move(logs)), view_(view) {}

std::optional<std::string> JvmRegistry::readValue(std::string_view key, std::string_view name) const {
    return platform::regString(kMachine, std::string(key), std::string(name), view_);
}

bool JvmRegistry::addJvmToRegistry(std::string_view productKey, std::string_view homeValueName,
                                   std::string_view version, std::string_view micro, std::string_view home,
                                   std::string_view launcher) const {
    addJvmTopLevelKey(productKey, version);
    std::string subKey = std::string(productKey) + "\\" + std::string(version);
    if (platform::regKeyExists(kMachine, subKey, view_)) {
        // Whatever "MicroVersion" holds (a number, an empty text), it says
        // the version is registered.
        if (platform::regValueExists(kMachine, subKey, "MicroVersion", view_)) {
            logs_.trace("already registered:", subKey);
            return true;
        }
        if (addToRegistry(subKey)) addJvmSubentries(subKey, homeValueName, version, micro, home, launcher);
        return true;
    }
    if (!addToRegistry(subKey) && !addToRegistry(subKey)) {
        logs_.trace("unable to add registry key", subKey);
        logs_.trace("unable to addJvmToRegistry");
        return false;
    }
    addJvmSubentries(subKey, homeValueName, version, micro, home, launcher);
    return true;
}

void JvmRegistry::addJvmTopLevelKey(std::string_view productKey, std::string_view version) const {
    if (!addToRegistry(productKey)) return;
    std::string majorMinor, micro;
    parseVersion(version, majorMinor, micro);
    auto current = readValue(productKey, "CurrentVersion");
    if (!current || current->empty()) addValueToRegistry(productKey, "CurrentVersion", majorMinor);
}

void JvmRegistry::addJvmSubentries(std::string_view versionKey, std::string_view homeValueName,
                                   std::string_view version, std::string_view micro, std::string_view home,
                                   std::string_view launcher) const {
    addValueToRegistry(versionKey, homeValueName, home);
    addValueToRegistry(versionKey, "MicroVersion", micro);
    if (!wantsRuntimeLib(launcher, version)) return;
    for (const auto& lib : runtimeLibCandidates(home)) {
        if (pathExists(lib) && !isDir(lib)) {
            addValueToRegistry(versionKey, "RuntimeLib", lib);
            return;
        }
    }
}

bool JvmRegistry::addToRegistry(std::string_view key) const {
    platform::Result created = platform::regCreateKey(kMachine, std::string(key), view_);
    if (created) return true;
    logs_.trace("Unable to create registry key", key);
    logs_.trace("  reason:", created.text());
    return false;
}

bool JvmRegistry::addValueToRegistry(std::string_view key, std::string_view name, std::string_view value) const {
    auto existing = readValue(key, name);
    bool otherType = !existing && platform::regValueExists(kMachine, std::string(key), std::string(name), view_);
    if ((existing && !existing->empty()) || otherType) {
        logs_.trace(name, "already exists in registry");
        if (existing) logs_.trace("value", *existing);
        return true;
    }
    if (platform::Result set =
            platform::regSetString(kMachine, std::string(key), std::string(name), std::string(value), view_);
        !set) {
        logs_.trace("unable to set registry value", name);
        logs_.trace("  reason:", set.text());
    } else {
        logs_.trace("Added registry value to " + std::string(name) + ":", value);
    }
    return true;
}

}  // namespace qrl
