#include "platform/folders.h"

namespace platform {

std::optional<std::string> userFolder(UserFolder) { return std::nullopt; }

}  // namespace platform
