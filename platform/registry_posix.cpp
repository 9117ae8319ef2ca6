#include "platform/registry.h"

namespace platform {

bool regSubkeys(RegRoot, const std::string&, RegView, std::vector<std::string>&) { return false; }
bool regKeyExists(RegRoot, const std::string&, RegView) { return false; }
std::optional<std::string> regString(RegRoot, const std::string&, const std::string&, RegView) { return {}; }
bool regValueExists(RegRoot, const std::string&, const std::string&, RegView) { return false; }
bool regCreateKey(RegRoot, const std::string&, RegView) { return false; }
bool regSetString(RegRoot, const std::string&, const std::string&, const std::string&, RegView) { return false; }
bool regDeleteTree(RegRoot, const std::string&, RegView) { return true; }

}  // namespace platform
