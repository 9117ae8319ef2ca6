// The wizard archive's manifest: each "Name: " line names a file the installer
// removes after the wizard. Whatever the manifest says (absolute names, "..",
// links out of the kit), nothing outside the working directory is removed,
// and a plain name of a file in the working directory is.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "installer/installcleanup.h"
#include "platform/fs.h"
#include "sandbox.h"

namespace fs = std::filesystem;

namespace {

void touch(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string root = fuzzsupport::sandbox();
    static const std::string kit = root + "/kit";
    static const std::string outside = root + "/outside";
    static const bool made = platform::makeDir(kit) && platform::makeDir(outside);
    if (!made) std::abort();
    fuzzsupport::InDir in(kit);
    fuzzsupport::clear(kit);
    fuzzsupport::clear(outside);
    // Outside: files a name could reach through "..", an absolute name or a link.
    for (const char* n : {"a", "b", "install.jar", "kit"}) touch(outside + "/" + n);
    fs::create_directory_symlink(outside, kit + "/out");
    fs::create_symlink(outside + "/a", kit + "/alink");
    // Inside: files the manifest may name.
    fs::create_directories(kit + "/META-INF");
    fs::create_directories(kit + "/lib");
    for (const char* n : {"a", "b", "lib/c"}) touch(kit + "/" + n);
    std::string manifest(reinterpret_cast<const char*>(data), size);
    {
        std::FILE* f = std::fopen((kit + "/META-INF/MANIFEST.MF").c_str(), "wb");
        if (!f) std::abort();
        std::fwrite(manifest.data(), 1, manifest.size(), f);
        std::fclose(f);
    }

    // A run that read the kit: only then are the wizard's files removed.
    qrl::InstallRun run(qrl::Family::Posix, qrl::Logs::in(kit));
    run.kitRead = true;
    qrl::RunCleanup(run).run(true);

    for (const char* n : {"a", "b", "install.jar", "kit"})
        if (!fs::exists(outside + "/" + n)) std::abort();
    // A name of exactly "a" (a whole line "Name: a") removes the kit's own a.
    if ((manifest.rfind("Name: a\n", 0) == 0 || manifest == "Name: a") && fs::exists(kit + "/a")) std::abort();
    return 0;
}
