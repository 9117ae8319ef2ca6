#include "platform/ui.h"

#include <windows.h>

#include "platform/ui_common.h"
#include "platform/wide_win32.h"

namespace platform {

void showError(std::string_view caption, std::string_view text) {
    if (logUiMessage(caption, text)) return;
    ::MessageBoxW(nullptr, wide(text).c_str(), wide(caption).c_str(), MB_SYSTEMMODAL | MB_ICONERROR);
}

void showWarning(std::string_view caption, std::string_view text) {
    if (logUiMessage(caption, text)) return;
    ::MessageBoxW(nullptr, wide(text).c_str(), wide(caption).c_str(), MB_ICONWARNING);
}

void showInfo(std::string_view caption, std::string_view text) {
    if (logUiMessage(caption, text)) return;
    ::MessageBoxW(nullptr, wide(text).c_str(), wide(caption).c_str(), MB_ICONINFORMATION);
}

}  // namespace platform
