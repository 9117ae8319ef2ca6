#include "common/shellquote.h"

namespace qrl {

std::string shellQuote(std::string_view word) {
    bool plain = !word.empty();
    for (char c : word) {
        bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    std::string_view("_./+,:@%=-").find(c) != std::string_view::npos;
        if (!safe) {
            plain = false;
            break;
        }
    }
    if (plain) return std::string(word);
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

}  // namespace qrl
