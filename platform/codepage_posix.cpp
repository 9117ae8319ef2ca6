#include "platform/codepage.h"

namespace platform {

std::string systemCodePageToUtf8(std::string_view bytes) { return std::string(bytes); }

}  // namespace platform
