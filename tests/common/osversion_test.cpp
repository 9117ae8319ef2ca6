// What the programs ask of the operating system: its release and, on Windows,
// its kind and the Windows directory.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/osversion.h"
#include "tests/support/testutil.h"

using namespace qrltest;

TEST(OsVersionTest, ReleaseIsTheKernelsOrTheTestSetting) {
    {
        EnvGuard fixed("QUARLAN_OS_RELEASE", "10.6.8");
        EXPECT_EQ(platform::osRelease(), "10.6.8");
    }
    EnvGuard none("QUARLAN_OS_RELEASE", nullptr);
    auto release = platform::osRelease();
    if (onWindows()) {
        EXPECT_FALSE(release);
        EXPECT_TRUE(platform::isWindowsNT());
        EXPECT_GE(platform::windowsMajorVersion(), 5u);
    } else {
        ASSERT_TRUE(release);
        EXPECT_TRUE(!release->empty() && std::isdigit(static_cast<unsigned char>(release->front()))) << *release;
        EXPECT_FALSE(platform::isWindowsNT());
        EXPECT_EQ(platform::windowsMajorVersion(), 0u);
    }
}

TEST(OsVersionTest, WindowsDirectoryComesFromTheRegistryOrTheTestSetting) {
    {
        EnvGuard fixed("QUARLAN_WINDOWS_DIR", "D:\\Win");
        auto dir = platform::windowsDirectory();
        ASSERT_TRUE(dir);
        EXPECT_EQ(dir->path, "D:\\Win");
        EXPECT_EQ(dir->source, "");
    }
    EnvGuard none("QUARLAN_WINDOWS_DIR", nullptr);
    auto dir = platform::windowsDirectory();
    if (!onWindows()) {
        EXPECT_FALSE(dir);
        return;
    }
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->source, "SystemRoot");
    std::string lower;
    for (char c : dir->path) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower, "c:\\windows");
}
