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

int runUtf8Main() {
    std::vector<std::string> args;
    for (int i = 0; i < __argc; ++i) args.push_back(platform::narrow(__wargv[i]));
    return utf8Main(args);
}

}  // namespace

int wmain(int, wchar_t**) { return runUtf8Main(); }

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return runUtf8Main(); }
