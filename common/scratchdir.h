// A private directory for work files that belong to no kit and no user
// folder: the capture of a JVM's version banner, a probe's answer, a copy of
// a kit's control file. It lies below the system's temporary directory
// (TMPDIR, else /tmp; on Windows the user's TEMP), is made for its owner
// alone (mode 0700) under a name no one else can take, and goes with
// everything in it when the object ends. So a program writes nothing in its
// current directory, which may be read-only, shared by parallel starts, or
// a folder such as /Applications.
#pragma once

#include <string>

namespace qrl {

class ScratchDir {
public:
    // Makes the directory; path() is empty when none could be made.
    explicit ScratchDir(const std::string& prefix = "qrl");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    explicit operator bool() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    // `name` in the directory.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace qrl
