// Java version numbers compared as numbers, component by component.
//
// A version is split into components at ".", "_", "-" and "+". The legacy
// scheme "1.N" (1.4.2_05, 1.8.0_392) is read as release N, so that "8" and
// "1.8" name the same release.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qrl {

// Total order of two versions for sorting (the greatest is tried first):
// negative, zero or positive.
int compareJavaVersions(std::string_view a, std::string_view b);

// Compares a bound with the first k components of a found version, where k is
// the number of components of the bound (a maximum 1.4 still admits 1.4.2):
// negative when the found version is below the bound, zero when it equals the
// bound on those components, positive when above.
int compareWithBound(std::string_view found, std::string_view bound);

}  // namespace qrl
