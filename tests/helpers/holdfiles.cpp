// Test helper: holds files open for a while, as a program that is still
// ending does.
//   holdfiles <milliseconds> <ready file> <file>...
// Opens every file (creating it), then creates the ready file, waits and
// closes them.
#include <cstdio>
#include <cstdlib>

#include "platform/entry.h"
#include "platform/fs.h"
#include "platform/process.h"

int utf8Main(std::vector<std::string>& args) {
    if (args.size() < 3) return 2;
    std::vector<std::FILE*> held;
    for (size_t i = 3; i < args.size(); ++i)
        if (std::FILE* f = platform::openFile(args[i], "ab")) held.push_back(f);
    if (std::FILE* ready = platform::openFile(args[2], "wb")) std::fclose(ready);
    platform::sleepMs(static_cast<unsigned>(std::atoi(args[1].c_str())));
    for (std::FILE* f : held) std::fclose(f);
    return 0;
}
