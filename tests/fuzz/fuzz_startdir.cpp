// "startdir.txt": whatever the file holds, the start directory is one line
// without its line end, read from the file's decoded first line; and a
// start directory written by macsetup reads back as it was written.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/files.h"
#include "common/text.h"
#include "installer/startdir.h"
#include "installer/macsteps.h"
#include "platform/fs.h"
#include "sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = [] {
        std::string d = fuzzsupport::sandbox() + "/kit";
        if (!platform::makeDir(d)) std::abort();
        return d;
    }();
    fuzzsupport::InDir in(dir);
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::FILE* f = std::fopen(qrl::kStartDirFile, "wb");
    if (!f) std::abort();
    std::fwrite(input.data(), 1, input.size(), f);
    std::fclose(f);

    std::string start = qrl::getStartDir();
    if (start.find('\n') != std::string::npos || start.size() > 5000) std::abort();
    if (!start.empty() && start.back() == '\r') std::abort();
    // The first line as decoded, its trailing blanks dropped unless only the
    // name with them is a folder.
    std::string line = qrl::startDirLine(input);
    if (line.compare(0, start.size(), start) != 0) std::abort();
    if (start.size() < line.size() && line.find_first_not_of(" \t\r", start.size()) != std::string::npos) std::abort();

    // Written by macsetup, read back by the installer: the same directory,
    // whatever it holds, as long as it is one line that ends in neither a
    // blank nor a carriage return.
    if (!platform::removeFile(qrl::kStartDirFile)) std::abort();
    std::string name = input.substr(0, std::min<size_t>(input.find_first_of(std::string("\n\0", 2)), 4096));
    if (!qrl::writeStartDirFile(qrl::kStartDirFile, name, dir)) std::abort();
    bool marked = name.rfind("\xEF\xBB\xBF", 0) == 0 || name.rfind("\xFF\xFE", 0) == 0 || name.rfind("\xFE\xFF", 0) == 0;
    bool plain = name.empty() || (!marked && name.back() != ' ' && name.back() != '\r' && name.back() != '\t');
    if (plain && qrl::getStartDir() != name) std::abort();
    if (!platform::removeFile(qrl::kStartDirFile)) std::abort();
    return 0;
}
