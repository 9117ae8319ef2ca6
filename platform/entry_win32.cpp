// Console and windowed programs alike: the wide arguments the C runtime split
// from the command line, converted to UTF-8.
#include <windows.h>

#include <cstdlib>

#include "platform/entry.h"
#include "platform/wide_win32.h"

namespace platform {

std::string rawCommandLine() { return narrow(::GetCommandLineW()); }

}  // namespace platform

namespace {

// Libraries are looked for in the system directory alone from here on: an
// installer started from a Downloads folder must not load a DLL someone
// placed beside it or in the current directory. Windows 7 without
// KB2533623 lacks SetDefaultDllDirectories; there the current directory at
// least leaves the search.
void hardenLibrarySearch() {
    using SetDirs = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDirs>(
                                   reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

int runUtf8Main() {
    std::vector<std::string> args;
    for (int i = 0; i < __argc; ++i) args.push_back(platform::narrow(__wargv[i]));
    return utf8Main(args);
}

}  // namespace

int wmain(int, wchar_t**) {
    hardenLibrarySearch();
    return runUtf8Main();
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    hardenLibrarySearch();
    return runUtf8Main();
}
