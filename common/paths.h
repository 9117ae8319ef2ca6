// Paths: the current directory, the search path, JVM homes, roots, joining
// and the containment test the clean-up steps rely on.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "common/family.h"

namespace qrl {

// The current directory without a trailing separator ("." when it cannot be
// read or is longer than `capacity` characters). On Windows "C:\" becomes "C:".
// The POSIX installer removes a trailing "/" whatever the length, so that the
// root directory becomes the empty string.
std::string getCurrentDir(Family family, size_t capacity = 5000);
// `dir` as getCurrentDir would give it were it the current directory: its
// full path with links resolved where the system does ("." when it cannot be
// formed), for traces that name where a program runs.
std::string dirAsCurrent(std::string_view dir, Family family, size_t capacity = 5000);

// The executable search path: "path", else "PATH", else "Path".
std::optional<std::string> readPathVariable();

// The home directory of a JVM from the full path of one of its executables:
// the executable's directory, cut before its last whole component named "bin"
// (C:\jre\bin\javaw.exe gives C:\jre, /opt/java/bin/java gives /opt/java).
// Without such a component the executable's directory; without any separator
// the input unchanged.
std::string getJavaHomeDirectory(std::string_view exe, Family family);

// True for an empty path and for a root: "/", a drive root, a share root.
bool isRootPath(std::string_view path, Family family);

// Joins a directory and a name with the family's separator ("%s%s%s"): the
// separator is written even after one that ends `dir`, and an empty `dir`
// gives the name below the root. The platform layer joins with
// platform::pathIn, which adds none there.
std::string joinPath(std::string_view dir, std::string_view name, Family family);
// The names one below the other: joinPath(joinPath(dir, a), b)...
std::string joinPath(std::string_view dir, std::initializer_list<std::string_view> names, Family family);

// True for the characters a family accepts as a path separator.
bool isSeparator(Family family, char c);

// The position of the last separator the family accepts, npos without one.
size_t lastSeparator(std::string_view path, Family family);
// What follows the last separator (the whole path without one).
std::string_view baseName(std::string_view path, Family family);

// True when `path` lies inside `base` (or is `base` itself when `orSame`),
// judged on the real paths with links resolved, so that neither ".." nor a
// linked directory leads out. A path that does not exist yet is judged by its
// parent directory.
bool isPathInside(std::string_view base, std::string_view path, bool orSame = false);

}  // namespace qrl
