#include "platform/rights.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

ObjectRights objectRights(const std::string& path) {
    ObjectRights r;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        r.why = Result::lastError();
        return r;
    }
    r.known = true;
    r.isLink = S_ISLNK(st.st_mode);
    r.trustedOwner = st.st_uid == 0;
    r.othersMayWrite = (st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && st.st_gid != 0);
    // Entries of a folder others may write are theirs to replace, unless the
    // folder is sticky.
    r.othersMayReplace = S_ISDIR(st.st_mode) && r.othersMayWrite && !(st.st_mode & S_ISVTX);
    return r;
}

bool runsElevated() { return ::geteuid() == 0; }

bool runsSetId() { return ::getuid() != ::geteuid() || ::getgid() != ::getegid(); }

Result makeAdminOnlyDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0) return Result::lastError();
    return {};
}

}  // namespace platform
