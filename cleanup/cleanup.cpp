// cleanup: empties the kit directory after the Windows installer has exited.
//   cleanup <directory>
// No user interface and no log; the exit status is always 0.
#include "cleanup/cleanup_job.h"
#include "platform/entry.h"

int utf8Main(std::vector<std::string>&) {
    qrlcleanup::cleanUp(qrlcleanup::directoryArgument(platform::rawCommandLine()));
    return 0;
}
