#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace platform {

Result Result::lastError() { return failure(errno); }

std::string Result::text() const { return ok_ ? std::string() : errorText(code_); }

std::string errorText(int code) {
    return std::string(std::strerror(code)) + " (" + std::to_string(code) + ")";
}

}  // namespace platform
