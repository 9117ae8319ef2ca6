// The time stamp of log lines: the local time as asctime renders it.
#pragma once

#include <ctime>
#include <string>

namespace qrl {

// The 24-character asctime form of the current local time, e.g.
// "Mon Jun  7 09:05:03 2004".
std::string asctimeNow();
std::string asctimeOf(const std::tm& tm);

}  // namespace qrl
