// What the Linux file system layer does differently from other POSIX systems.
#include <unistd.h>

#include "platform/env.h"
#include "platform/fs.h"

namespace platform {

std::string programPath() {
    // The link's target may be longer than any fixed buffer: grow until the
    // answer fits, so a long path is never cut.
    std::string buf(256, '\0');
    while (true) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n <= 0) return {};
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            return buf;
        }
        if (buf.size() >= (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
}

std::string userSettingsDir() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base
    // directory rules say.
    std::string xdg = getEnv("XDG_CONFIG_HOME").value_or("");
    if (!xdg.empty() && xdg[0] == '/') return xdg;
    std::string home = getEnv("HOME").value_or("");
    return home.empty() ? std::string() : home + "/.config";
}

}  // namespace platform
