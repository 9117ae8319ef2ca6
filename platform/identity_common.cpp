// What the identity checks share on every system: the comparison, and the
// walk up a name's folders.
#include "platform/identity.h"
#include "platform/identity_os.h"

namespace platform {

namespace {

bool walkFinds(std::string from, const FileIdentity& target) {
    for (int depth = 0; !from.empty() && depth < 4096; ++depth) {
        auto id = identityOf(from);
        if (id && *id == target) return true;
        from = identity_os::parentByName(from);
    }
    return false;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    auto ia = identityOf(a);
    auto ib = identityOf(b);
    return ia && ib && *ia == *ib;
}

bool isWithin(const std::string& path, const std::string& folder) {
    auto target = identityOf(folder);
    if (!target || path.empty()) return false;
    std::string given = identity_os::absoluteName(path);
    if (walkFinds(given, *target)) return true;
    // The name with its links resolved: from the nearest folder that exists,
    // since `path` may be about to be made.
    for (std::string p = given; !p.empty(); p = identity_os::parentByName(p)) {
        if (!identityOf(p)) continue;
        std::string real = identity_os::resolvedName(p);
        return !real.empty() && walkFinds(real, *target);
    }
    return false;
}

}  // namespace platform
