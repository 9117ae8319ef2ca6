// The user's locale setting as the system names it.
#pragma once

#include <string>

namespace platform {

// Windows: the value "LocaleName" of HKEY_CURRENT_USER\Control Panel\International
// (empty when missing). Elsewhere empty: POSIX programs read LANG themselves.
std::string userLocaleName();

// The variable to set, and its value, so that the programs this one starts
// get a UTF-8 character type although the user set none (LC_ALL, LC_CTYPE
// and LANG unset or empty, or the one that counts "C" or "POSIX"): LC_ALL
// when that is what says "C", else LC_CTYPE. `utf8Locale` is the system's
// UTF-8 form of "C" ("C.UTF-8"), empty when it has none. Empty when a locale
// the user set is to be left alone, or there is nothing to give.
struct LocaleSetting {
    std::string variable;
    std::string value;
};
LocaleSetting childCharacterType(const char* lcAll, const char* lcCtype, const char* lang,
                                 const std::string& utf8Locale);

// POSIX: puts childCharacterType into this process's environment, which the
// programs it starts inherit (a JVM then reads file names such as a folder
// named たろう as UTF-8). This program's own terminal output keeps the
// encoding of the user's setting. Windows: nothing (Java reads names through
// the wide API there).
void giveChildrenUtf8CharacterType();
// Whether giveChildrenUtf8CharacterType changed the environment.
bool childrenHaveOwnCharacterType();

}  // namespace platform
