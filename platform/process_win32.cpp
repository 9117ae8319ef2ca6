#include "platform/process.h"

#include <windows.h>

#include <cstdlib>

#include "platform/cmdline.h"
#include "platform/encoding.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/wide_win32.h"

namespace platform {
namespace {

std::string lowerExtension(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return asciiLower(path.substr(dot));
}

bool isRelative(const std::string& path) {
    if (path.empty() || path[0] == '\\' || path[0] == '/') return false;
    return !(path.size() > 1 && path[1] == ':');
}

// The C runtime's spawn tries the usual extensions for a name without one. A
// relative path is taken from the directory the program runs in, as on POSIX.
std::string resolveProgram(const std::string& given, const std::string& cwd) {
    std::string program = !cwd.empty() && isRelative(given) ? pathIn(cwd, given) : given;
    if (!lowerExtension(program).empty() || exists(program)) return program;
    for (const char* ext : {".com", ".exe", ".bat", ".cmd"})
        if (exists(program + ext)) return program + ext;
    return program;
}

// The command interpreter: COMSPEC, else the system folder's cmd.exe (never a
// cmd.exe of the current directory, which a bare name would find).
std::wstring commandInterpreter() {
    std::string comspec = getEnv("COMSPEC").value_or("");
    if (!comspec.empty()) return wide(comspec);
    std::wstring system(MAX_PATH, L'\0');
    UINT n = ::GetSystemDirectoryW(system.data(), MAX_PATH);
    system.resize(n < MAX_PATH ? n : 0);
    return system + L"\\cmd.exe";
}

// A batch file runs in the command interpreter, which reads its own line: each
// argument is quoted and characters the interpreter would expand are refused.
bool batchCommandLine(const std::string& script, const std::vector<std::string>& argv, std::wstring& app,
                      std::wstring& line) {
    std::string inner = "\"" + script + "\"";
    for (size_t i = 1; i < argv.size(); ++i) {
        if (argv[i].find_first_of("\"%!\r\n") != std::string::npos) return false;
        inner += " \"" + argv[i] + "\"";
    }
    app = commandInterpreter();
    line = wide("cmd.exe /d /s /c \"" + inner + "\"");
    return true;
}

SpawnResult launch(const std::wstring& app, std::wstring& line, const SpawnOptions& options);

// The console child being waited for, for the console control handler.
HANDLE consoleChildProcess = nullptr;

// Ctrl-C and Ctrl-Break reach every process of the console: the child decides
// what they mean, and this process waits on to report its status. When the
// console closes or the user logs off, the system ends this process once the
// handler returns: the child gets the few seconds it has to end first.
BOOL WINAPI outliveConsoleEvents(DWORD event) {
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        if (HANDLE child = consoleChildProcess) ::WaitForSingleObject(child, 4000);
    }
    return TRUE;
}

// A job that ends its processes when its last handle closes, which the
// system does when this process ends in any way. Null when the system allows
// none (a job of the caller's that forbids it, before Windows 8).
HANDLE killOnCloseJob() {
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        ::CloseHandle(job);
        return nullptr;
    }
    return job;
}

// A standard handle the child may inherit.
HANDLE inheritable(DWORD which) {
    HANDLE h = ::GetStdHandle(which);
    if (h && h != INVALID_HANDLE_VALUE) ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return h;
}

Result enterable(const std::string& cwd) { return cwd.empty() ? Result() : canRunIn(cwd); }

}  // namespace

