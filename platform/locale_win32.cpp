#include "platform/locale.h"

#include <string>

#include "platform/registry.h"

namespace platform {

std::string userLocaleName() {
    return regString(RegRoot::CurrentUser, "Control Panel\\International", "LocaleName").value_or("");
}

}  // namespace platform
