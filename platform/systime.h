// Local time.
#pragma once

#include <ctime>

namespace platform {

std::tm localNow();

}  // namespace platform
