// What the macOS file system layer does differently from other POSIX systems.
#include <mach-o/dyld.h>

#include <cstdint>

#include "platform/env.h"
#include "platform/fs.h"

namespace platform {

std::string programPath() {
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);  // asks for the size it needs
    std::string buf(size, '\0');
    if (size == 0 || _NSGetExecutablePath(buf.data(), &size) != 0) return {};
    buf.resize(buf.find('\0') == std::string::npos ? buf.size() : buf.find('\0'));
    // The loader may answer a path with "." or ".." in it; the real path is
    // what the launchers look beside.
    std::string real = canonicalPath(buf);
    return real.empty() ? buf : real;
}

std::string userSettingsDir() {
    std::string home = getEnv("HOME").value_or("");
    return home.empty() ? std::string() : home + "/Library/Application Support";
}

}  // namespace platform
