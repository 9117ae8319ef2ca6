#include "platform/error.h"

#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {

Result Result::lastError() { return failure(static_cast<int>(::GetLastError())); }

std::string Result::text() const { return ok_ ? std::string() : errorText(code_); }

std::string errorText(int code) {
    wchar_t* buffer = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n > 0 && buffer) text = narrow(std::wstring(buffer, n));
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = "Windows error";
    return text + " (" + std::to_string(code) + ")";
}

ErrorKind errorKind(int code) {
    switch (static_cast<DWORD>(code)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return ErrorKind::NotFound;
        case ERROR_FILENAME_EXCED_RANGE:
            return ErrorKind::TooLong;
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_EXE_MARKED_INVALID:
        case ERROR_BAD_FORMAT:
            return ErrorKind::NotExecutable;
        case ERROR_ACCESS_DENIED:
            return ErrorKind::PermissionDenied;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ErrorKind::NoMemory;
        case ERROR_INVALID_PARAMETER:
        case ERROR_BAD_ARGUMENTS:
            return ErrorKind::InvalidArgument;
        default:
            return ErrorKind::Other;
    }
}

}  // namespace platform
