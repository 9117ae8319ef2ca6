// The launcher's tokenizer and joiner: any argument string splits without
// harm into no more text than it holds; tokens without double quotes survive
// a join and a split unchanged; %NAME% expansion leaves text without % alone.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/javaapp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    auto tokens = qrl::JavaApp::tokenize(input);
    size_t total = 0;
    for (const auto& t : tokens) total += t.size();
    if (total > input.size()) std::abort();
    (void)qrl::JavaApp::argsString(tokens);

    // The input as a vector: entries separated by NUL bytes.
    std::vector<std::string> v;
    std::string cur;
    for (char c : input) {
        if (c == '\0') {
            if (!cur.empty()) v.push_back(cur);
            cur.clear();
        } else if (c != '"') {
            cur += c;
        }
    }
    if (!cur.empty()) v.push_back(cur);
    // A token that ends in a blank is quoted; without quotes a leading or
    // trailing blank would be lost, so only quote-free tokens are checked.
    if (qrl::JavaApp::tokenize(qrl::JavaApp::argsString(v)) != v) std::abort();

    std::string expanded = qrl::JavaApp::expandEnvironment(input);
    if (input.find('%') == std::string::npos && expanded != input) std::abort();
    return 0;
}
