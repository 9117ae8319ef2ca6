// The Windows programs as they ship (Windows only, run under wine): the
// version resource and the manifest as the system reads them, and a library
// search that never looks beside the program or in the current directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/wide_win32.h"
#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

namespace fs = std::filesystem;

struct Program {
    const char* name;
    bool showsWindows;
    bool ships32;  // shipped as a 32-bit program too (dist/win32)
};
const Program kAllPrograms[] = {
    {"installer", true, true}, {"update", true, true},          {"Quarlan", true, false},
    {"QuarlanConsole", false, false}, {"cleanup", false, true},  {"QuarlanUninstaller", false, false},
};

// The programs this build ships: the 32-bit build makes the 32-bit ones.
std::vector<Program> programs() {
    std::vector<Program> out;
    for (const Program& p : kAllPrograms)
        if (sizeof(void*) == 8 || p.ships32) out.push_back(p);
    return out;
}

std::wstring stringValue(const std::vector<char>& info, const wchar_t* name) {
    std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return L"(missing)";
    return value;
}

std::wstring setting(HANDLE context, const wchar_t* ns, const wchar_t* name) {
    wchar_t buffer[256] = {};
    SIZE_T written = 0;
    if (!::QueryActCtxSettingsW(0, context, ns, name, buffer, 255, &written)) return L"(missing)";
    return buffer;
}

bool holdsGuid(const std::vector<char>& data, const GUID& id) {
    for (size_t i = 0; i + sizeof id <= data.size(); ++i)
        if (std::memcmp(data.data() + i, &id, sizeof id) == 0) return true;
    return false;
}

int probe(const std::vector<std::string>& args) {
    return platform::spawn(helperPath("dllprobe"), args).exitCode;
}

}  // namespace

TEST(WinPrograms, EachCarriesTheVersionItsBuildPrints) {
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(QRL_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
    std::wstring version = platform::wide(QRL_VERSION);
    for (const Program& program : programs()) {
        std::string path = helperPath(program.name);
        SCOPED_TRACE(path);
        std::wstring file = platform::wide(path);
        DWORD handle = 0;
        DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(::GetFileVersionInfoW(file.c_str(), 0, size, info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
        EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, patch));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        EXPECT_EQ(stringValue(info, L"FileVersion"), version);
        EXPECT_EQ(stringValue(info, L"ProductVersion"), version);
        EXPECT_EQ(stringValue(info, L"OriginalFilename"), platform::wide(program.name) + L".exe");
        EXPECT_EQ(stringValue(info, L"InternalName"), platform::wide(program.name));
        EXPECT_EQ(stringValue(info, L"ProductName"), platform::wide(QRL_PRODUCT_NAME));
        for (const wchar_t* name : {L"FileDescription", L"CompanyName", L"LegalCopyright"}) {
            std::wstring value = stringValue(info, name);
            EXPECT_TRUE(!value.empty() && value != L"(missing)") << platform::narrow(name);
        }
    }
}

// The manifest is parsed by the system's own reader: one it rejects would
// keep the program from starting at all on Windows.
TEST(WinPrograms, ManifestSettingsAsTheSystemReadsThem) {
    const wchar_t* ns2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
    const GUID windows7 = {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}};
    const GUID windows10 = {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}};
    for (const Program& program : programs()) {
        std::string path = helperPath(program.name);
        SCOPED_TRACE(path);
        std::wstring file = platform::wide(path);
        ACTCTXW request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = file.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(1);
        HANDLE context = ::CreateActCtxW(&request);
        ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << ::GetLastError();

        EXPECT_EQ(setting(context, ns2016, L"longPathAware"), L"true");
        EXPECT_EQ(setting(context, ns2016, L"dpiAwareness"),
                  program.showsWindows ? L"PerMonitorV2, System" : L"(missing)");

        SIZE_T needed = 0;
        ::QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, nullptr, 0, &needed);
        std::vector<char> compatibility(needed);
        EXPECT_TRUE(needed > 0 && ::QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
                                                 compatibility.data(), needed, &needed));
        EXPECT_TRUE(holdsGuid(compatibility, windows7));
        EXPECT_TRUE(holdsGuid(compatibility, windows10));
        ::ReleaseActCtx(context);
    }
}

// dllprobe starts through the entry every program has. A library planted
// beside it or in the current directory is not loaded by name; asked for
// explicitly in the program's directory, the same library loads, so the
// refusal is the search's and not the library's.
TEST(WinPrograms, LibrariesBesideTheProgramOrInTheCurrentDirectoryAreNotLoaded) {
    fs::path beside = fs::path(helperPath("dllprobe")).parent_path();
    ASSERT_TRUE(fs::exists(beside / "qrlplant.dll"));
    EXPECT_EQ(probe({"dllprobe", "qrlplant.dll"}), 1);
    EXPECT_EQ(probe({"dllprobe", "--beside", "qrlplant.dll"}), 0);

    TempDir here;
    fs::copy_file(beside / "qrlplant.dll", fs::path(here.file("qrlhere.dll")));
    CwdGuard cwd(here.path());
    EXPECT_EQ(probe({"dllprobe", "qrlhere.dll"}), 1);
}
