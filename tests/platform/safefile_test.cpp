#include "platform/safefile.h"

#include <gtest/gtest.h>

#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

// A new file's name that is taken is told from other refusals: the callers
// that look for a free name try the next one only then.
TEST(SafeFile, ATakenNameIsToldFromOtherRefusals) {
    TempDir tmp;
    std::string taken = tmp.file("taken");
    writeFile(taken, "x");
    platform::Result why;
    EXPECT_EQ(platform::openForWrite(taken, platform::WriteMode::CreateNew, false, &why), nullptr);
    EXPECT_TRUE(platform::nameTaken(why)) << why.text();

    EXPECT_EQ(platform::openForRead(tmp.file("none"), &why), nullptr);
    EXPECT_FALSE(why);
    EXPECT_FALSE(platform::nameTaken(why)) << why.text();

    std::FILE* fresh = platform::openForWrite(tmp.file("fresh"), platform::WriteMode::CreateNew, false, &why);
    ASSERT_NE(fresh, nullptr);
    std::fclose(fresh);
    EXPECT_EQ(readFile(taken), "x");
}

}  // namespace
