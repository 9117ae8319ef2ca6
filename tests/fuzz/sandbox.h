// A private scratch directory for the fuzz targets that need files: made once
// per process below /tmp and removed when the process ends, so a campaign
// never writes anywhere else.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fuzzsupport {

inline const std::string& sandbox() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/qrlfuzz-XXXXXX";
        if (!::mkdtemp(tmpl)) ::abort();
        return std::string(tmpl);
    }();
    // Registered once the name exists, so it runs before the name goes.
    static const bool removed = std::atexit([] {
        std::error_code ec;
        std::filesystem::current_path("/", ec);
        std::filesystem::remove_all(sandbox(), ec);
    }) == 0;
    (void)removed;
    return dir;
}

// Works in `dir` for one input and goes back where the fuzzer runs (its
// corpus paths may be relative to that directory).
class InDir {
public:
    explicit InDir(const std::string& dir) : back_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDir() {
        std::error_code ec;
        std::filesystem::current_path(back_, ec);
    }
    InDir(const InDir&) = delete;
    InDir& operator=(const InDir&) = delete;

private:
    std::filesystem::path back_;
};

// Empties a directory below the sandbox (links removed, never followed).
inline void clear(const std::string& dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) std::filesystem::remove_all(e.path(), ec);
}

}  // namespace fuzzsupport
