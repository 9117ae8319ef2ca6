#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs.h"
#include "platform/identity.h"
#include "tests/support/testutil.h"

using namespace qrltest;

// Every spelling of one folder is that folder; neighbours and parents are not.
TEST(IdentityTest, AFolderIsItselfUnderEverySpellingAndNothingElse) {
    TempDir dir;
    const std::string kit = dir.file("kit");
    ASSERT_TRUE(platform::makeDir(kit));
    ASSERT_TRUE(platform::makeDir(dir.file("other")));
    writeFile(platform::pathIn(kit, "a.txt"), "x");
    std::error_code ec;
    std::filesystem::create_directory_symlink(kit, dir.file("link"), ec);
    const bool links = !ec;

    struct Row {
        std::string name;
        bool same;
    } rows[] = {
        {kit, true},
        {kit + "/", true},
        {platform::pathIn(kit, "."), true},
        {platform::pathIn(platform::pathIn(dir.file("other"), ".."), "kit"), true},
        {dir.file("other"), false},
        {dir.path(), false},
        {platform::pathIn(kit, "a.txt"), false},
        {dir.file("missing"), false},
    };
    for (const auto& row : rows) EXPECT_EQ(platform::sameFile(row.name, kit), row.same) << row.name;
    if (links) {
        EXPECT_TRUE(platform::sameFile(dir.file("link"), kit));
    }
    EXPECT_FALSE(platform::sameFile(dir.file("missing"), dir.file("missing")));
}

TEST(IdentityTest, WithinWalksUpByIdentityAlongTheNameAndThroughLinks) {
    TempDir dir;
    const std::string home = dir.file("home");
    const std::string desk = platform::pathIn(home, "Desktop");
    ASSERT_TRUE(platform::makeDir(home));
    ASSERT_TRUE(platform::makeDir(desk));
    ASSERT_TRUE(platform::makeDir(dir.file("elsewhere")));

    EXPECT_TRUE(platform::isWithin(desk, home));
    EXPECT_TRUE(platform::isWithin(home, home));
    EXPECT_TRUE(platform::isWithin(platform::pathIn(desk, "not-yet/made"), home));
    EXPECT_TRUE(platform::isWithin(platform::pathIn(dir.file("elsewhere"), "../home/Desktop"), desk));
    EXPECT_FALSE(platform::isWithin(home, desk));
    EXPECT_FALSE(platform::isWithin(dir.file("elsewhere"), home));
    EXPECT_FALSE(platform::isWithin(desk, dir.file("missing")));

    // A link elsewhere that leads into the home directory lies within it.
    std::error_code ec;
    std::filesystem::create_directory_symlink(desk, platform::pathIn(dir.file("elsewhere"), "d"), ec);
    if (!ec) {
        EXPECT_TRUE(platform::isWithin(platform::pathIn(dir.file("elsewhere"), "d"), home));
        EXPECT_TRUE(platform::isWithin(platform::pathIn(dir.file("elsewhere"), "d/new"), home));
    }
}
