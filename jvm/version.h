// Java version numbers compared as numbers, component by component.
//
// Components. A version is split into components at ".", "_", "-" and "+"
// (and at any other character that is neither a letter nor a digit, such as
// a blank). A component made of digits only is a number (leading zeros do not
// count, and numbers of any length compare correctly); any other component is
// a text ("ea", "beta", "internal", "b08", "LTS").
//
// Texts. A text sorts below every number, and below a missing component, so
// that a pre-release sorts before its release: 17-ea < 17 = 17.0 < 17.0.1.
// Two texts compare ignoring case (EA = ea).
//
// Missing components count as 0: 17 = 17.0.0 (a JDK 17 reports itself as
// "17", without the zeros).
//
// Legacy scheme. "1.N..." (1.4.2_05, 1.8.0_392) is read as release N...
// (4.2.5, 8.0.392), so that "8" and "1.8" name the same release. A version is
// written in the legacy scheme when its first component is 1 and a second
// component follows. When both versions of a comparison are written in the
// legacy scheme the result is the same either way; a lone "1" used as a bound
// still admits every 1.x version, as it always did.
//
// Versions written alike (both "1.N" or both plain, with the same separators)
// whose components are all single digits compare exactly as they would as
// text cut to the bound's length, except where the found version has fewer
// components than the bound: there the missing ones count as 0 (9 meets a
// minimum of 9.0.0).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qrl {

// One component of a version.
struct VersionPart {
    bool numeric = false;
    std::string text;  // a number without its leading zeros ("" is 0), or a text
};

// The components of a version, the legacy "1." already removed.
std::vector<VersionPart> versionParts(std::string_view version);

// Total order of two versions for sorting (the greatest is tried first):
// negative, zero or positive. A strict weak order, fit for std::sort.
int compareJavaVersions(std::string_view a, std::string_view b);

// Compares a bound with the first k components of a found version, where k is
// the number of components of the bound (a maximum 1.4 still admits 1.4.2):
// negative when the found version is below the bound, zero when it equals the
// bound on those components, positive when above. An empty bound has no
// components and so equals every version.
int compareWithBound(std::string_view found, std::string_view bound);

}  // namespace qrl
