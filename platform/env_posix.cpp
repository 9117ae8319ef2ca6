#include "platform/env.h"

#include <cstdlib>

namespace platform {

std::optional<std::string> getEnv(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

Result setEnv(const std::string& name, const std::string& value) {
    return ::setenv(name.c_str(), value.c_str(), 1) == 0 ? Result() : Result::lastError();
}

Result unsetEnv(const std::string& name) { return ::unsetenv(name.c_str()) == 0 ? Result() : Result::lastError(); }

}  // namespace platform
