#include "security/security.h"

#include <cstdio>

#include "common/files.h"
#include "common/logfiles.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace qrl {
namespace {

// Backups are numbered .001 to .999.
constexpr unsigned kMaxBackups = 999;

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

ChangeWords changeWords(std::string_view language) {
    if (language == "french") return {"Renommé", "en"};
    if (language == "german") return {"Alt:", "zu"};
    if (language == "spanish") return {"Reagrupado ", "a"};
    if (language == "polish") return {"Zmieniono", "na"};
    if (language == "italian") return {"Rinominato", "a"};
    if (language == "portuguese") return {"Nome modificado", "Para"};
    if (language == "dutch") return {"Hernoemd", "naar"};
    return {"Renamed", "to"};
}

std::string changeLine(std::string_view language, std::string_view path, std::string_view backup) {
    ChangeWords words = changeWords(language);
    return words.first + " " + words.second + " " + std::string(path) + " " + std::string(backup);
}

std::string backupName(std::string_view path, unsigned number, Family family) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".%03u", number % 1000);
    char sep = rulesFor(family).dirEnd;
    size_t last = path.rfind(sep);
    if (last == std::string_view::npos) return std::string(path) + suffix;
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < last) return std::string(path) + suffix;
    return std::string(path.substr(0, dot)) + suffix;
}

std::string identityDatabasePath(std::string_view value, Family family) {
    std::string path(value);
    if (rulesFor(family).windowsPaths) {
        for (char& c : path)
            if (c == '/') c = '\\';
        return replaceAll(path, "\\\\", "\\");
    }
    return replaceAll(path, "\\\\", "/");
}

Security::Security(Family family, std::string language, Logs logs)
    : family_(family), rules_(rulesFor(family)), language_(std::move(language)), logs_(std::move(logs)) {}

bool Security::addSecurity(std::string_view systemPolicy, std::string_view userPolicy, std::string_view keystore,
                           std::string_view jvmHome, std::string_view homeDirectory, bool replace) {
    bool answer = true;
    std::string source, destination;
    // Every file is tried; one that failed is not forgotten by a later success.
    if (!systemPolicy.empty() && pathExists(systemPolicy)) {
        if (getFilenames(systemPolicy, jvmHome, homeDirectory, source, destination))
            answer = copySecurityFile(source, destination, replace) && answer;
        else if (!source.empty() && pathExists(source))
            logs_.trace("unable to get destination", systemPolicy);
    }
    if (!userPolicy.empty() && getFilenames(userPolicy, jvmHome, homeDirectory, source, destination))
        answer = copySecurityFile(source, destination, replace) && answer;
    if (!keystore.empty())
        answer = addCertificate(keystore, jvmHome, homeDirectory, source, destination, replace) && answer;
    return answer;
}

bool Security::addCertificate(std::string_view keystore, std::string_view jvmHome, std::string_view homeDirectory,
                              std::string& source, std::string& destination, bool replace) {
    if (!getFilenames(keystore, jvmHome, homeDirectory, source, destination)) {
        if (!source.empty() && pathExists(source)) logs_.trace("unable to get destination", keystore);
        return false;
    }
    source = joinPath(getCurrentDir(family_), source, family_);
    std::string identity;
    bool configured = getIdentityIdFilename(jvmHome, identity);
    if (configured) destination = identity;
    bool ok = copySecurityFile(source, destination, replace);
    if (rules_.userProfileKeystore && ok && !configured &&
        keystore.find(kUserHomeVariable) != std::string_view::npos) {
        if (!getAlternateDestination(keystore, homeDirectory, destination)) {
            logs_.trace("unable to find login name in registry");
            return false;
        }
        return copySecurityFile(source, destination, replace);
    }
    return ok;
}

bool Security::getFilenames(std::string_view setting, std::string_view jvmHome, std::string_view homeDirectory,
                            std::string& source, std::string& destination) {
    source.clear();
    destination.clear();
    auto below = [&](std::string_view base, std::string_view rest, bool bareGoesToBase) {
        size_t slash = rest.rfind('/');
        if (slash == std::string_view::npos) {
            source = rest;
            if (bareGoesToBase) destination = joinPath(base, source, family_);
            return true;
        }
        source = rest.substr(slash + 1);
        std::string dir(rest.substr(0, slash));
        if (!pathExists(source) || !addDirectories(base, dir)) return false;
        destination = joinPath(dir, source, family_);
        return true;
    };
    const std::string_view javaHome = kJavaHomeVariable, userHome = kUserHomeVariable;
    if (size_t at = setting.find(javaHome); at != std::string_view::npos)
        return below(jvmHome, setting.substr(at + javaHome.size()), false);
    if (size_t at = setting.find(userHome); at != std::string_view::npos)
        return below(homeDirectory, setting.substr(at + userHome.size()), true);
    if (setting.find('/') != std::string_view::npos) return below("", setting, false);
    return false;
}

