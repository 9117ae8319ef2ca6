// The cleanup program's command line and refusals: the directory the
// installer passes (one argument, quoted as the C runtime reads it) comes back
// exactly; a name that resolves to the root, or to nothing, is refused; a
// directory reached through a link is refused; an ordinary directory is not.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cleanup/cleanup_job.h"
#include "platform/cmdline.h"
#include "platform/fs.h"
#include "sandbox.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string root = fuzzsupport::sandbox();
    static const bool made = [&] {
        fs::create_directories(root + "/real/dir");
        fs::create_directory_symlink(root + "/real", root + "/link");
        return true;
    }();
    if (!made) std::abort();
    fuzzsupport::InDir in(root + "/real");
    std::string input(reinterpret_cast<const char*>(data), size);
    input = input.substr(0, input.find('\0'));

    // As the installer starts it: the program, then the directory.
    std::string line = platform::buildWindowsCommandLine({"C:\\kit\\__cleanup.exe", input});
    if (qrlcleanup::directoryArgument(line) != input) std::abort();

    std::string real = platform::canonicalPath(input);
    if ((real.empty() || real == "/") && !qrlcleanup::isRefused(input)) std::abort();
    if (qrlcleanup::isRefused(root + "/real/dir")) std::abort();
    // Below the link, whatever follows.
    if (!qrlcleanup::leadsThroughLink(root + "/link/" + input) || !qrlcleanup::leadsThroughLink(root + "/link"))
        std::abort();
    return 0;
}
