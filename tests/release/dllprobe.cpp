// Test helper (Windows): loads a library by its bare name, as code running in
// one of our programs would, after the programs' entry has set up the search.
//   dllprobe <name>            the default search
//   dllprobe --beside <name>   the program's own directory, asked for explicitly
// Exit status 0 when the library was loaded, 1 when not (the system's error
// code on standard error).
#include <windows.h>

#include <cstdio>

#include "platform/entry.h"
#include "platform/wide_win32.h"

int utf8Main(std::vector<std::string>& args) {
    if (args.size() < 2) return 2;
    std::wstring name = platform::wide(args.back());
    HMODULE library = args[1] == "--beside"
                          ? ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR)
                          : ::LoadLibraryW(name.c_str());
    if (!library) {
        std::fprintf(stderr, "not loaded: error %lu\n", ::GetLastError());
        return 1;
    }
    return 0;
}
