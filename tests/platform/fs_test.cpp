#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;

TEST(ListDirTest, EntriesWithoutDotsAndALimitThatCountsWhatTheSystemReads) {
    TempDir dir;
    writeFile(dir.file("a.txt"), "x");
    writeFile(dir.file("b.txt"), "x");
    ASSERT_TRUE(platform::makeDir(dir.file("sub")));
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::listDir(dir.path(), entries));
    std::vector<std::string> names;
    for (const auto& e : entries) {
        names.push_back(e.name);
        EXPECT_EQ(e.isDirectory, e.name == "sub") << e.name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "sub"}));

    // "." and ".." count towards the limit where the system lists them.
    ASSERT_TRUE(platform::listDir(dir.path(), entries, 5));
    EXPECT_EQ(entries.size(), 3u);
    ASSERT_TRUE(platform::listDir(dir.path(), entries, 3));
    EXPECT_GE(entries.size(), 1u);
    EXPECT_LE(entries.size(), 3u);
    EXPECT_FALSE(platform::listDir(dir.file("missing"), entries));
}
