#include "platform/dirlock.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

// A lock that cannot be taken says why: callers tell a directory another run
// holds from one that cannot be opened.
TEST(DirLock, FailureSaysWhy) {
    if (onWindows()) GTEST_SKIP() << "Windows programs lock no directories";
    TempDir tmp;
    std::string dir = tmp.file("held");
    ASSERT_TRUE(platform::makeDir(dir));
    platform::DirLock first;
    ASSERT_TRUE(first.tryLock(dir));
    platform::DirLock second;
    platform::Result held = second.tryLock(dir);
    EXPECT_FALSE(held);
    EXPECT_EQ(held.code(), EWOULDBLOCK) << held.text();
    platform::Result missing = second.tryLock(tmp.file("none"));
    EXPECT_EQ(missing.code(), ENOENT) << missing.text();
    first.release();
    EXPECT_TRUE(second.tryLock(dir));
}

}  // namespace
