// File system calls of the operating system. Paths are UTF-8 everywhere; the
// Windows implementation converts them to UTF-16 at this boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

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

// The calls that change something answer a Result: true on success, else
// false with the system's reason.

// mkdir; the mode is ignored on Windows. True when the directory was created.
Result makeDir(const std::string& path, unsigned mode = 0755);
Result removeDir(const std::string& path);
// Removes a file or a link (never what a link points to).
Result removeFile(const std::string& path);
// Renames, replacing an existing destination in one step.
Result renameFile(const std::string& from, const std::string& to);
// Clears a read-only attribute (Windows); nothing elsewhere.
void makeWritable(const std::string& path);
// chmod; nothing on Windows.
Result setMode(const std::string& path, unsigned mode);

std::optional<std::string> currentDir();
// `name` in `dir`, joined by the system's separator (none is added after a
// separator that ends `dir`).
std::string pathIn(std::string_view dir, std::string_view name);
Result changeDir(const std::string& path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;  // not set for links
    bool isLink = false;       // symbolic link, junction or other reparse point
};

// The entries in the order the system returns them, without "." and "..".
// At most `limit` of the system's entries are read, "." and ".." counted
// where the system lists them. False when the directory cannot be read.
Result listDir(const std::string& path, std::vector<DirEntry>& out, size_t limit = SIZE_MAX);

// fopen with a UTF-8 name; the mode is passed on as given ("t" means text mode
// on Windows and is ignored elsewhere). When it fails and `why` is given,
// `why` receives the system's reason.
std::FILE* openFile(const std::string& path, const char* mode, Result* why = nullptr);

// The absolute form of a path with "." and ".." resolved and, where the system
// can, links resolved. Empty when it cannot be formed.
std::string canonicalPath(const std::string& path);

// The full path of the running program's executable (empty when the system
// cannot tell): /proc/self/exe on Linux, the loader's answer on macOS, the
// module file name on Windows.
std::string programPath();

// A form of an existing path that holds no blanks, where the system keeps one
// (Windows: the 8.3 short name); empty when there is none (always, elsewhere).
std::string pathWithoutBlanks(const std::string& path);

// The folder where programs keep the current user's own settings, as this
// system names it: %APPDATA% on Windows (else the shell's roaming
// application data folder), ~/Library/Application Support on macOS,
// $XDG_CONFIG_HOME (when it is an absolute path) else ~/.config elsewhere.
// Empty when the system gives none.
std::string userSettingsDir();

}  // namespace platform
