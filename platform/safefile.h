// Opening files without following a link at the name itself, for files the
// program writes in directories others can write to (kits, start directories).
// Paths are UTF-8. A failure answers nullptr, and in `why` the system's reason
// (for a link or reparse point: ELOOP, on Windows ERROR_CANT_RESOLVE_FILENAME).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/error.h"

namespace platform {

enum class WriteMode {
    CreateNew,  // a new file; fails when the name exists (O_EXCL, CREATE_NEW)
    Append,     // an existing regular file appended to, or a new one
};

// A stream for writing (`text`: Windows text mode, line feeds written as
// CR LF; nothing elsewhere); never writes through a link, never to a file
// with more than one name (EMLINK, ERROR_TOO_MANY_LINKS) and on Windows never
// behind a symbolic link or junction on the way.
std::FILE* openForWrite(const std::string& path, WriteMode mode, bool text = false, Result* why = nullptr);

// A binary stream for reading a regular file that is not a link.
std::FILE* openForRead(const std::string& path, Result* why = nullptr);

// Whether a failed CreateNew found its name taken.
bool nameTaken(const Result& why);

// Reading a whole file the programs are handed (a kit's control file, a
// launcher's properties file): a link is followed, but what it leads to must
// be a plain file of at most `limit` bytes. A FIFO, a device or a directory is
// refused at once, never waited for or read; a larger file is not read.
enum class ReadStatus {
    Ok,
    Failed,      // could not be opened or read: the system's reason in `why`
    NotAFile,    // a directory, a FIFO, a device...
    TooLarge,    // more than `limit` bytes
};
ReadStatus readRegularFile(const std::string& path, std::uint64_t limit, std::string& out, Result* why = nullptr);

// The same judgement for a file that is copied rather than read whole: a
// binary stream on the plain file a link at the name leads to, with its size
// at the open, or nullptr with `status` NotAFile (a FIFO, a device, a
// directory: refused at once, never waited for) or Failed (the system's
// reason in `why`).
std::FILE* openRegularFile(const std::string& path, ReadStatus& status, std::uint64_t& size, Result* why = nullptr);

}  // namespace platform
