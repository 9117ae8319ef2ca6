#include <atomic>

#include "platform/env.h"

namespace platform {
namespace {

std::atomic<bool> closed{false};

}  // namespace

std::optional<std::string> testSetting(const std::string& name) {
    if (closed) return std::nullopt;
    return getEnv(name);
}

void closeTestSettings() { closed = true; }

}  // namespace platform
