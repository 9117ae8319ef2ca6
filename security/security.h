// The Java security files a kit may ship (a system policy, a user policy and a
// keystore), copied from the working directory to the places the control file
// names in Java's own terms: "${java.home}/dir/file" below the JVM's home,
// "${user.home}/dir/file" below the user's home directory, or a plain path.
// What is already there stays, unless the caller asks for replacement; a
// replaced file survives as a numbered backup, recorded in "changes.txt".
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/family.h"
#include "common/logs.h"

namespace qrl {

struct SecurityPolicy;

inline constexpr const char* kJavaHomeVariable = "${java.home}";
inline constexpr const char* kUserHomeVariable = "${user.home}";
inline constexpr const char* kIdentityDatabaseKey = "identity.database=";

// The two words of a "changes.txt" line in a language ("english", "french",
// ...); English for any language without words of its own.
struct ChangeWords {
    std::string first;
    std::string second;
};
ChangeWords changeWords(std::string_view language);

// The line "changes.txt" gains when `path` was renamed to `backupName`.
std::string changeLine(std::string_view language, std::string_view path, std::string_view backupName);

// The backup name with the given number: the extension of the last path
// component replaced by ".NNN" (identitydb.obj, 1 gives identitydb.001), the
// number appended when that component has no extension. A path without any
// separator keeps its extension and gets the number appended.
std::string backupName(std::string_view path, unsigned number, Family family);

// The keystore path an "identity.database=" value names, in the family's
// form: Windows turns "/" into "\" and a doubled "\" into one; POSIX turns a
// doubled "\" into "/".
std::string identityDatabasePath(std::string_view value, Family family);

// The login name the Windows registry holds for the per-user profile place:
// on Windows NT "UserName" of the key
// SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon (else its
// "DefaultUserName"); on older Windows "username" of Network\Logon
// (of HKEY_LOCAL_MACHINE). Empty when there is none, and for a value that is no
// plain name (one holding a separator, a ":" or only dots), which would lead
// the keystore out of the profiles directory.
std::string registryLoginName(bool winNT);

class Security {
public:
    // `language` picks the words of "changes.txt".
    Security(Family family, std::string language, Logs logs);

    // Whether a "${user.home}" keystore may go to the user's profile place,
    // which needs the login name below (Windows).
    bool usesProfileKeystore() const;
    // Windows: the login name of the user (the registry's); none when empty.
    void setLoginName(std::function<std::string()> loginName) { loginName_ = std::move(loginName); }

    // The three settings, the JVM's home, the user's home directory (Windows:
    // the Windows directory) and whether existing files are replaced. The
    // answer is that of the last file handled.
    bool addSecurity(std::string_view systemPolicy, std::string_view userPolicy, std::string_view keystore,
                     std::string_view jvmHome, std::string_view homeDirectory, bool replace);
    bool addCertificate(std::string_view keystore, std::string_view jvmHome, std::string_view homeDirectory,
                        std::string& source, std::string& destination, bool replace);
    // The source file (in the working directory) and the destination a
    // setting names; the destination's directories are created.
    bool getFilenames(std::string_view setting, std::string_view jvmHome, std::string_view homeDirectory,
                      std::string& source, std::string& destination);
    // Creates `relative` ("/"-separated) below `base` one level at a time; on
    // success `relative` receives the full path. An empty base with a
    // relative path that begins with "/" stays absolute.
    bool addDirectories(std::string_view base, std::string& relative);
    // The keystore path the JVM's "lib/security/java.security" (from Java 9
    // on "conf/security/java.security") names.
    bool getIdentityIdFilename(std::string_view jvmHome, std::string& result);
    // Windows: the per-user profile place of a "${user.home}/file" keystore.
    bool getAlternateDestination(std::string_view keystore, std::string_view homeDirectory,
                                 std::string& destination);
    bool copySecurityFile(std::string_view source, std::string_view destination, bool replace);
    // Copies `path` to the first free backup name (never over an earlier
    // backup), removes `path`, and records the change in "changes.txt".
    bool backupFile(std::string_view path);
    // The backup the last successful backupFile made.
    const std::string& lastBackup() const { return lastBackup_; }

private:
    char separator() const;

    Family family_;
    const SecurityPolicy& policy_;
    std::string language_;
    Logs logs_;
    std::function<std::string()> loginName_;
    std::string lastBackup_;
};

}  // namespace qrl
