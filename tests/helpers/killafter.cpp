// Test helper (Windows): starts a program, ends it the hard way after a while
// (as Task Manager's "End task" or a killed parent does) and waits for it.
//
//   killafter MILLISECONDS PROGRAM [ARG...]
// Exit status: 0 when the program was still running and was ended, 1 when it
// had already ended, 2 when it could not be started.
#include <windows.h>

#include <cstdlib>

#include "platform/cmdline.h"
#include "platform/entry.h"
#include "platform/wide_win32.h"

int utf8Main(std::vector<std::string>& args) {
    if (args.size() < 3) return 2;
    std::vector<std::string> argv(args.begin() + 2, args.end());
    std::wstring line = platform::wide(platform::buildWindowsCommandLine(argv));
    STARTUPINFOW si {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi {};
    if (!::CreateProcessW(platform::wide(argv[0]).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &si, &pi))
        return 2;
    ::CloseHandle(pi.hThread);
    DWORD waited = ::WaitForSingleObject(pi.hProcess, static_cast<DWORD>(std::atoi(args[1].c_str())));
    int status = 1;
    if (waited == WAIT_TIMEOUT) {
        ::TerminateProcess(pi.hProcess, 9);
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        status = 0;
    }
    ::CloseHandle(pi.hProcess);
    return status;
}
