// Test helper (Windows): watches the installer's windows as a user would see
// them and records what it saw, one line each, times in milliseconds since
// the probe started:
//   uiprobe <log> <working directory> [escape] [png <file>] [product <name>]
//     shown <ms> <text of control 104>   the "Installer" dialog became visible
//                                         ("<name> Installer" with product)
//     hidden <ms>                         it went away
//     showgone <ms>                       "__qrlshow.sem" was removed
//     error <ms> <text>                   a "Quarlan Installer: Error" box ("<name> Installer: Error"
//                                         with product); its button is pressed
// "escape" presses Escape on the dialog once it is shown; "png" writes a
// picture of the shown dialog. The probe ends when "<log>.stop" exists (or
// after two minutes) and then writes "<log>.done".
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/entry.h"
#include "platform/fs.h"
#include "platform/wide_win32.h"

namespace {

std::string escaped(const std::wstring& text) {
    std::string out;
    for (char c : platform::narrow(text.c_str())) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::wstring itemText(HWND window, int id) {
    wchar_t buf[4096] = {};
    ::GetDlgItemTextW(window, id, buf, 4095);
    return buf;
}

// PNG: 8-bit RGB rows in stored (uncompressed) deflate blocks.
unsigned long crc(const std::string& data) {
    static unsigned long table[256];
    if (!table[1])
        for (unsigned long n = 0; n < 256; ++n) {
            unsigned long c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    unsigned long c = 0xFFFFFFFFUL;
    for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFUL;
}

std::string be32(unsigned long v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string chunk(const char* type, const std::string& data) {
    std::string body = std::string(type) + data;
    return be32(data.size()) + body + be32(crc(body));
}

bool writePng(const std::string& file, int w, int h, const std::vector<unsigned char>& bgra) {
    std::string raw;
    for (int y = 0; y < h; ++y) {
        raw += '\0';
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
            raw += static_cast<char>(p[2]);
            raw += static_cast<char>(p[1]);
            raw += static_cast<char>(p[0]);
        }
    }
    std::string z = "\x78\x01";
    for (size_t pos = 0; pos < raw.size() || pos == 0; pos += 65535) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        z += static_cast<char>(pos + n >= raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z += raw.substr(pos, n);
        if (pos + n >= raw.size()) break;
    }
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    z += be32((b << 16) | a);
    std::string ihdr = be32(w) + be32(h) + std::string("\x08\x02\x00\x00\x00", 5);
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", "");
    std::FILE* f = platform::openFile(file, "wb");
    if (!f) return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

// The dialog as it is on the screen.
bool capture(HWND window, const std::string& file) {
    RECT r;
    if (!::GetWindowRect(window, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::vector<unsigned char> pixels(static_cast<unsigned char*>(bits),
                                      static_cast<unsigned char*>(bits) + static_cast<size_t>(w) * h * 4);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return writePng(file, w, h, pixels);
}

struct ErrorBoxes {
    std::wstring title;
    std::vector<HWND> found;
};

BOOL CALLBACK findErrorBox(HWND window, LPARAM param) {
    auto* boxes = reinterpret_cast<ErrorBoxes*>(param);
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 255);
    if (title == boxes->title && ::IsWindowVisible(window)) boxes->found.push_back(window);
    return TRUE;
}

}  // namespace

int utf8Main(std::vector<std::string>& args) {
    if (args.size() < 3) return 2;
    const std::string log = args[1];
    const std::string show = args[2] + "\\__qrlshow.sem";
    bool escape = false;
    std::string png;
    std::wstring dialogTitle = L"Installer", errorTitle = L"Quarlan Installer: Error";
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "escape") escape = true;
        if (args[i] == "png" && i + 1 < args.size()) png = args[++i];
        if (args[i] == "product" && i + 1 < args.size()) {
            dialogTitle = platform::wide(args[++i] + " Installer");
            errorTitle = dialogTitle + L": Error";
        }
    }
    std::FILE* out = platform::openFile(log, "wb");
    if (!out) return 2;
    auto line = [&](const std::string& text) {
        std::fputs((text + "\n").c_str(), out);
        std::fflush(out);
    };
    ULONGLONG begin = ::GetTickCount64();
    auto now = [&] { return std::to_string(::GetTickCount64() - begin); };
    bool shown = false, hidden = false, showSeen = false, showGone = false, captured = png.empty(), pressed = !escape;
    ULONGLONG shownAt = 0;
    std::set<HWND> answered;
    while (!platform::exists(log + ".stop") && ::GetTickCount64() - begin < 120000) {
        HWND dialog = ::FindWindowW(L"#32770", dialogTitle.c_str());
        bool visible = dialog && ::IsWindowVisible(dialog);
        if (visible && !shown) {
            shown = true;
            shownAt = ::GetTickCount64();
            line("shown " + now() + " " + escaped(itemText(dialog, 104)));
        }
        if (visible && !captured && ::GetTickCount64() - shownAt > 700) {
            ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            ::Sleep(300);
            captured = true;
            line(std::string(capture(dialog, png) ? "png " : "png-failed ") + now());
        }
        if (visible && captured && !pressed) {
            pressed = true;
            ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            ::PostMessageW(dialog, WM_KEYUP, VK_ESCAPE, 0);
            line("escape " + now());
        }
        if (shown && !visible && !hidden) {
            hidden = true;
            line("hidden " + now());
        }
        bool showExists = platform::exists(show);
        showSeen = showSeen || showExists;
        if (showSeen && !showExists && !showGone) {
            showGone = true;
            line("showgone " + now());
        }
        ErrorBoxes boxes{errorTitle, {}};
        ::EnumWindows(findErrorBox, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes.found) {
            if (!answered.insert(box).second) continue;
            line("error " + now() + " " + escaped(itemText(box, 0xFFFF)));
            HWND button = ::GetDlgItem(box, IDOK);
            if (button) ::SendMessageW(button, BM_CLICK, 0, 0);
            else ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        ::Sleep(20);
    }
    std::fclose(out);
    if (std::FILE* done = platform::openFile(log + ".done", "wb")) std::fclose(done);
    return 0;
}
