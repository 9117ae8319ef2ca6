#include "platform/locale.h"

namespace platform {

std::string userLocaleName() { return {}; }

}  // namespace platform
