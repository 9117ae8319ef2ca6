#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "common/trace.h"
#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

const std::regex kStamp(R"(^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d\d:\d\d:\d\d \d{4} $)");

// The message of a log line after checking its 24-character time stamp.
std::string messageOf(const std::string& line) {
    EXPECT_TRUE(line.size() >= 25 && std::regex_match(line.substr(0, 25), kStamp)) << "not a log line: " << line;
    return line.size() >= 25 ? line.substr(25) : std::string();
}

class LogTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    qrl::Trace trace;
};

}  // namespace

TEST(AsctimeTest, BlankPaddedDayAndFixedWidth) {
    std::tm tm{};
    tm.tm_year = 2004 - 1900;
    tm.tm_mon = 5;
    tm.tm_mday = 7;
    tm.tm_wday = 1;
    tm.tm_hour = 9;
    tm.tm_min = 5;
    tm.tm_sec = 3;
    EXPECT_EQ(qrl::asctimeOf(tm), "Mon Jun  7 09:05:03 2004");
    tm.tm_mday = 17;
    tm.tm_hour = 23;
    EXPECT_EQ(qrl::asctimeOf(tm), "Mon Jun 17 23:05:03 2004");
    EXPECT_EQ(qrl::asctimeNow().size(), 24u);
}

TEST_F(LogTest, EachOverloadWritesOneLineInItsForm) {
    trace.logMessage("a.log", "plain message");
    trace.logMessage("a.log", "found jvm version:", "1.4.2_05");
    trace.logMessage("a.log", "count", -42);
    trace.logMessage("a.log", "flag", true);
    trace.logMessage("a.log", "other flag", false);
    auto lines = readLines("a.log");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(messageOf(lines[0]), "plain message");
    EXPECT_EQ(messageOf(lines[1]), "found jvm version: 1.4.2_05");
    EXPECT_EQ(messageOf(lines[2]), "count: -42");
    EXPECT_EQ(messageOf(lines[3]), "flag: true");
    EXPECT_EQ(messageOf(lines[4]), "other flag: false");
}

TEST_F(LogTest, LongTextsAreWrittenWhole) {
    std::string label(7000, 'L');
    std::string text(12000, 'x');
    trace.logMessage("a.log", label, text);
    auto lines = readLines("a.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0]), label + " " + text);
}

TEST_F(LogTest, TracingOnlyIntoExistingFiles) {
    trace.traceMessage("jinstall.log", "nobody listens");
    trace.traceMessage("jinstall.log", "label", 3);
    trace.traceMessage("jinstall.log", "flag", true);
    EXPECT_FALSE(exists("jinstall.log"));

    writeFile(dir.file("jinstall.log"), "");
    trace.traceMessage("jinstall.log", "now", "traced");
    auto lines = readLines("jinstall.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0]), "now traced");
}

TEST_F(LogTest, LogAndTraceCreatesTheErrorLogOnly) {
    trace.logAndTraceMessage("errors.log", "jinstall.log", "Unable to open file", "qrl.control");
    EXPECT_FALSE(exists("jinstall.log"));
    auto lines = readLines("errors.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0]), "Unable to open file qrl.control");

    writeFile(dir.file("jinstall.log"), "");
    trace.logAndTraceMessage("errors.log", "jinstall.log", "Error running JVM: x", false);
    EXPECT_EQ(messageOf(readLines("errors.log").at(1)), "Error running JVM: x: false");
    EXPECT_EQ(messageOf(readLines("jinstall.log").at(0)), "Error running JVM: x: false");
}

TEST_F(LogTest, TermLogEchoesEveryLineOnStandardOutput) {
    writeFile(dir.file("term.log"), "");
    testing::internal::CaptureStdout();
    trace.logMessage("a.log", "echoed", "line");
    trace.logMessage(dir.file("no-such-dir/b.log"), "never written");
    std::string out = testing::internal::GetCapturedStdout();
    auto lines = readLines("a.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(out, lines[0] + "\n");

    std::remove("term.log");
    testing::internal::CaptureStdout();
    trace.logMessage("a.log", "quiet");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
