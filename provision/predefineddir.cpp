#include "provision/predefineddir.h"

namespace qrl {

std::optional<std::string> resolvePredefinedDir(std::string_view setting, std::string_view workingDir) {
    const std::string marker = "[$AppDir]/";
    size_t at = setting.find(marker);
    if (at == std::string_view::npos) {
        // No other variable is known here.
        if (setting.substr(0, 2) == "[$") return std::nullopt;
        return std::string(setting);
    }
    if (setting == marker) return std::nullopt;
    return std::string(workingDir) + std::string(setting.substr(at + marker.size() - 1));
}

}  // namespace qrl
