// The answer of a platform call that can fail: success, or the system's own
// reason for the failure (errno on POSIX systems, the Windows error code on
// Windows), kept until the line that logs it. Reads as its success in a
// condition; a call that drops it says why.
#pragma once

#include <string>

namespace platform {

// What a failure was, alike on every system, for the callers whose next step
// or message depends on it. Each system's codes are sorted once, in its own
// error file, as libuv translates them.
enum class ErrorKind {
    None,              // success
    NotFound,          // no such file or path
    TooLong,           // an argument list or command line beyond the system's limit
    NotExecutable,     // a file the system cannot execute (no program, a script without "#!")
    PermissionDenied,  // the caller may not do it (a program without execute permission)
    NoMemory,
    InvalidArgument,
    Other,
};

// The kind of a system error code (errno, a Windows error code).
ErrorKind errorKind(int code);

class [[nodiscard]] Result {
public:
    Result() = default;  // success
    static Result failure(int code) {
        Result r;
        r.ok_ = false;
        r.code_ = code;
        return r;
    }
    // The system's reason as it stands now (errno, or GetLastError on Windows).
    static Result lastError();

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    int code() const { return code_; }
    ErrorKind kind() const { return ok_ ? ErrorKind::None : errorKind(code_); }
    // The reason in words, with its number: "No space left on device (28)".
    std::string text() const;

private:
    bool ok_ = true;
    int code_ = 0;
};

// A system error code in words, as the system says it, with the number.
std::string errorText(int code);

}  // namespace platform
