#include "platform/statuswindow.h"

#include <windows.h>
#include <process.h>

#include <cstdlib>

#include "platform/wide_win32.h"

namespace platform {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr int kTextControl = 104;

// One status window per process: the window procedures reach it here.
struct Windows {
    HWND main = nullptr;
    HWND dialog = nullptr;
    bool quitPosted = false;
    unsigned ticks = 0;
};
Windows g_windows;

LRESULT CALLBACK mainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            g_windows.quitPosted = true;
            return 0;
        case WM_SETFOCUS:
            if (g_windows.dialog) ::SetFocus(g_windows.dialog);
            return 0;
        case WM_TIMER:
            ++g_windows.ticks;
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

INT_PTR CALLBACK statusDialog(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            // Parent and dialog centred on the screen, the parent framing the dialog.
            RECT r;
            ::GetWindowRect(dialog, &r);
            int w = r.right - r.left, h = r.bottom - r.top;
            int x = (::GetSystemMetrics(SM_CXFULLSCREEN) - w) / 2;
            int y = (::GetSystemMetrics(SM_CYFULLSCREEN) - h) / 2;
            int fw = w + 2 * ::GetSystemMetrics(SM_CXDLGFRAME), fh = h + 2 * ::GetSystemMetrics(SM_CYDLGFRAME);
            HWND parent = ::GetParent(dialog);
            if (parent) ::SetWindowPos(parent, nullptr, x, y, fw, fh, SWP_NOZORDER);
            ::SetWindowPos(dialog, nullptr, x, y, fw, fh, SWP_NOZORDER);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                // Escape: the status window goes; the installation goes on.
                if (HWND parent = ::GetParent(dialog)) ::PostMessageW(parent, WM_DESTROY, 0, 0);
                ::DestroyWindow(dialog);
                g_windows.dialog = nullptr;
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            ::DestroyWindow(dialog);
            g_windows.dialog = nullptr;
            return TRUE;
        case WM_DESTROY:
            return TRUE;
        default:
            return FALSE;
    }
}

// The 16-point Shift-JIS font, selected into the window's device context for
// the moment only, so the dialog keeps its own font.
void prepareJapaneseFont(HWND window) {
    if (!window) return;
    HDC dc = ::GetDC(window);
    if (!dc) return;
    LOGFONTW lf {};
    lf.lfHeight = -::MulDiv(16, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = FF_ROMAN;
    if (HFONT font = ::CreateFontIndirectW(&lf)) {
        HGDIOBJ old = ::SelectObject(dc, font);
        ::SelectObject(dc, old);
        ::DeleteObject(font);
    }
    ::ReleaseDC(window, dc);
}

}  // namespace

struct StatusWindow::Impl {};

StatusWindow::StatusWindow() = default;

StatusWindow::~StatusWindow() {
    if (g_windows.dialog) ::DestroyWindow(g_windows.dialog);
    g_windows.dialog = nullptr;
    if (g_windows.main) {
        ::KillTimer(g_windows.main, kTimerId);
        ::DestroyWindow(g_windows.main);
    }
    g_windows.main = nullptr;
}

Result StatusWindow::create() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc {};
    wc.lpfnWndProc = mainWndProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, L"IDI_ICON1");
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"GenericWClass";
    if (!::RegisterClassW(&wc)) return Result::lastError();
    g_windows.main = ::CreateWindowExW(0, L"GenericWClass", L"", WS_POPUP, CW_USEDEFAULT, 0, 0, 0, nullptr, nullptr,
                                       instance, nullptr);
    if (!g_windows.main) return Result::lastError();
    g_windows.dialog = ::CreateDialogParamW(instance, L"STATUSDIALOG", g_windows.main, statusDialog, 0);
    return g_windows.dialog ? Result() : Result::lastError();
}

void StatusWindow::show(std::string_view line, bool japaneseFont) {
    if (japaneseFont) prepareJapaneseFont(g_windows.dialog);
    if (g_windows.main) ::ShowWindow(g_windows.main, SW_SHOW);
    if (!g_windows.dialog) return;
    ::ShowWindow(g_windows.dialog, SW_SHOW);
    if (japaneseFont) prepareJapaneseFont(::GetDlgItem(g_windows.dialog, kTextControl));
    ::SetDlgItemTextW(g_windows.dialog, kTextControl, wide(line).c_str());
}

void StatusWindow::setTitle(std::string_view title) {
    if (g_windows.dialog) ::SetWindowTextW(g_windows.dialog, wide(title).c_str());
}

void StatusWindow::hide() {
    if (g_windows.dialog) ::ShowWindow(g_windows.dialog, SW_HIDE);
    if (g_windows.main) ::ShowWindow(g_windows.main, SW_HIDE);
}

void StatusWindow::startTimer() {
    if (g_windows.main) ::SetTimer(g_windows.main, kTimerId, 100, nullptr);
}

void StatusWindow::stopTimer() {
    if (g_windows.main) ::KillTimer(g_windows.main, kTimerId);
}

bool StatusWindow::nextMessage() {
    MSG msg;
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) return false;
    if (g_windows.dialog && ::IsDialogMessageW(g_windows.dialog, &msg)) return true;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

void StatusWindow::quit() {
    if (!g_windows.quitPosted) ::PostQuitMessage(0);
    g_windows.quitPosted = true;
}

struct WorkerThread::Impl {
    HANDLE thread = nullptr;
};

WorkerThread::WorkerThread() : impl_(std::make_unique<Impl>()) {}

WorkerThread::~WorkerThread() { join(); }

namespace {

unsigned __stdcall runBody(void* arg) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
    (*body)();
    return 0;
}

}  // namespace

Result WorkerThread::start(std::function<void()> body) {
    auto* heap = new std::function<void()>(std::move(body));
    uintptr_t h = ::_beginthreadex(nullptr, 0, runBody, heap, 0, nullptr);
    if (!h) {
        // The C runtime keeps the Windows error code apart from errno.
        Result failed = Result::failure(static_cast<int>(_doserrno));
        delete heap;
        return failed;
    }
    impl_->thread = reinterpret_cast<HANDLE>(h);
    return {};
}

void WorkerThread::join() {
    if (!impl_->thread) return;
    ::WaitForSingleObject(impl_->thread, INFINITE);
    ::CloseHandle(impl_->thread);
    impl_->thread = nullptr;
}

}  // namespace platform
