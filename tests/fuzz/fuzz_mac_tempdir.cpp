// macsetup's private working directory: whatever stands under the names
// tmpqrl01 ... tmpqrl99 (leftovers of this user, files, links, directories of
// another user or of a run still alive), the run takes the first name that is
// free or its own leftover, and never touches anything else. TMPDIR of any
// form gives a base without a trailing "/" that is never the root.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/files.h"
#include "installer/macsteps.h"
#include "platform/dirlock.h"
#include "platform/fs.h"
#include "sandbox.h"

namespace fs = std::filesystem;

namespace {

enum State { Absent, Empty, Leftover, File, Link, Locked, Foreign, kStates };

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string read(const std::string& path) {
    std::string text;
    qrl::readTextFile(path, text);
    return text;
}

void checkBase(const std::string& tmpdir) {
    ::setenv("TMPDIR", tmpdir.c_str(), 1);
    std::string base = qrl::tempDirBase();
    if (base == "/" || (!base.empty() && base.back() == '/')) std::abort();
    if (!base.empty() && base != "/tmp" && tmpdir.compare(0, base.size(), base) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string root = fuzzsupport::sandbox();
    static const std::string kit = root + "/kit", base = root + "/tmp", victim = root + "/victim";
    static const bool made = [&] {
        fs::create_directories(kit);
        fs::create_directories(base);
        fs::create_directories(victim);
        write(kit + "/qrl.control", "jvmMinVersion=1.8\n");
        return true;
    }();
    if (!made || size == 0) return 0;
    fuzzsupport::InDir in(kit);
    if (data[0] == 'T') {
        checkBase(std::string(reinterpret_cast<const char*>(data) + 1, size - 1).c_str());
        return 0;
    }
    ::setenv("TMPDIR", base.c_str(), 1);
    write(victim + "/v", "victim");

    size_t count = std::min<size_t>(size, 99);
    std::vector<State> states(99, Absent);
    std::vector<std::unique_ptr<platform::DirLock>> holders;
    int expected = -1;
    for (size_t i = 0; i < count; ++i) {
        states[i] = static_cast<State>(data[i] % kStates);
        char name[16];
        std::snprintf(name, sizeof name, "/tmpqrl%02zu", i + 1);
        std::string dir = base + name;
        switch (states[i]) {
            case Absent: break;
            case Empty: fs::create_directory(dir); break;
            case Leftover:
                fs::create_directories(dir + "/sub");
                write(dir + "/sub/old", "old");
                break;
            case File: write(dir, "keep"); break;
            case Link: fs::create_directory_symlink(victim, dir); break;
            case Locked:
                fs::create_directory(dir);
                write(dir + "/busy", "busy");
                holders.push_back(std::make_unique<platform::DirLock>());
                if (!holders.back()->tryLock(dir)) std::abort();
                break;
            case Foreign:
                fs::create_directory(dir);
                write(dir + "/theirs", "theirs");
                if (::chown(dir.c_str(), 65534, 65534) != 0) states[i] = Empty;
                break;
            default: break;
        }
        if (expected < 0 && (states[i] == Absent || states[i] == Empty || states[i] == Leftover))
            expected = static_cast<int>(i);
    }
    if (expected < 0 && count < 99) expected = static_cast<int>(count);

    platform::DirLock lock;
    std::string tempDir;
    bool ok = qrl::createTempDir(kit, lock, tempDir);
    std::string cwd = platform::currentDir().value_or("");
    if (ok != (expected >= 0)) std::abort();
    if (ok) {
        char name[16];
        std::snprintf(name, sizeof name, "/tmpqrl%02d", expected + 1);
        if (tempDir != base + name || cwd != tempDir || !lock.held()) std::abort();
        if (read(tempDir + "/startdir.txt") != kit + "\n") std::abort();
        if (read(tempDir + "/qrl.control") != "jvmMinVersion=1.8\n") std::abort();
        if (fs::exists(tempDir + "/sub")) std::abort();
        struct stat st {};
        if (::stat(tempDir.c_str(), &st) != 0 || (st.st_mode & 0777) != 0700) std::abort();
    } else if (cwd != kit || lock.held()) {
        std::abort();
    }
    // Nothing that was not the run's to take has changed.
    if (read(victim + "/v") != "victim" || fs::exists(victim + "/startdir.txt")) std::abort();
    for (size_t i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "/tmpqrl%02zu", i + 1);
        std::string dir = base + name;
        if (states[i] == File && read(dir) != "keep") std::abort();
        if (states[i] == Link && !fs::is_symlink(dir)) std::abort();
        if (states[i] == Locked && read(dir + "/busy") != "busy") std::abort();
        if (states[i] == Foreign && read(dir + "/theirs") != "theirs") std::abort();
    }

    lock.release();
    holders.clear();
    fuzzsupport::clear(base);
    fuzzsupport::clear(victim);
    return 0;
}
