#include "platform/locale.h"

#include <clocale>
#include <cstdlib>

#include "platform/env.h"

namespace platform {
namespace {

bool gChanged = false;

bool isCLocale(const char* name) {
    std::string n = name ? name : "";
    return n.empty() || n == "C" || n == "POSIX";
}

// The system's UTF-8 form of the "C" locale, if it has one: loaded for a
// moment, then this program's own character type is put back.
std::string utf8CLocale() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = current ? current : "C";
    std::string found;
    for (const char* name : {"C.UTF-8", "C.utf8"}) {
        if (std::setlocale(LC_CTYPE, name)) {
            found = name;
            break;
        }
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    return found;
}

}  // namespace

std::string userLocaleName() { return {}; }

LocaleSetting childCharacterType(const char* lcAll, const char* lcCtype, const char* lang,
                                 const std::string& utf8Locale) {
    auto given = [](const char* v) { return v && *v; };
    // What the C library reads for the character type: the first of these
    // that is set and not empty.
    const char* counts = given(lcAll) ? lcAll : given(lcCtype) ? lcCtype : lang;
    if (utf8Locale.empty() || !isCLocale(counts)) return {};
    return {given(lcAll) ? "LC_ALL" : "LC_CTYPE", utf8Locale};
}

void giveChildrenUtf8CharacterType() {
    LocaleSetting s = childCharacterType(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"),
                                         utf8CLocale());
    if (s.variable.empty()) return;
    gChanged = static_cast<bool>(setEnv(s.variable, s.value));
}

bool childrenHaveOwnCharacterType() { return gChanged; }

}  // namespace platform
