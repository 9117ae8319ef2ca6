// Every Windows program keeps the loader's protections: a randomised base
// (with its relocations), no execution of data, and on x86_64 the whole
// 64-bit address space for that randomisation.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

std::uint32_t le(const std::string& b, size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
    return v;
}

}  // namespace

TEST(WindowsProgramsTest, KeepAslrAndDep) {
    if (onWindows()) GTEST_SKIP() << "reads the programs from the Linux build tree";
    const std::string dist = QRL_DIST_ROOT;
    struct Set {
        const char* dir;
        std::vector<const char*> programs;
        bool x64;
    };
    const std::vector<Set> sets{
        {"win64", {"Quarlan.exe", "QuarlanConsole.exe", "QuarlanUninstaller.exe", "installer.exe", "update.exe", "cleanup.exe"}, true},
        {"win32", {"installer.exe", "update.exe", "cleanup.exe"}, false}};
    int read = 0;
    for (const Set& set : sets) {
        if (!std::filesystem::is_directory(dist + "/" + set.dir)) continue;
        for (const char* name : set.programs) {
            std::string path = dist + "/" + set.dir + "/" + name;
            SCOPED_TRACE(path);
            std::string b = readFile(path);
            ASSERT_GT(b.size(), 0x200u);
            size_t pe = le(b, 0x3c, 4);
            ASSERT_EQ(b.substr(pe, 4), std::string("PE\0\0", 4));
            std::uint32_t characteristics = le(b, pe + 22, 2);
            size_t opt = pe + 24;
            EXPECT_EQ(le(b, opt, 2), set.x64 ? 0x20bu : 0x10bu);
            std::uint32_t dll = le(b, opt + 70, 2);
            EXPECT_EQ(characteristics & 0x0001u, 0u) << "relocations stripped";
            EXPECT_NE(dll & 0x0040u, 0u) << "no DYNAMIC_BASE";
            EXPECT_NE(dll & 0x0100u, 0u) << "no NX_COMPAT";
            if (set.x64) {
                EXPECT_NE(dll & 0x0020u, 0u) << "no HIGH_ENTROPY_VA";
            }
            ++read;
        }
    }
    if (read == 0) GTEST_SKIP() << "no Windows build in " << dist;
}
