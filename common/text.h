// Small text helpers: ASCII case, trimming, lists and version parts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrl {

// ASCII letters lowered; other bytes unchanged.
std::string asciiLower(std::string_view s);
// Case-insensitive comparison of ASCII letters, <0, 0 or >0 as for strcmp.
int compareIgnoreCase(std::string_view a, std::string_view b);
// True when both texts are equal ignoring the case of ASCII letters.
inline bool equalsIgnoreCase(std::string_view a, std::string_view b) { return compareIgnoreCase(a, b) == 0; }

// Removes trailing blanks, line feeds and carriage returns.
std::string trimRight(std::string_view s);

// The non-empty entries of a list separated by `separator` ("a::b:" gives a, b).
std::vector<std::string> splitList(std::string_view list, char separator);

// The prefix-key rule of the kit's key=value files: a line that begins with
// `key` holds the value from `skip` characters after the key on ("key=value"
// with skip 1; a key that ends in "=" with skip 0). Nothing when the line does
// not begin with the key; empty when it ends there.
std::optional<std::string> prefixValue(std::string_view line, std::string_view key, size_t skip = 1);
// The value of a yes/no setting: "true" or "yes" (any case) is yes, any
// other value no.
inline bool isYes(std::string_view value) { return equalsIgnoreCase(value, "true") || equalsIgnoreCase(value, "yes"); }

// Splits a version into its major-minor part and its micro part: 1.4.2_05 gives
// 1.4 and 2_05; a version with fewer than two dots stays whole with micro "0".
void parseVersion(std::string_view version, std::string& base, std::string& micro);

}  // namespace qrl
