// Whether two names mean one file or folder, asked of the system, never of
// the names: device and inode on POSIX systems, volume serial number and file
// index on Windows. Every "is this the kit", "is this a protected folder",
// "is the source the destination" question of the programs goes through here,
// so that another spelling (a link, a junction, "..", a trailing separator, a
// second drive letter for one folder) cannot slip past it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t fileHigh = 0;
    std::uint64_t fileLow = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of an existing file or folder, links followed as an open of
// the name follows them. Nothing when it does not exist or cannot be opened.
std::optional<FileIdentity> identityOf(const std::string& path);

// True when both names exist and name one file or folder.
bool sameFile(const std::string& a, const std::string& b);

// True when `path` is `folder` itself or lies anywhere below it. The folders
// above `path` are compared with `folder` by identity, both along the name as
// given and along the name with its links resolved, so a name that leads
// through a link or another drive letter is judged where it really lies.
// `path` itself need not exist (the nearest folder above it that exists is
// where the walk starts). False when `folder` does not exist.
bool isWithin(const std::string& path, const std::string& folder);

}  // namespace platform
