#include "installer/language.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "common/familyrules.h"
#include "common/kept.h"
#include "common/logfiles.h"
#include "common/text.h"
#include "common/log.h"
#include "platform/encoding.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/locale.h"

namespace qrl {
namespace {

struct Group {
    const char* language;
    const char* exact;
    std::vector<const char*> prefixes;
    const char* message;
};

// The names Windows has used for locales, in several languages. Accented
// letters are written as they are meant (the registry hands us Unicode).
const std::vector<Group>& windowsTable() {
    static const std::vector<Group> table{
        {"french", "french",
         {"french-belgian", "frc", "french-canadian", "fra", "frb", "french-swiss", "frs", "fran\xC3\xA7" "ais",
          "franzosen", "francesi", "franceses", "franc\xC3\xA9s", "franc\xC3\xAAs"},
         "French found"},
        {"german", "german",
         {"dea", "german-austrian", "deu", "des", "german-swiss", kept::kSwissIsGerman, "deutsch", "alem\xC3\xA1n",
          "alem\xC3\xA3o", "tedesco", "allemand"},
         "German found"},
        {"spanish", "spanish",
         {"esp", "esm", "spanish-mexican", "esn", "spanish-modern", "espa\xC3\xB1oles", "espanh\xC3\xB3is",
          "spagnoli", "spanisch", "espagnols"},
         "Spanish found"},
        {"polish", "polish", {"plk"}, "Polish found"},
        {"japanese", "japanese", {"jpn"}, "Japanese found"},
        {"italian", "italian", {"italian-swiss", "ita", "its", "italiano"}, "Italian found"},
        {"portuguese", "portuguese", {"portuguese-brasilian", "ptb", "ptg", "portugu\xC3\xAAses", "portugueses"},
         "Portuguese found"},
        {"dutch", "dutch",
         {"dutch (standard)", "dutch (belgian)", "dutch-standard", "dutch-belgian", "landinstellingen"},
         "Dutch found"},
    };
    return table;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

LanguageMatch windowsLanguageFor(std::string_view localeName) {
    std::string value = platform::asciiLower(localeName);
    for (const auto& g : windowsTable()) {
        if (value == g.exact) return {g.language, g.message};
        for (const char* p : g.prefixes)
            if (startsWith(value, p)) return {g.language, g.message};
    }
    // Since Vista the value is a language tag ("de-DE", "ja-JP"): its language
    // subtag names the language.
    static const std::pair<const char*, const char*> tags[] = {
        {"de", "german"}, {"fr", "french"},   {"es", "spanish"},    {"pl", "polish"},
        {"ja", "japanese"}, {"it", "italian"}, {"pt", "portuguese"}, {"nl", "dutch"},
    };
    std::string_view subtag = std::string_view(value).substr(0, value.find_first_of("-_"));
    for (const auto& [tag, language] : tags) {
        if (subtag != tag) continue;
        for (const auto& g : windowsTable())
            if (std::string_view(g.language) == language) return {g.language, g.message};
    }
    return {"english", "English found"};
}

LanguageMatch posixLanguageFor(std::string_view raw) {
    static const std::pair<const char*, LanguageMatch> table[] = {
        {"fr", {"french", "French found"}},     {"de", {"german", "German found"}},
        {"es", {"spanish", "Spanish found"}},   {"pl", {"polish", "Polish found"}},
        {"ja", {"japanese", "Japanese found"}}, {"it", {"italian", "Italian found"}},
        {"pt", {"portuguese", "Portuguese found"}}, {"nl", {"dutch", "Dutch found"}},
        {"en", {"english", "English found"}},   {"c", {"english", "English found"}},
    };
    std::string value = asciiLower(raw);
    for (const auto& [prefix, match] : table)
        if (startsWith(value, prefix)) return match;
    return {"english", "Unsupported language found"};
}

void logLocaleMsg(Family family, std::string_view message, std::string_view value, std::string_view language) {
    if (!platform::exists(kLocaleLog)) return;
    std::FILE* f = platform::openFile(kLocaleLog, "at");
    if (!f) return;
    std::string line;
    if (rulesFor(family).localeLogTimes) line = asctimeNow() + " ";
    line += std::string(message) + " locale: " + std::string(value) + " language: " + std::string(language) + "\n";
    std::fputs(line.c_str(), f);
    std::fclose(f);
}

std::string getLanguage(Family family) {
    if (rulesFor(family).languageFromRegistry) {
        std::string value = platform::userLocaleName();
        if (value.empty()) return "english";
        LanguageMatch m = windowsLanguageFor(value);
        logLocaleMsg(family, m.message, platform::asciiLower(value), m.language);
        logLocaleMsg(family, "getLang", value, m.language);
        return m.language;
    }
    logLocaleMsg(family, "about to getenv", "LANG", "");
    std::string value;
    const char* const names[] = {"LANG", "lang", "Lang"};
    for (size_t i = 0; i < 3 && value.empty(); ++i) {
        if (i > 0) logLocaleMsg(family, "about to getenv", names[i], "");
        value = platform::getEnv(names[i]).value_or("");
    }
    if (value.empty()) value = "en";
    logLocaleMsg(family, "about to _getLanguage", value, "");
    LanguageMatch m = posixLanguageFor(value);
    logLocaleMsg(family, m.message, asciiLower(value), m.language);
    return m.language;
}

}  // namespace qrl
