// Whether a file or folder is the administrators' alone: owned by SYSTEM,
// Administrators or TrustedInstaller, no other account may write it, and no
// other account may replace it through a folder above it. What a program
// running with administrator rights starts, registers or reuses must be.
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"
#include "platform/rights.h"

namespace qrl {

// Where the answers about rights come from: the system's, or a test's.
class RightsSource {
public:
    virtual ~RightsSource() = default;
    virtual platform::ObjectRights rightsOf(const std::string& path) const = 0;
};

// The system's answers (platform::objectRights).
const RightsSource& systemRights();

// The folder that holds `path`, as the system opens it ("C:" is "C:\", "" is
// "/"); empty above a root.
std::string parentFolder(std::string_view path, Family family);

// Why `path` is not the administrators' alone ("<path> can be changed by
// users who are not administrators", "<path> is a link", "<path> cannot be
// checked (...)"); empty when it is. `whole`: nobody else may write it
// either (else only replacing it counts, as for the folders above a place).
std::string untrustedReason(const RightsSource& rights, const std::string& path, bool whole);

// The same for a place and every folder above it (those judged on
// replacing only).
std::string untrustedChain(const RightsSource& rights, std::string_view path, Family family);

}  // namespace qrl
