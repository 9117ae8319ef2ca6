// The names the security files step makes from settings: a backup name
// differs from the file it keeps (unless that already bears the number) and ends in its three-digit number; an
// identity.database value never keeps the separators it replaces.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "security/security.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    unsigned number = data[0] % 999 + 1;
    std::string path(reinterpret_cast<const char*>(data + 1), size - 1);
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".%03u", number);
    for (qrl::Family family : {qrl::Family::Posix, qrl::Family::Windows}) {
        std::string backup = qrl::backupName(path, number, family);
        bool numbered = path.size() >= 4 && path.compare(path.size() - 4, 4, suffix) == 0;
        if (backup == path && !numbered) std::abort();
        if (backup.size() < 4 || backup.compare(backup.size() - 4, 4, suffix) != 0) std::abort();
        char sep = family == qrl::Family::Windows ? '\\' : '/';
        // Only the last component changes.
        size_t last = path.rfind(sep);
        if (last != std::string::npos && backup.compare(0, last + 1, path, 0, last + 1) != 0) std::abort();
    }
    std::string posix = qrl::identityDatabasePath(path, qrl::Family::Posix);
    if (posix.find("\\\\") != std::string::npos) std::abort();
    std::string windows = qrl::identityDatabasePath(path, qrl::Family::Windows);
    if (windows.find('/') != std::string::npos) std::abort();
    return 0;
}
