#include "platform/ui_common.h"

#include <cstdio>

#include "platform/env.h"
#include "platform/fs.h"

namespace platform {

bool logUiMessage(std::string_view caption, std::string_view text) {
    auto file = testSetting("QUARLAN_UI_LOG");
    if (!file || file->empty()) return false;
    std::FILE* f = openFile(*file, "ab");
    if (!f) return true;  // the seam is on: never fall back to a blocking box
    std::string line = "[" + std::string(caption) + "] " + std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
    return true;
}

}  // namespace platform
