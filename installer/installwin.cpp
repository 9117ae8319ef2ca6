// The home directory of the Windows installer: the Windows directory.
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace qrl {

bool InstallRun::findWindowsDirectory() {
    homeDirectory.clear();
    // The Windows directory a test names stands for the system's.
    if (auto fixed = platform::testSetting("QUARLAN_WINDOWS_DIR"); fixed && !fixed->empty()) {
        homeDirectory = *fixed;
        logs.trace("home directory", homeDirectory);
        return true;
    }
    static const struct {
        const char* key;
        const char* value;
        const char* message;
    } places[] = {
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "got home directory from SystemRoot"},
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "PathName", "got home directory from PathName"},
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "WinDir", "got home directory from WinDir"},
        {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SETUP", "WinDir", "got home directory from Setup WinDir"},
    };
    for (const auto& p : places) {
        auto v = platform::regString(platform::RegRoot::LocalMachine, p.key, p.value);
        if (v && !v->empty()) {
            homeDirectory = *v;
            logs.trace(p.message);
            logs.trace("home directory", homeDirectory);
            return true;
        }
    }
    logs.trace("unable to get windows directory from registry");
    if (auto path = getPathPtr()) {
        for (const auto& element : splitList(*path, ';')) {
            std::string lower = strlwr(element);
            if (lower.size() >= 5 && lower.compare(lower.size() - 5, 5, "winnt") == 0) {
                homeDirectory = lower;
                logs.trace("home directory", homeDirectory);
                return true;
            }
        }
    }
    if (isDir("c:\\winnt")) {
        homeDirectory = "c:\\winnt";
        logs.trace("home directory", homeDirectory);
        return true;
    }
    homeDirectory = getCurrentDir(family);
    logs.trace("unable to get windows directory");
    if (homeDirectory.empty()) return false;
    logs.trace("home directory", homeDirectory);
    return true;
}

}  // namespace qrl
