// Making a new JVM known to the Windows system as its vendor would: the
// JavaSoft keys of the registry (JvmRegistry) and, when the registered JVM is
// the current one, its launcher pair (and msvcrt.dll) copied to the home
// directory. Only as the kit allows ("configureWinRegistry") and only for a
// JVM whose folder is the administrators' alone: programs of every user load
// a registered JVM. The keys go to the view of the registry that matches the
// JVM's processor (read from its javaw.exe): a 32-bit JVM is registered in
// the 32-bit view, a 64-bit one in the 64-bit view; a JVM whose processor
// cannot be read in this program's own view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "common/trust.h"
#include "provision/jvmregistry.h"

namespace qrl {

// The "configureWinRegistry" setting: the first line of "qrl.control" (else
// of "native.properties") that begins with it; "true" or "yes" (any case)
// means true, another value false. No file, or no such line: true.
bool configureWinRegSetting(const Logs& logs);

class JvmRegistration {
public:
    // `adminOnlyCreated`: the directories this run made for the
    // administrators alone; `rights`: whose answers about rights count (the
    // system's when null).
    JvmRegistration(Logs logs, std::string homeDirectory, const RightsSource* rights = nullptr,
                    std::vector<std::string> adminOnlyCreated = {});

    // Registers the JVM whose launcher `launcher` was found at
    // `launcherPath`, as the setting and the folder's rights allow. A
    // registration that fails is traced; it never fails the installation.
    void registerJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                     std::string_view launcherPath) const;

private:
    bool addProducts(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                     std::string_view launcherPath) const;
    bool configureJre(const JvmRegistry& registry, std::string_view version, std::string_view micro,
                      std::string_view home, std::string_view launcher) const;
    void copyJreFilesToHome(const JvmRegistry& registry, std::string_view version, std::string_view home,
                            std::string_view launcher) const;
    bool copyJvmFile(std::string_view from, std::string_view to) const;

    Logs logs_;
    std::string homeDirectory_;
    const RightsSource* rights_;
    std::vector<std::string> adminOnly_;
};

// The view of the registry a JVM at `home` is registered in: the one its
// bin\javaw.exe (else the launcher found at `launcherPath`) is built for;
// this program's own when neither tells.
platform::RegView jvmRegistryView(std::string_view home, std::string_view launcherPath);

}  // namespace qrl
