// File system calls of the operating system. Paths are UTF-8 everywhere; the
// Windows implementation converts them to UTF-16 at this boundary.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class FileType { None, File, Directory, Other };

// Existence only (access mode 0); no permission test.
bool exists(const std::string& path);

// Type of the object, following symbolic links. None when it does not exist.
FileType typeOf(const std::string& path);

// True when the path itself is a symbolic link, a junction or another reparse
// point (never followed).
bool isLink(const std::string& path);

std::optional<std::uint64_t> fileSize(const std::string& path);

// mkdir; the mode is ignored on Windows. True when the directory was created.
bool makeDir(const std::string& path, unsigned mode = 0755);
bool removeDir(const std::string& path);
// Removes a file or a link (never what a link points to).
bool removeFile(const std::string& path);
// Renames, replacing an existing destination in one step.
bool renameFile(const std::string& from, const std::string& to);
// Clears a read-only attribute (Windows); nothing elsewhere.
void makeWritable(const std::string& path);
// chmod; nothing on Windows.
bool setMode(const std::string& path, unsigned mode);

std::optional<std::string> currentDir();
bool changeDir(const std::string& path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;  // not set for links
    bool isLink = false;       // symbolic link, junction or other reparse point
};

// Entries in the order the system returns them, "." and ".." included when the
// system reports them. False when the directory cannot be read.
bool listDir(const std::string& path, std::vector<DirEntry>& out);

// fopen with a UTF-8 name; the mode is passed on as given ("t" means text mode
// on Windows and is ignored elsewhere).
std::FILE* openFile(const std::string& path, const char* mode);

// The absolute form of a path with "." and ".." resolved and, where the system
// can, links resolved. Empty when it cannot be formed.
std::string canonicalPath(const std::string& path);

// The path of the running program.
std::string programPath();

// Windows: the short (8.3) form of an existing path, empty when the system
// cannot give one. Elsewhere always empty.
std::string shortPath(const std::string& path);

}  // namespace platform
