// The names the identity checks walk, as each system spells them (identity
// implementation files only).
#pragma once

#include <string>

namespace platform::identity_os {

// The folder that holds `path` by name; empty at a root.
std::string parentByName(std::string path);
// `path` made absolute against the current directory, nothing resolved.
std::string absoluteName(const std::string& path);
// The name an existing `path` finally reaches through links, junctions and
// substituted drives; empty when it cannot be told.
std::string resolvedName(const std::string& path);

}  // namespace platform::identity_os
