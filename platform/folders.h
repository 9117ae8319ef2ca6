// The per-user folders of the Windows shell. Elsewhere there are none.
#pragma once

#include <optional>
#include <string>

namespace platform {

enum class UserFolder {
    Programs,   // the user's own programs folder (%LOCALAPPDATA%\Programs), created when missing
    Documents,  // the user's own documents folder
};

// The folder's full path; nothing when the system has none.
std::optional<std::string> userFolder(UserFolder folder);

}  // namespace platform
