#include "platform/registry.h"

#include <cerrno>

namespace platform {

Result regSubkeys(RegRoot, const std::string&, RegView, std::vector<std::string>&) { return Result::failure(ENOENT); }
bool regKeyExists(RegRoot, const std::string&, RegView) { return false; }
std::optional<std::string> regString(RegRoot, const std::string&, const std::string&, RegView) { return {}; }
bool regValueExists(RegRoot, const std::string&, const std::string&, RegView) { return false; }
Result regCreateKey(RegRoot, const std::string&, RegView) { return Result::failure(ENOSYS); }
Result regSetString(RegRoot, const std::string&, const std::string&, const std::string&, RegView) {
    return Result::failure(ENOSYS);
}
Result regDeleteTree(RegRoot, const std::string&, RegView) { return {}; }
std::string regKeyName(RegRoot root, const std::string& key) {
    return (root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + key;
}

}  // namespace platform