bool Security::addDirectories(std::string_view base, std::string& relative) {
    std::string path(base);
    if (path.empty() && !relative.empty() && (relative.front() == '/' || relative.front() == separator()))
        path = std::string(1, separator());
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        std::string piece = relative.substr(start, slash - start);
        start = slash + 1;
        if (piece.empty()) continue;
        if (!path.empty() && path.back() != separator()) path += separator();
        path += piece;
        if (!isDir(path)) {
            platform::Result made = platform::makeDir(path, 0755);
            if (!made && !isDir(path)) {
                logs_.trace("unable to create security directory", path);
                logs_.reason(made);
                return false;
            }
        }
    }
    if (!path.empty() && isDir(path)) {
        relative = path;
        return true;
    }
    logs_.trace("unable to create security directory", path);
    return false;
}

bool Security::getIdentityIdFilename(std::string_view jvmHome, std::string& result) {
    std::string file = joinPath(jvmHome, {"lib", "security", "java.security"}, family_);
    // JVMs from Java 9 on keep the file below "conf".
    if (!pathExists(file)) file = joinPath(jvmHome, {"conf", "security", "java.security"}, family_);
    if (!pathExists(file)) return false;
    const std::string_view key = kIdentityDatabaseKey;
    bool found = false;
    // Every line counts, the last one too when no line feed ends it.
    readLines(file, 2000, [&](std::string& line) {
        auto given = prefixValue(line, key, 0);
        if (!given) return true;
        std::string value = *given;
        while (!value.empty() && (value.back() == '\n' || value.back() == '\r' || value.back() == ' '))
            value.pop_back();
        result = identityDatabasePath(value, family_);
        found = true;
        return false;
    });
    if (!found) return false;
    size_t last = result.rfind(separator());
    if (last != std::string::npos && last > 0) {
        std::string dir = result.substr(0, last);
        if (rules_.identityDirOneLevel) {
            (void)platform::makeDir(dir);  // one that is missing fails the copy into it
        } else {
            addDirectories("", dir);
        }
    }
    return true;
}

std::string registryLoginName(bool winNT) {
    auto read = [](const char* key, const char* value) {
        return platform::regString(platform::RegRoot::LocalMachine, key, value).value_or("");
    };
    std::string name;
    if (winNT) {
        const char* winlogon = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
        name = read(winlogon, "UserName");
        if (name.empty()) name = read(winlogon, "DefaultUserName");
    } else {
        name = read("Network\\Logon", "username");
    }
    bool onlyDots = name.find_first_not_of('.') == std::string::npos;
    if (onlyDots || name.find_first_of("\\/:") != std::string::npos) return {};
    return name;
}

bool Security::getAlternateDestination(std::string_view keystore, std::string_view homeDirectory,
                                       std::string& destination) {
    if (!rules_.userProfileKeystore) return false;
    size_t slash = keystore.rfind('/');
    if (slash == std::string_view::npos || compareIgnoreCase(keystore.substr(0, slash), kUserHomeVariable) != 0) return false;
    std::string file(keystore.substr(slash + 1));
    std::string name = loginName_ ? loginName_() : std::string();
    if (name.empty()) {
        logs_.trace("unable to find login name in registry");
        return false;
    }
    std::string dir = "profiles/" + name;
    if (!addDirectories(homeDirectory, dir)) return false;
    destination = joinPath(dir, file, family_);
    return true;
}

bool Security::copySecurityFile(std::string_view source, std::string_view destination, bool replace) {
    if (destination.empty()) return false;
    if (replace && pathExists(source) && pathExists(destination)) {
        // A replacement that cannot keep the old file leaves it as it is and
        // says so.
        if (!backupFile(destination)) return false;
    }
    if (pathExists(destination)) return true;
    return copyFile(source, destination);
}

bool Security::backupFile(std::string_view path) {
    std::string backup;
    for (unsigned n = 1; n <= kMaxBackups && backup.empty(); ++n) {
        std::string candidate = backupName(path, n, family_);
        if (!pathExists(candidate)) backup = candidate;
    }
    if (backup.empty()) {
        logs_.trace("no free backup name for", path);
        return false;
    }
    if (!copyFile(path, backup)) {
        logs_.trace("unable to back up", path);
        return false;
    }
    if (platform::Result removed = platform::removeFile(std::string(path)); !removed) {
        // The old file is still in place: nothing was replaced, and the copy
        // made for it is no backup of anything.
        logs_.error("unable to replace", path);
        logs_.reason(removed);
        (void)platform::removeFile(backup);  // the failure is told above
        return false;
    }
    size_t last = backup.rfind(separator());
    std::string_view name = last == std::string::npos ? std::string_view(backup)
                                                      : std::string_view(backup).substr(last + 1);
    logSystemChange(changeLine(language_, path, name));
    lastBackup_ = backup;
    return true;
}

}  // namespace qrl
