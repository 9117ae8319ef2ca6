#include "platform/ui.h"

#include <string>

#include "platform/console.h"
#include "platform/ui_common.h"

namespace platform {

void showError(std::string_view caption, std::string_view text) {
    if (logUiMessage(caption, text)) return;
    std::string line(text);
    line += '\n';
    writeStderr(line);
}

void showWarning(std::string_view caption, std::string_view text) { showError(caption, text); }

void showInfo(std::string_view caption, std::string_view text) {
    if (logUiMessage(caption, text)) return;
    std::string line(text);
    if (line.empty() || line.back() != '\n') line += '\n';
    writeStdout(line);
}

}  // namespace platform
