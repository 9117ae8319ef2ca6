#include "platform/timerloop.h"

#include <windows.h>

#include "platform/wide_win32.h"

namespace platform {
namespace {

constexpr UINT_PTR kTimerId = 1;

LRESULT CALLBACK timerWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
        case WM_TIMER:
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// The timer (and the window, when there is one) go with the loop, whatever
// way the loop ends.
struct LoopTimer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    ~LoopTimer() {
        if (id) ::KillTimer(hwnd, id);
        if (hwnd) ::DestroyWindow(hwnd);
    }
};

}  // namespace

Result runTimerLoop(const std::string& ownerName, unsigned periodMs, unsigned maxPasses,
                    const std::function<bool()>& pass) {
    std::wstring className = wide(ownerName);
    const wchar_t* windowClass = className.c_str();
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc {};
    wc.lpfnWndProc = timerWndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = windowClass;
    if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return Result::lastError();
    LoopTimer timer;
    // A window that is never shown owns the timer; where no window can be
    // made (no desktop in this session), the thread's own timer serves.
    timer.hwnd = ::CreateWindowExW(0, windowClass, L"", WS_POPUP, CW_USEDEFAULT, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   instance, nullptr);
    timer.id = ::SetTimer(timer.hwnd, timer.hwnd ? kTimerId : 0, periodMs, nullptr);
    if (!timer.id) return Result::lastError();
    MSG msg;
    unsigned passes = 0;
    while (passes < maxPasses && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        ++passes;
        if (pass()) break;
    }
    return {};
}

}  // namespace platform
