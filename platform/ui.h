// Messages for the user that need an answer of no one: a modal error box on
// Windows, standard error elsewhere.
//
// Test seam: while the environment variable QUARLAN_UI_LOG names a file, no
// box is shown; each message is appended to that file instead as
//   [caption] text\n
// (line ends inside the text kept), so that tests can read what the user would
// have seen without a desktop.
#pragma once

#include <string_view>

namespace platform {

// Windows: MessageBoxW without owner, system-modal, with the error icon.
// Elsewhere: the text and a line feed on standard error.
void showError(std::string_view caption, std::string_view text);

// The same for a warning: MessageBoxW without owner, with the warning icon.
void showWarning(std::string_view caption, std::string_view text);

// The same for a plain piece of information (MessageBoxW with the
// information icon); standard output elsewhere.
void showInfo(std::string_view caption, std::string_view text);

}  // namespace platform
