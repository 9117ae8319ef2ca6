#include "common/trust.h"

#include "common/paths.h"

namespace qrl {
namespace {

class SystemRights : public RightsSource {
public:
    platform::ObjectRights rightsOf(const std::string& path) const override { return platform::objectRights(path); }
};

}  // namespace

const RightsSource& systemRights() {
    static const SystemRights rights;
    return rights;
}

std::string parentFolder(std::string_view path, Family family) {
    if (isRootPath(path, family)) return {};
    std::string p(path);
    while (p.size() > 1 && isSeparator(family, p.back())) p.pop_back();
    size_t sep = lastSeparator(p, family);
    if (sep == std::string::npos) return {};
    std::string parent = p.substr(0, sep);
    if (parent.empty() || isRootPath(parent, family)) parent += separatorOf(family);
    return parent;
}

std::string untrustedReason(const RightsSource& rights, const std::string& path, bool whole) {
    platform::ObjectRights r = rights.rightsOf(path);
    if (!r.known) return path + " cannot be checked (" + r.why.text() + ")";
    if (r.isLink) return path + " is a link";
    if (!r.trustedOwner || r.othersMayReplace || (whole && r.othersMayWrite))
        return path + " can be changed by users who are not administrators";
    return {};
}

std::string untrustedChain(const RightsSource& rights, std::string_view path, Family family) {
    std::string why = untrustedReason(rights, std::string(path), true);
    for (std::string dir = parentFolder(path, family); why.empty() && !dir.empty(); dir = parentFolder(dir, family))
        why = untrustedReason(rights, dir, false);
    return why;
}

}  // namespace qrl
