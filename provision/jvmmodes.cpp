#include "provision/jvmmodes.h"

#include <algorithm>

#include "common/paths.h"
#include "platform/fs.h"

namespace qrl {

std::vector<std::string> entryNames(std::string_view dir) {
    std::vector<platform::DirEntry> entries;
    std::vector<std::string> names;
    if (platform::listDir(std::string(dir), entries))
        for (auto& e : entries) names.push_back(std::move(e.name));
    return names;
}

void setModesOfNewEntries(ExecCommand& exec, std::string_view dir, const std::vector<std::string>& before) {
    // Only what the program made: files that were there before keep their modes.
    for (const auto& name : entryNames(dir))
        if (std::find(before.begin(), before.end(), name) == before.end())
            exec.setPermissions(joinPath(dir, name, Family::Posix));
}

bool setPermissionsForDir(std::string_view dir, unsigned mode, const std::vector<std::string>& untouched) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDir(std::string(dir), entries)) return false;
    bool ok = true;
    bool dirUntouched = std::find(untouched.begin(), untouched.end(), ".") != untouched.end();
    if (!dirUntouched && !platform::setMode(std::string(dir), mode)) ok = false;
    for (const auto& e : entries) {
        if (e.isLink) continue;  // a link's target is not changed through it
        if (std::find(untouched.begin(), untouched.end(), e.name) != untouched.end()) continue;
        if (!platform::setMode(joinPath(dir, e.name, Family::Posix), mode)) ok = false;
    }
    return ok;
}

}  // namespace qrl
