#include "provision/jvmregistration.h"

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/jvmwin.h"
#include "provision/adminonly.h"

namespace qrl {
namespace {

std::string join(std::string_view dir, std::string_view name) { return joinPath(dir, name, Family::Windows); }

}  // namespace

bool configureWinRegSetting(const Logs& logs) {
    if (auto set = flagSetting("configureWinRegistry", {"qrl.control", "native.properties"}, true)) return *set;
    logs.trace("unable to open qrl.control file", "defaulting to configure registry");
    return true;
}

JvmRegistration::JvmRegistration(Logs logs, std::string homeDirectory, const RightsSource* rights,
                                 std::vector<std::string> adminOnlyCreated)
    : logs_(std::move(logs)),
      homeDirectory_(std::move(homeDirectory)),
      rights_(rights),
      adminOnly_(std::move(adminOnlyCreated)) {}

platform::RegView jvmRegistryView(std::string_view home, std::string_view launcherPath) {
    for (const std::string& exe : {join(join(home, "bin"), "javaw.exe"), std::string(launcherPath)})
        if (auto view = registryViewOfProgram(exe)) return *view;
    return platform::ownRegView();
}

void JvmRegistration::registerJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                                  std::string_view launcherPath) const {
    std::string home = launcherHome(launcherPath);
    if (!configureWinRegSetting(logs_)) {
        logs_.trace("Windows registry unchanged");
    } else if (!adminOnlyFolder(home, adminOnly_, rights_)) {
        // Programs of every user load a registered JVM: never one that
        // others than administrators may change.
        logs_.trace("Windows registry unchanged, others may change the JVM in", home);
    } else if (addProducts(jvmVersion, jvmName, launcher, launcherPath)) {
        logs_.trace("Windows registry configured");
    } else {
        logs_.trace("Warning: Windows registry *not* configured properly");
    }
}

bool JvmRegistration::addProducts(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                                  std::string_view launcherPath) const {
    std::string version, micro;
    parseVersion(jvmVersion, version, micro);
    std::string home = registryHome(launcherPath);
    // As the JVM's own installer would: the view of its processor.
    platform::RegView view = jvmRegistryView(launcherHome(launcherPath), launcherPath);
    logs_.trace(view == platform::RegView::Bits32 ? "registering the JVM in the 32-bit view of the registry"
                                                  : "registering the JVM in the 64-bit view of the registry");
    JvmRegistry registry(logs_, view);
    if (compareIgnoreCase(jvmName, "JDK") == 0) {
        bool ok = registry.addJvmToRegistry("SOFTWARE\\JavaSoft\\Java Development Kit", "JavaHome", version, micro,
                                            home, launcher);
        std::string lower = asciiLower(launcher);
        if (lower == "jre" || lower == "java") return configureJre(registry, version, micro, home, launcher);
        return ok;
    }
    return configureJre(registry, version, micro, home, launcher);
}

bool JvmRegistration::configureJre(const JvmRegistry& registry, std::string_view version, std::string_view micro,
                                   std::string_view home, std::string_view launcher) const {
    if (!registry.addJvmToRegistry(kJreKey, "JavaHome", version, micro, home, launcher)) return false;
    copyJreFilesToHome(registry, version, home, launcher);
    if (version.substr(0, 3) == "1.1") return true;
    // Java 2 runtimes are registered under their full version too.
    std::string full = std::string(version) + "." + std::string(micro);
    registry.addJvmToRegistry(kJreKey, "JavaHome", full, micro, home, launcher);
    return true;
}

void JvmRegistration::copyJreFilesToHome(const JvmRegistry& registry, std::string_view version, std::string_view home,
                                         std::string_view launcher) const {
    auto current = registry.readValue(kJreKey, "CurrentVersion");
    if (!current || *current != version || homeDirectory_.empty()) return;
    std::string stem(launcher);
    if (stem.size() > 4 && compareIgnoreCase(std::string_view(stem).substr(stem.size() - 4), ".exe") == 0)
        stem.resize(stem.size() - 4);
    std::string counterpart;
    if (version.substr(0, 3) == "1.1")
        counterpart = stem == "jrew" ? "jre.exe" : "jrew.exe";
    else
        counterpart = stem == "javaw" ? "java.exe" : "javaw.exe";
    std::string bin = join(home, "bin");
    copyJvmFile(join(bin, launcher), join(homeDirectory_, launcher));
    copyJvmFile(join(bin, counterpart), join(homeDirectory_, counterpart));
    copyJvmFile(join(bin, "msvcrt.dll"), join(join(homeDirectory_, "system"), "msvcrt.dll"));
}

bool JvmRegistration::copyJvmFile(std::string_view from, std::string_view to) const {
    if (!pathExists(from)) {
        logs_.trace("unable to copy file from", from);
        logs_.trace("                      to", to);
        return false;
    }
    if (pathExists(to)) return true;
    return copyFile(from, to);
}

}  // namespace qrl
