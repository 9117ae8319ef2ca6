// maclauncher: the application launcher of the macOS family (and of the POSIX
// install). Started from inside a bundle, it works from the directory that
// holds the bundle; its own command-line arguments are not passed on.
#include "common/kept.h"
#include "launcher/javaapp.h"
#include "launcher/jvmfinder.h"
#include "platform/entry.h"
#include "platform/fs.h"

int utf8Main(std::vector<std::string>& args) {
    std::string path = args.empty() ? std::string() : args[0];
    // Started through the search path, argv[0] holds no directory: the
    // program's own path names the one its properties file lies beside.
    if (!path.empty() && path.find('/') == std::string::npos) path = platform::programPath();
    // Inside a bundle: work from the directory that holds it.
    size_t app = path.find(".app");
    if (app != std::string::npos) {
        path.resize(app);
        size_t slash = path.rfind('/');
        if (slash != std::string::npos) platform::changeDir(path.substr(0, slash));
    }
    qrl::JavaApp launcher(qrl::Family::Mac, qrl::systemJvmFinder(qrl::Family::Mac));
    return launcher.javaApp(path, {}) ? qrl::kept::kSuccessStatus : qrl::kept::kFailureStatus;
}
