// Files: existence, bounded copies, tree removal, line reading and the
// "changes.txt" record of system changes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "common/family.h"

namespace qrl {

// True when the object exists. A name wrapped in double quotes is tested
// without them (a name with only an opening quote, without that quote).
bool pathExists(std::string_view name);

// True when the path exists and is a directory.
bool isDir(std::string_view path);

// Copies the whole input in rounds of at most 20 buffers of 30000 bytes,
// whatever its length; short of memory it takes fewer buffers, and fails only
// without any. Both streams open in binary mode. True when the whole input
// was copied.
bool copyStream(std::FILE* in, std::FILE* out);

// No limit on what a copy may take.
inline constexpr std::uint64_t kNoCopyLimit = UINT64_MAX;

// Copies a file, replacing the destination. The source must be a regular file
// (a link is followed to it): a FIFO, a device or a directory is refused at
// once, never waited for or read, and a source of more than `limit` bytes is
// refused before anything is written (as is one that grows beyond it while it
// is read). Every write is checked and the destination closed without error,
// so a full disk is a failure, never a short copy. A source and a destination
// that are one file (by identity, under any name) are refused: nothing is
// ever copied onto itself. A failed copy leaves no destination file. On
// failure `why` (when given) says why in words: "not a regular file",
// "larger than 4 MiB", "the source and the destination are one file", or
// the system's reason ("No space left on device (28)").
bool copyFile(std::string_view src, std::string_view dst, std::uint64_t limit = kNoCopyLimit,
              std::string* why = nullptr);
// The same, appending to the destination (created when missing); a failed
// append leaves what was appended.
bool appendFile(std::string_view src, std::string_view dst, std::string* why = nullptr);

// Removes a directory tree. Refuses an empty path and a root; links inside the
// tree (symbolic links, junctions) are removed themselves, never followed; a
// read-only or hidden entry is removed like any other. True when the tree is
// gone (or never existed).
bool delDirTree(std::string_view dir, Family family);

// Appends one line to "changes.txt" in the current directory.
void logSystemChange(std::string_view line);

// The largest text file the programs read (a control file, a properties file,
// a manifest, "startdir.txt"): a kit's files are a few kilobytes.
inline constexpr std::uint64_t kMaxTextFile = 4u << 20;

// The whole of a text file that is a regular file (a link is followed to it)
// of at most kMaxTextFile bytes, read as it is (no line-end conversion, the
// same on every system). Anything else is refused at once, never waited for:
// false, with `why` (when given) saying why in words ("not a regular file",
// "larger than 4 MiB", or the system's reason).
bool readTextFile(std::string_view file, std::string& text, std::string* why = nullptr);

// The text with each CR LF turned into a line feed, as text-mode reading
// gives it.
std::string withLineFeeds(std::string_view text);

// Reads a text file's lines (CR LF read as a line feed) as the C library's
// fgets reads them with a buffer of `limit` + 1 bytes: at most `limit`
// characters at a time, so the rest of a longer line comes as the next line;
// the line feed is removed.
// With LongLines::SkipRest a longer line gives its first `limit` characters
// only and the rest of it is skipped, so no tail is ever read as a line.
// The file is read with readTextFile: false when that refuses it.
enum class LongLines { Split, SkipRest };
bool readLines(std::string_view file, size_t limit, const std::function<bool(std::string&)>& each,
               LongLines longLines = LongLines::Split);
// The same for a text held in memory.
void splitLines(std::string_view text, size_t limit, const std::function<bool(std::string&)>& each,
                LongLines longLines = LongLines::Split);
// The same, telling for each line whether characters of it were skipped
// (LongLines::SkipRest) and so never read.
void splitLines(std::string_view text, size_t limit, const std::function<bool(std::string&, bool cut)>& each);
// A yes/no setting: of the first of `files` that can be read (999 characters
// of a line at a time), the first line that begins with `key`; "true" or
// "yes" (any case) is true, another value false, and `absent` when the file
// has no such line. Nothing when none of the files can be read.
std::optional<bool> flagSetting(std::string_view key, std::initializer_list<std::string_view> files, bool absent);

}  // namespace qrl
