#include "platform/registry.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

using platform::RegRoot;
using platform::RegView;

// The keys tests stand in for are named as the real keys and live below the
// tests' own key; every other key stays where it is.
class RegistryTestRoot : public ::testing::Test {
protected:
    std::string root = "Software\\QuarlanTest\\registry" + std::to_string(std::random_device{}());

    void SetUp() override {
        if (!onWindows()) GTEST_SKIP() << "the Windows registry";
    }
    void TearDown() override {
        if (onWindows()) { EXPECT_TRUE(platform::regDeleteTree(RegRoot::CurrentUser, root)); }
    }
};

TEST_F(RegistryTestRoot, TestKeysAreReadAndWrittenBelowIt) {
    const std::string jre = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8";
    {
        EnvGuard env{"QUARLAN_REGISTRY_ROOT", root.c_str()};
        ASSERT_TRUE(platform::regSetString(RegRoot::LocalMachine, jre, "JavaHome", "c:\\jre"));
        EXPECT_EQ(platform::regString(RegRoot::CurrentUser, root + "\\" + jre, "JavaHome"), "c:\\jre");
        // Names compare as the registry compares them.
        std::vector<std::string> names;
        EXPECT_TRUE(platform::regSubkeys(RegRoot::LocalMachine, "software\\javasoft\\Java Runtime Environment",
                                         RegView::Own, names));
        EXPECT_EQ(names, std::vector<std::string>{"1.8"});
        EXPECT_EQ(platform::regKeyName(RegRoot::LocalMachine, jre), "HKCU\\" + root + "\\" + jre);
        EXPECT_EQ(platform::regKeyName(RegRoot::CurrentUser, "Control Panel\\International"),
                  "HKCU\\" + root + "\\Control Panel\\International");

        // A key beside them, one whose name only begins alike and the tests'
        // own keys are not moved.
        for (const char* key : {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SOFTWARE\\JavaSoftware"})
            EXPECT_EQ(platform::regKeyName(RegRoot::LocalMachine, key), std::string("HKLM\\") + key);
        EXPECT_EQ(platform::regKeyName(RegRoot::CurrentUser, root), "HKCU\\" + root);

        ASSERT_TRUE(platform::regDeleteTree(RegRoot::LocalMachine, "SOFTWARE\\JavaSoft"));
        EXPECT_FALSE(platform::regKeyExists(RegRoot::CurrentUser, root + "\\SOFTWARE\\JavaSoft", RegView::Own));
    }
    EXPECT_EQ(platform::regKeyName(RegRoot::LocalMachine, jre), "HKLM\\" + jre);
}

TEST_F(RegistryTestRoot, FailuresKeepTheSystemsReason) {
    std::vector<std::string> names;
    platform::Result missing = platform::regSubkeys(RegRoot::CurrentUser, root + "\\none", RegView::Own, names);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.code(), 2) << missing.text();  // ERROR_FILE_NOT_FOUND
    EXPECT_TRUE(names.empty());
    // A whole root is never removed; a key that is not there is gone already.
    EXPECT_FALSE(platform::regDeleteTree(RegRoot::CurrentUser, ""));
    EXPECT_TRUE(platform::regDeleteTree(RegRoot::CurrentUser, root + "\\none"));
}

}  // namespace
