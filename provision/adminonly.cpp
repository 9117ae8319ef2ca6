#include "provision/adminonly.h"

#include "common/paths.h"
#include "common/text.h"

namespace qrl {

bool adminOnlyFolder(std::string_view dir, const std::vector<std::string>& adminOnlyCreated,
                     const RightsSource* rights) {
    for (const auto& made : adminOnlyCreated)
        if (compareIgnoreCase(dir, made) == 0 || isPathInside(made, dir)) return true;
    return untrustedChain(rights ? *rights : systemRights(), dir, Family::Windows).empty();
}

}  // namespace qrl
