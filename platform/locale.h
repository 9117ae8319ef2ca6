// The user's locale setting as the system names it.
#pragma once

#include <string>

namespace platform {

// Windows: the value "LocaleName" of HKEY_CURRENT_USER\Control Panel\International
// (empty when missing). Elsewhere empty: POSIX programs read LANG themselves.
std::string userLocaleName();

}  // namespace platform
