// The yes/no settings ("configureWinRegistry", "jvmThirdPartyInstaller") read
// from the first of several files: the answer is the same for LF and CR LF
// line ends, and a first file that is missing, a directory or a FIFO is passed
// over at once for the next one.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/files.h"
#include "sandbox.h"

namespace {

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string root = fuzzsupport::sandbox();
    static const std::string lf = root + "/lf", crlf = root + "/crlf", fifo = root + "/fifo", dir = root + "/dir";
    static const bool made = [&] {
        std::filesystem::create_directories(dir);
        return ::mkfifo(fifo.c_str(), 0600) == 0;
    }();
    if (!made) std::abort();
    std::string text(reinterpret_cast<const char*>(data), size);
    // CR LF line ends of the same lines.
    std::string windows;
    for (char c : text) {
        if (c == '\r') return 0;  // lone carriage returns are another text
        if (c == '\n') windows += '\r';
        windows += c;
    }
    write(lf, text);
    write(crlf, windows);
    for (const char* key : {"configureWinRegistry", "jvmThirdPartyInstaller"}) {
        for (bool absent : {false, true}) {
            auto answer = qrl::flagSetting(key, {lf}, absent);
            if (!answer) std::abort();
            if (qrl::flagSetting(key, {crlf}, absent) != answer) std::abort();
            if (qrl::flagSetting(key, {root + "/missing", fifo, dir, lf}, absent) != answer) std::abort();
        }
    }
    if (qrl::flagSetting("configureWinRegistry", {fifo, dir}, true)) std::abort();
    return 0;
}
