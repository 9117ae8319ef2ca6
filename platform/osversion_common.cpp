#include "platform/env.h"
#include "platform/osversion.h"
#include "platform/registry.h"

namespace platform {

bool isWindowsNT() {
    unsigned long word = windowsVersionWord();
    return word != 0 && (word & 0x80000000UL) == 0;
}

unsigned windowsMajorVersion() { return static_cast<unsigned>(windowsVersionWord() & 0xFF); }

std::optional<WindowsDirectory> windowsDirectory() {
    if (auto fixed = testSetting("QUARLAN_WINDOWS_DIR"); fixed && !fixed->empty()) return WindowsDirectory{*fixed, ""};
    static const struct {
        bool ntOnly;
        const char* key;
        const char* value;
        const char* source;
    } places[] = {
        {true, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "SystemRoot"},
        {true, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "PathName", "PathName"},
        {true, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "WinDir", "WinDir"},
        {true, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SETUP", "WinDir", "Setup WinDir"},
        {false, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SETUP", "WinDir", "9x Setup WinDir"},
    };
    bool nt = isWindowsNT();
    for (const auto& p : places) {
        if (p.ntOnly && !nt) continue;
        auto v = regString(RegRoot::LocalMachine, p.key, p.value);
        if (v && !v->empty()) return WindowsDirectory{*v, p.source};
    }
    return std::nullopt;
}

}  // namespace platform
