// Emptying the kit directory after the Windows installer has exited: files are
// deleted in passes until none is left but the ones it must keep, retrying for
// about twenty seconds while some are still held open, then the directory goes.
//
// Kept: "__qrlexpand.sem". Not counted as left over: the running copy
// "__cleanup.exe" (it cannot go while it runs). Subdirectories are never
// entered. An empty directory argument, a root directory, the user's profile
// with its Desktop, Documents and Downloads, the Windows directory, Program
// Files, each under any of its names, a folder that holds one of them and a
// directory reached through a link are refused.
#pragma once

#include <string>
#include <string_view>

namespace qrlcleanup {

struct Limits {
    unsigned periodMs = 100;
    unsigned passes = 201;  // after the first one
};

// The directory to clean from the program's command line: everything after
// the program name, blanks included; one pair of enclosing quotes is dropped.
std::string directoryArgument(std::string_view commandLine);

// True for a directory that must never be emptied: empty, a root (of a
// drive, a share or the file system) once made absolute, or what
// platform::isProtectedDir refuses (a protected folder by identity, or one
// that holds it).
bool isRefused(std::string_view dir);

// True when the directory, or any directory on the way to it, is a link
// (symbolic link, junction or other reparse point): such a directory is never
// emptied, as that would empty the link's target.
bool leadsThroughLink(std::string_view dir);

// One pass; true when nothing but the exempt names was found.
bool removeFiles(const std::string& dir);

// The whole job. False when the directory is refused or the timer cannot be
// set up; otherwise true, whether or not the directory could be removed.
bool cleanUp(const std::string& dir, const Limits& limits = {});

}  // namespace qrlcleanup
