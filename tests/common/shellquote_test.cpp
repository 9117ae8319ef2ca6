#include <gtest/gtest.h>

#include "common/shellquote.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

TEST(ShellQuoteTest, TheShellGetsBackEveryWordLiterally) {
    if (qrltest::onWindows()) GTEST_SKIP() << "POSIX shell";
    qrltest::TempDir dir;
    qrltest::CwdGuard cwd(dir.path());
    EXPECT_EQ(qrl::shellQuote("/opt/java/bin/java"), "/opt/java/bin/java");
    EXPECT_EQ(qrl::shellQuote(""), "''");
    for (std::string word : {std::string("a b"), std::string("$HOME"), std::string("`id`"), std::string("it's"),
                             std::string("\"dq\""), std::string("back\\slash"), std::string("*"),
                             std::string("$(touch pwned)"), std::string("new\nline"), std::string("")}) {
        std::string cmd = "printf %s " + qrl::shellQuote(word) + " > out.txt";
        ASSERT_EQ(platform::runShell(cmd).status, 0) << cmd;
        EXPECT_EQ(qrltest::readFile("out.txt"), word) << cmd;
    }
    EXPECT_FALSE(qrltest::exists("pwned"));
}
