// macsetup's switches and details (arguments separated by NUL bytes in the
// input, the program path first): the details never keep a double quote,
// come only after a switch, and a switch is only ever a whole argument.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "installer/macsteps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    qrl::MacCommandLine cl = qrl::parseMacCommandLine(args);
    if (cl.details.find('"') != std::string::npos) std::abort();
    if (!cl.quiet && !cl.properties && !cl.details.empty()) std::abort();
    bool anySwitch = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        if (i == 0) word = word.substr(word.rfind('/') == std::string::npos ? 0 : word.rfind('/') + 1);
        anySwitch = anySwitch || word == "-q" || word == "-s";
    }
    if ((cl.quiet || cl.properties) && !anySwitch) std::abort();
    return 0;
}
