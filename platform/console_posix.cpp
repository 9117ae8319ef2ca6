#include "platform/console.h"

#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/encoding.h"
#include "platform/locale.h"

namespace platform {
namespace {

bool isUtf8Codeset(const std::string& cs) {
    std::string lower;
    for (char c : asciiLower(cs))
        if (c != '-' && c != '_') lower += c;
    return lower == "utf8";
}

void write(std::FILE* f, std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8) ascii = ascii && c < 0x80;
    std::string text = ascii || isUtf8Codeset(localeCodeset()) ? std::string(utf8) : utf8ToLatin1(utf8);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fflush(f);
}

}  // namespace

std::string localeCodeset() {
    // The UTF-8 character type given to the programs this one starts is
    // theirs: the user's terminal is still that of an unset locale.
    if (childrenHaveOwnCharacterType()) return "ANSI_X3.4-1968";
    // A locale the system has not installed cannot be loaded; its name still
    // says what the terminal expects ("de_DE.UTF-8").
    const bool loaded = std::setlocale(LC_CTYPE, "") != nullptr;
    if (!loaded) {
        for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* v = std::getenv(var);
            if (!v || !*v) continue;
            std::string name(v);
            auto dot = name.find('.');
            if (dot == std::string::npos) return {};
            return name.substr(dot + 1, name.find('@', dot) - dot - 1);
        }
    }
    const char* cs = ::nl_langinfo(CODESET);
    return cs ? std::string(cs) : std::string();
}

void writeStdout(std::string_view utf8) { write(stdout, utf8); }
void writeStderr(std::string_view utf8) { write(stderr, utf8); }

}  // namespace platform
