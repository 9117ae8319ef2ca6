// The user's language, from the Windows locale name or the POSIX LANG
// variable, as one of nine identifiers that the text tables use.
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"

namespace qrl {

// "english", "french", "german", "spanish", "polish", "japanese", "italian",
// "portuguese", "dutch"; "english" is the fallback.
struct LanguageMatch {
    std::string language;
    std::string message;  // the log line's message, e.g. "French found"
};

// The Windows name table applied to a locale name (lowered first, A to Z only).
LanguageMatch windowsLanguageFor(std::string_view localeName);
// The POSIX table applied to a LANG value (lowered first).
LanguageMatch posixLanguageFor(std::string_view value);

// One line in "locale.log" when that file exists in the current directory.
void logLocaleMsg(Family family, std::string_view message, std::string_view value, std::string_view language);

// The language of this user: Windows reads the locale name of the current user
// from the registry; POSIX and macOS read LANG, then lang, then Lang.
std::string getLanguage(Family family);

}  // namespace qrl
