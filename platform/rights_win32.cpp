#include "platform/rights.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "platform/wide_win32.h"

namespace platform {
namespace {

class Sid {
public:
    explicit Sid(WELL_KNOWN_SID_TYPE type) {
        DWORD size = SECURITY_MAX_SID_SIZE;
        if (::CreateWellKnownSid(type, nullptr, buf_, &size)) sid_ = buf_;
    }
    explicit Sid(const wchar_t* text) {
        PSID s = nullptr;
        if (::ConvertStringSidToSidW(text, &s)) {
            if (::CopySid(SECURITY_MAX_SID_SIZE, buf_, s)) sid_ = buf_;
            ::LocalFree(s);
        }
    }
    bool is(PSID other) const { return sid_ && other && ::EqualSid(sid_, other); }

private:
    BYTE buf_[SECURITY_MAX_SID_SIZE] = {};
    PSID sid_ = nullptr;
};

bool trusted(PSID sid) {
    static const Sid system(WinLocalSystemSid);
    static const Sid admins(WinBuiltinAdministratorsSid);
    static const Sid installer(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464");
    return system.is(sid) || admins.is(sid) || installer.is(sid);
}

// Entries that grant nobody anything on the object itself: CREATOR OWNER
// only serves inheritance, OWNER RIGHTS is the (judged) owner's.
bool nobody(PSID sid) {
    static const Sid creator(WinCreatorOwnerSid);
    static const Sid ownerRights(L"S-1-3-4");
    return creator.is(sid) || ownerRights.is(sid);
}

constexpr ACCESS_MASK kReplace = DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD;
constexpr ACCESS_MASK kWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA;

}  // namespace

ObjectRights objectRights(const std::string& path) {
    ObjectRights r;
    HANDLE h = ::CreateFileW(wide(path).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        r.why = Result::lastError();
        return r;
    }
    FILE_ATTRIBUTE_TAG_INFO tag {};
    if (::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag))
        r.isLink = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    DWORD rc = ::GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                 nullptr, &dacl, nullptr, &sd);
    ::CloseHandle(h);
    if (rc != ERROR_SUCCESS) {
        r.why = Result::failure(static_cast<int>(rc));
        return r;
    }
    r.known = true;
    r.trustedOwner = trusted(owner);
    if (!dacl) {
        // No access list at all: everyone may do everything.
        r.othersMayReplace = r.othersMayWrite = true;
    } else {
        GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            void* ace = nullptr;
            if (!::GetAce(dacl, i, &ace)) continue;
            auto* header = static_cast<ACE_HEADER*>(ace);
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            PSID sid = &allowed->SidStart;
            if (trusted(sid) || nobody(sid)) continue;
            ACCESS_MASK mask = allowed->Mask;
            ::MapGenericMask(&mask, &mapping);
            if (mask & kReplace) r.othersMayReplace = true;
            if (mask & kWrite) r.othersMayWrite = true;
        }
    }
    ::LocalFree(sd);
    return r;
}

bool runsElevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation {};
    DWORD size = 0;
    bool elevated = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                    elevation.TokenIsElevated != 0;
    ::CloseHandle(token);
    return elevated;
}

bool runsSetId() { return false; }

Result makeAdminOnlyDir(const std::string& path) {
    // Protected (no inherited entries); for this folder and all below it.
    const wchar_t* sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr))
        return Result::lastError();
    SECURITY_ATTRIBUTES sa {sizeof sa, sd, FALSE};
    BOOL made = ::CreateDirectoryW(wide(path).c_str(), &sa);
    Result r = made ? Result() : Result::lastError();
    ::LocalFree(sd);
    return r;
}

}  // namespace platform
