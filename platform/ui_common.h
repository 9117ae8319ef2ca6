// The test seam shared by the implementations of ui.h.
#pragma once

#include <string_view>

namespace platform {

// Appends the message to the file named by QUARLAN_UI_LOG; false when the
// variable is not set (the message must then be shown).
bool logUiMessage(std::string_view caption, std::string_view text);

}  // namespace platform
