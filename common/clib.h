// File, path and string utilities shared by every program.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"

namespace qrl {

// True when the object exists. A name wrapped in double quotes is tested
// without them (a name with only an opening quote, without that quote).
bool fexists(std::string_view name);

// True when the path exists and is a directory.
bool isDir(std::string_view path);

// The current directory without a trailing separator ("." when it cannot be
// read or is longer than `capacity` characters). On Windows "C:\" becomes "C:".
// The POSIX installer removes a trailing "/" whatever the length, so that the
// root directory becomes the empty string.
std::string getCurrentDir(Family family, size_t capacity = 5000);

// The executable search path: "path", else "PATH", else "Path".
std::optional<std::string> getPathPtr();

// The home directory of a JVM from the full path of one of its executables:
// the executable's directory, cut before its last whole component named "bin"
// (C:\jre\bin\javaw.exe gives C:\jre, /opt/java/bin/java gives /opt/java).
// Without such a component the executable's directory; without any separator
// the input unchanged.
std::string getJavaHomeDirectory(std::string_view exe, Family family);

// Splits a version into its major-minor part and its micro part: 1.4.2_05 gives
// 1.4 and 2_05; a version with fewer than two dots stays whole with micro "0".
void parseVersion(std::string_view version, std::string& base, std::string& micro);

// Copies in rounds of at most 20 buffers of 30000 bytes whatever the length.
struct CopyStats {
    size_t buffers = 0;  // buffers held at once
    size_t rounds = 0;   // read-then-write rounds
};
constexpr size_t kCopyChunk = 30000;
constexpr size_t kCopyMaxBuffers = 20;
using CopyAllocator = std::function<std::unique_ptr<char[]>(size_t)>;

// Both streams open in binary mode. True when the whole input was copied.
bool copyStream(std::FILE* in, std::FILE* out, CopyStats* stats = nullptr, const CopyAllocator& allocate = {});

// Copies a file, replacing the destination. A failed copy leaves no destination.
bool copyFile(std::string_view src, std::string_view dst);
// Appends a file to the destination; a failed append leaves what was appended.
bool appendFile(std::string_view src, std::string_view dst);

// True for an empty path and for a root: "/", a drive root, a share root.
bool isRootPath(std::string_view path, Family family);

// Removes a directory tree. Refuses an empty path and a root; links inside the
// tree (symbolic links, junctions) are removed themselves, never followed; a
// read-only or hidden entry is removed like any other. True when the tree is
// gone (or never existed).
bool delDirTree(std::string_view dir, Family family);

// Appends one line to "changes.txt" in the current directory.
void logSystemChange(std::string_view line);

std::string strlwr(std::string_view s);
std::string strupr(std::string_view s);
// Case-insensitive comparison of ASCII letters, <0, 0 or >0 as for strcmp.
int stricmp(std::string_view a, std::string_view b);

// Joins a directory and a name with the family's separator ("%s%s%s").
std::string joinPath(std::string_view dir, std::string_view name, Family family);

// The non-empty entries of a list separated by `separator` ("a::b:" gives a, b).
std::vector<std::string> splitList(std::string_view list, char separator);

// Changes back to a directory when it goes out of scope, however the scope ends.
class DirGuard {
public:
    explicit DirGuard(std::string dir) : dir_(std::move(dir)) {}
    ~DirGuard();
    DirGuard(const DirGuard&) = delete;
    DirGuard& operator=(const DirGuard&) = delete;

private:
    std::string dir_;
};

// Removes trailing blanks, line feeds and carriage returns.
std::string trimRight(std::string_view s);

// Reads a text file's lines as the C library's fgets reads them with a
// buffer of `limit` + 1 bytes: at most `limit` characters at a time, so the
// rest of a longer line comes as the next line; the line feed is removed.
bool readLines(std::string_view file, size_t limit, const std::function<bool(std::string&)>& each);

}  // namespace qrl

namespace qrl {

// True when `path` lies inside `base` (or is `base` itself when `orSame`),
// judged on the real paths with links resolved, so that neither ".." nor a
// linked directory leads out. A path that does not exist yet is judged by its
// parent directory.
bool isPathInside(std::string_view base, std::string_view path, bool orSame = false);

}  // namespace qrl
