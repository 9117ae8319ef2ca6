// Registering a JVM in the Windows registry the way its vendor would, so that
// Java-aware programs (and this system's own search) find it: the product key
// ("Java Runtime Environment" or "Java Development Kit" below
// SOFTWARE\JavaSoft of HKEY_LOCAL_MACHINE) with its "CurrentVersion", and a
// version subkey with the home directory, "MicroVersion" and, for the
// launcher name "java", "RuntimeLib".
//
// What is there is kept: a value that holds text (or data of another type)
// is never overwritten, a version subkey that already has a "MicroVersion"
// (whatever it holds) counts as registered and
// is left alone, and "CurrentVersion" is only set while it is empty.
//
// The writer works in one view of the registry: the one that matches the
// JVM's own processor, as the JVM's own installer would write it (a 32-bit
// JVM in the 32-bit view, WOW6432Node, whatever this program's width).
//
// Tests point the writer elsewhere through the registry service
// (registry.h), as they do the search.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/logs.h"
#include "platform/registry.h"

namespace qrl {

// The home directory registered for a JVM whose launcher was found at
// `launcherPath`: the launcher's directory, or the one above it when that is
// named "bin" (c:\bin\jre\java.exe gives c:\bin\jre, c:\jre\bin\java.exe
// c:\jre), in lower case (ASCII letters; other bytes stay as they are).
std::string registryHome(std::string_view launcherPath);
// The same home as it is written.
std::string launcherHome(std::string_view launcherPath);

// Whether a version subkey gets "RuntimeLib": only for the launcher name
// "java" (exactly) and a version that is 1.2 or later, compared as numbers
// (1.10 and 11 are later than 1.2).
bool wantsRuntimeLib(std::string_view launcher, std::string_view version);

// The places of "jvm.dll" below a JVM home, in the order they are tried:
// bin\classic, bin\hotspot, bin\client, bin\server.
std::vector<std::string> runtimeLibCandidates(std::string_view home);

class JvmRegistry {
public:
    explicit JvmRegistry(Logs logs, platform::RegView view = platform::RegView::Own);

    // Registers one version of a JVM below the product key (a key name
    // below HKEY_LOCAL_MACHINE, such as "SOFTWARE\JavaSoft\Java Runtime
    // Environment"). False when the version subkey could not be made.
    bool addJvmToRegistry(std::string_view productKey, std::string_view homeValueName, std::string_view version,
                          std::string_view micro, std::string_view home, std::string_view launcher) const;
    // Creates the product key and sets its "CurrentVersion" (the major-minor
    // part of `version`) when that is empty.
    void addJvmTopLevelKey(std::string_view productKey, std::string_view version) const;
    // Fills a version subkey.
    void addJvmSubentries(std::string_view versionKey, std::string_view homeValueName, std::string_view version,
                          std::string_view micro, std::string_view home, std::string_view launcher) const;
    // Opens a key for writing, creating it when missing.
    bool addToRegistry(std::string_view key) const;
    // Writes a string value unless the value already holds text or data of
    // another type. Always true.
    bool addValueToRegistry(std::string_view key, std::string_view name, std::string_view value) const;
    // A string value of a key; nothing when the key or value is missing.
    std::optional<std::string> readValue(std::string_view key, std::string_view name) const;

private:
    Logs logs_;
    platform::RegView view_;
};

}  // namespace qrl
