#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace platform {

Result Result::lastError() { return failure(errno); }

std::string Result::text() const { return ok_ ? std::string() : errorText(code_); }

std::string errorText(int code) {
    return std::string(std::strerror(code)) + " (" + std::to_string(code) + ")";
}

ErrorKind errorKind(int code) {
    switch (code) {
        case ENOENT: return ErrorKind::NotFound;
        case E2BIG: return ErrorKind::TooLong;
        case ENOEXEC: return ErrorKind::NotExecutable;
        case EACCES: return ErrorKind::PermissionDenied;
        case ENOMEM: return ErrorKind::NoMemory;
        case EINVAL: return ErrorKind::InvalidArgument;
        default: return ErrorKind::Other;
    }
}

}  // namespace platform
