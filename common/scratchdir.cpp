#include "common/scratchdir.h"

#include <filesystem>
#include <random>

#include "common/files.h"
#include "platform/fs.h"

namespace qrl {

ScratchDir::ScratchDir(const std::string& prefix) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return;
    std::u8string u8 = base.u8string();
    std::string dir(u8.begin(), u8.end());
    std::random_device random;
    // makeDir fails on any name that exists (a link included): a name taken
    // by someone else is never used.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = platform::pathIn(dir, prefix + "-" + std::to_string(random()));
        if (platform::makeDir(candidate, 0700)) {
            path_ = candidate;
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    // Only the separator of the family counts here: the system's own.
    constexpr Family kNames = std::filesystem::path::preferred_separator == '\\' ? Family::Windows : Family::Posix;
    if (!path_.empty()) delDirTree(path_, kNames);
}

std::string ScratchDir::file(const std::string& name) const { return platform::pathIn(path_, name); }

}  // namespace qrl
