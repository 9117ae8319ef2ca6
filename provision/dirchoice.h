// One choice of a JVM directory, from the first candidate to the answer: what
// every family shares. The families' candidates and rules are its subclasses
// (PosixDirChoice, WinDirChoice); JvmDirChooser makes one for each choice.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logs.h"
#include "common/outcome.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmrequest.h"

namespace qrl {

class DirChoice {
public:
    virtual ~DirChoice() = default;
    DirChoice(const DirChoice&) = delete;
    DirChoice& operator=(const DirChoice&) = delete;

    // Walks the candidates; called once.
    Outcome<JvmDirChoice> run();

protected:
    DirChoice(Family family, Logs logs, std::string workingDir, JvmRequest request, std::string_view home);

    // The family's candidates, tried before the search path.
    virtual std::optional<std::string> chooseFamilyDir() = 0;
    // The search path's entries as the family reads them.
    virtual std::vector<std::string> searchPathEntries(std::string_view path) const = 0;
    // Called before the working directory's subtree is tried.
    virtual void beforeWorkingDir() {}
    // Whether the predefined directory is refused (told in the errors log).
    virtual bool refused(std::string_view dir) const = 0;
    // Whether a JVM found in `dir` may be reused at all.
    virtual bool mayReuse(std::string_view) const { return true; }
    // Creates one directory (its parent exists).
    virtual bool makeDirectory(const std::string& path) = 0;

    // The predefined directory with every parent it needs.
    std::optional<std::string> createPredeterminedJvmDirectory(const std::string& dir);
    // The "jvm" subtree below `dir`; answers its leaf.
    std::optional<std::string> createJvmSubdirectory(std::string dir);
    // Whether `dir` holds a JVM that passes the version test; when it does,
    // the choice is a discovery of its launcher.
    bool foundValidJvm(std::string_view dir);
    // Creates dir/name (name alone for an empty dir) and answers the new
    // path. An existing directory counts as made.
    std::optional<std::string> addDirectory(std::string_view dir, std::string_view name);
    bool addDirectory(std::string_view path);

    const Family family_;
    const Logs logs_;
    const std::string workingDir_;
    const std::string home_;
    const JvmRequest request_;
    // The answer as far as the walk has come.
    JvmDirChoice choice_;
    // The directory tried last, for the failure's details.
    std::string lastTried_;

private:
    bool insideCreated(std::string_view path) const;
};

}  // namespace qrl
