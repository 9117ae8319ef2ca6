// QuarlanUninstaller: runs the application's Java uninstaller, then removes
// what the Java side leaves behind.
//   QuarlanUninstaller <installation directory> [-q]
#include <exception>

#include "platform/entry.h"
#include "uninstaller/uninstall.h"

int utf8Main(std::vector<std::string>& args) {
    using qrl::Family;
    std::string startDir = qrl::Uninstaller::startDirectory(args.empty() ? "" : args[0], Family::Windows);
    qrl::Uninstaller uninstaller(Family::Windows, startDir);
    try {
        uninstaller.run(args);
    } catch (const std::exception& e) {
        uninstaller.logs().trace(std::string("Unexpected exception ") + e.what());
    } catch (...) {
        uninstaller.logs().trace("Unexpected and unknown exception");
    }
    return 0;
}
