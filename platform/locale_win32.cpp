#include "platform/locale.h"

#include <string>

#include "platform/registry.h"

namespace platform {

std::string userLocaleName() {
    return regString(RegRoot::CurrentUser, "Control Panel\\International", "LocaleName").value_or("");
}

LocaleSetting childCharacterType(const char*, const char*, const char*, const std::string&) { return {}; }

void giveChildrenUtf8CharacterType() {}

bool childrenHaveOwnCharacterType() { return false; }

}  // namespace platform
