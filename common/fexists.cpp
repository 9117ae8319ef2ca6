#include "common/clib.h"
#include "platform/fs.h"

namespace qrl {

bool fexists(std::string_view name) {
    std::string copy(name);
    if (!copy.empty() && copy.front() == '"') {
        copy.erase(0, 1);
        size_t close = copy.find('"');
        if (close != std::string::npos) copy.resize(close);
    }
    return !copy.empty() && platform::exists(copy);
}

bool isDir(std::string_view path) {
    if (!fexists(path)) return false;
    return platform::typeOf(std::string(path)) == platform::FileType::Directory;
}

}  // namespace qrl
