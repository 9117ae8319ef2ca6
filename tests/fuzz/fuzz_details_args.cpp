// The installer's command line: arguments (separated by NUL bytes in the
// input) never leave a double quote in the details, and details appear only
// after the quiet switch.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "installer/commandline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args{"./unixloader"};
    std::string cur;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(cur);
            cur.clear();
        } else {
            cur += static_cast<char>(data[i]);
        }
    }
    args.push_back(cur);
    qrl::CommandLine cl = qrl::parsePosixCommandLine(args);
    if (cl.details.find('"') != std::string::npos) std::abort();
    if (!cl.quiet && !cl.details.empty()) std::abort();
    return 0;
}