Result canRunIn(const std::string& dir) {
    DWORD a = ::GetFileAttributesW(wide(dir).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return Result::lastError();
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return Result::failure(ERROR_DIRECTORY);
    return {};
}

SpawnResult spawn(const std::string& program, const std::vector<std::string>& argv, const SpawnOptions& options) {
    SpawnResult result;
    if (Result enter = enterable(options.cwd); !enter) {
        result.why = enter;
        result.badDirectory = true;
        return result;
    }
    std::vector<std::string> args = argv.empty() ? std::vector<std::string>{program} : argv;
    std::string resolved = resolveProgram(program, options.cwd);
    std::wstring app = wide(resolved);
    std::wstring line;
    std::string ext = lowerExtension(resolved);
    if (ext == ".bat" || ext == ".cmd") {
        if (!batchCommandLine(resolved, args, app, line)) {
            // An argument the interpreter would expand or split.
            result.why = Result::failure(ERROR_BAD_ARGUMENTS);
            return result;
        }
    } else {
        line = wide(buildWindowsCommandLine(args));
    }
    if (line.size() >= 32767) {
        // The system's limit of a command line, in characters.
        result.why = Result::failure(ERROR_FILENAME_EXCED_RANGE);
        return result;
    }
    return launch(app, line, options);
}

namespace {

SpawnResult launch(const std::wstring& app, std::wstring& line, const SpawnOptions& options) {
    SpawnResult result;
    STARTUPINFOW si {};
    si.cb = sizeof si;
    if (options.hideWindow || options.newConsole) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = options.hideWindow ? SW_HIDE : SW_SHOWNORMAL;
    }
    HANDLE errFile = INVALID_HANDLE_VALUE;
    if (!options.stderrFile.empty()) {
        SECURITY_ATTRIBUTES sa {sizeof sa, nullptr, TRUE};
        errFile = ::CreateFileW(wide(options.stderrFile).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &sa, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (errFile == INVALID_HANDLE_VALUE) {
            result.why = Result::lastError();
            return result;
        }
        si.dwFlags |= STARTF_USESTDHANDLES;
        si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
        si.hStdError = errFile;
    }
    PROCESS_INFORMATION pi {};
    DWORD flags = options.newConsole ? CREATE_NEW_CONSOLE : 0;
    HANDLE job = nullptr;
    if (options.consoleChild) {
        if (!(si.dwFlags & STARTF_USESTDHANDLES)) {
            // Pipes and redirections of the caller reach the child as they are.
            si.dwFlags |= STARTF_USESTDHANDLES;
            si.hStdInput = inheritable(STD_INPUT_HANDLE);
            si.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
            si.hStdError = inheritable(STD_ERROR_HANDLE);
        }
        // Into the job before it runs a single instruction, so nothing it
        // starts escapes.
        job = killOnCloseJob();
        if (job) flags |= CREATE_SUSPENDED;
        consoleChildProcess = nullptr;
        ::SetConsoleCtrlHandler(outliveConsoleEvents, TRUE);
    }
    std::wstring cwd = wide(options.cwd);
    BOOL created = ::CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                    cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
    DWORD createError = ::GetLastError();
    if (errFile != INVALID_HANDLE_VALUE) ::CloseHandle(errFile);
    if (!created) {
        if (options.consoleChild) ::SetConsoleCtrlHandler(outliveConsoleEvents, FALSE);
        if (job) ::CloseHandle(job);
        result.why = Result::failure(static_cast<int>(createError));
        return result;
    }
    result.started = true;
    if (job) {
        // Where the system refuses (an older Windows inside a job of the
        // caller's), the child runs outside one.
        if (!::AssignProcessToJobObject(job, pi.hProcess)) {
            ::CloseHandle(job);
            job = nullptr;
        }
        ::ResumeThread(pi.hThread);
    }
    ::CloseHandle(pi.hThread);
    if (options.consoleChild && options.wait) consoleChildProcess = pi.hProcess;
    if (options.wait) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(pi.hProcess, &code)) result.exitCode = static_cast<int>(code);
    }
    if (options.consoleChild) {
        ::SetConsoleCtrlHandler(outliveConsoleEvents, FALSE);
        consoleChildProcess = nullptr;
    }
    // Not waited for: the job's handle stays open for this process's life,
    // so the child still ends with it.
    if (job && options.wait) ::CloseHandle(job);
    ::CloseHandle(pi.hProcess);
    return result;
}

}  // namespace

RunResult run(const Command& command) {
    RunResult result;
    if (command.program.empty()) {
        result.why = Result::failure(ERROR_INVALID_PARAMETER);
        return result;
    }
    SpawnResult r;
    SpawnOptions options;
    options.cwd = command.cwd;
    if (command.shell) {
        // As the C runtime's system() does, with the interpreter named by its
        // full path.
        std::string text = command.program;
        if (!command.stderrFile.empty()) {
            std::string full = canonicalPath(command.stderrFile);
            text += " 2>>\"" + (full.empty() ? command.stderrFile : full) + "\"";
        }
        std::fflush(nullptr);
        if (Result enter = enterable(command.cwd); !enter) {
            r.why = enter;
            r.badDirectory = true;
        } else {
            std::wstring line = L"cmd.exe /c " + wide(text);
            r = launch(commandInterpreter(), line, options);
        }
    } else {
        options.stderrFile = command.stderrFile;
        r = spawn(command.program, command.argv, options);
    }
    result.started = r.started;
    result.status = r.exitCode;
    result.why = r.why;
    result.badDirectory = r.badDirectory;
    return result;
}

int shellExitCode(int status) { return status; }
int shellSignal(int) { return 0; }

void sleepMs(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform

namespace platform {

ForkRole forkProcess() { return ForkRole::Failed; }

void endWithShellCommand(const std::string& command) {
    RunResult r = run({.program = command, .shell = true});
    ::ExitProcess(static_cast<UINT>(r.started ? r.status : 127));
}

Result becomeProgram(const std::string& program, const std::vector<std::string>& argv, const std::string& cwd) {
    SpawnOptions options;
    options.cwd = cwd;
    SpawnResult r = spawn(program, argv, options);
    if (!r.started) return r.why ? Result::failure(ERROR_BAD_ARGUMENTS) : r.why;
    std::fflush(nullptr);
    ::ExitProcess(static_cast<UINT>(r.exitCode));
}

}  // namespace platform
