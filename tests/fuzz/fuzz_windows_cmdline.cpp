// Windows command lines: any vector joined for CreateProcess splits back into
// the same vector, and splitting any line never fails.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    (void)platform::splitWindowsCommandLine(input);
    // The input as a vector: entries separated by NUL bytes; the program name
    // cannot hold quotes, blanks or tabs that end it early.
    std::vector<std::string> argv{"C:\\Program Files\\app.exe"};
    std::string cur;
    for (char c : input) {
        if (c == '\0') {
            argv.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    argv.push_back(cur);
    std::string line = platform::buildWindowsCommandLine(argv);
    if (platform::splitWindowsCommandLine(line) != argv) std::abort();
    return 0;
}
