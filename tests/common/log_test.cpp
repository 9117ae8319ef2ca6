#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "common/log.h"
#include "common/logs.h"
#include "platform/fs.h"
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
    qrl::Logs logs = logsHere("a.log");
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
    writeFile("a.log", "");
    logs.trace("plain message");
    logs.trace("found jvm version:", "1.4.2_05");
    logs.trace("count", -42);
    logs.trace("flag", true);
    logs.trace("other flag", false);
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
    writeFile("a.log", "");
    logs.trace(label, text);
    auto lines = readLines("a.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0]), label + " " + text);
}

TEST_F(LogTest, TracingOnlyIntoExistingFiles) {
    qrl::Logs installer = logsHere();
    installer.trace("nobody listens");
    installer.trace("label", 3);
    installer.trace("flag", true);
    EXPECT_FALSE(exists("jinstall.log"));

    writeFile(dir.file("jinstall.log"), "");
    installer.trace("now", "traced");
    auto lines = readLines("jinstall.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0]), "now traced");
}

TEST_F(LogTest, ErrorsCreateTheErrorLogOnly) {
    qrl::Logs installer = logsHere();
    installer.error("Unable to open file", "qrl.control");
    EXPECT_FALSE(exists("jinstall.log"));
    auto lines = readLines("errors.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0]), "Unable to open file qrl.control");

    writeFile(dir.file("jinstall.log"), "");
    installer.error("Error running JVM: x", false);
    EXPECT_EQ(messageOf(readLines("errors.log").at(1)), "Error running JVM: x: false");
    EXPECT_EQ(messageOf(readLines("jinstall.log").at(0)), "Error running JVM: x: false");
}

TEST_F(LogTest, TermLogEchoesEveryLineOnStandardOutput) {
    writeFile(dir.file("term.log"), "");
    testing::internal::CaptureStdout();
    writeFile("a.log", "");
    logs.trace("echoed", "line");
    qrl::Logs::appendLine(dir.file("no-such-dir/b.log"), "never written");
    std::string out = testing::internal::GetCapturedStdout();
    auto lines = readLines("a.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(out, lines[0] + "\n");

    std::remove("term.log");
    testing::internal::CaptureStdout();
    logs.trace("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(LogTest, LogsStayWhereTheRunStartedWhateverTheCurrentDirectory) {
    writeFile("jinstall.log", "");
    qrl::Logs installer = logsHere();
    ASSERT_TRUE(platform::makeDir(dir.file("elsewhere"), 0700));
    {
        CwdGuard moved(dir.file("elsewhere"));
        installer.error("Unable to start", "x");
        installer.trace("traced");
        installer.withTrace("jdebug.log").trace("not switched on");
    }
    EXPECT_EQ(installer.errorLog(), dir.file("errors.log"));
    EXPECT_EQ(readLines("errors.log").size(), 1u);
    EXPECT_EQ(readLines("jinstall.log").size(), 2u);
    EXPECT_FALSE(exists(dir.file("elsewhere/errors.log")));
    EXPECT_FALSE(exists(dir.file("elsewhere/jinstall.log")));
    EXPECT_FALSE(exists(dir.file("jdebug.log")));
}

TEST_F(LogTest, ALogWithASecondNameElsewhereIsNeverWritten) {
    // errors.log as a hard link to a file outside the logs' folder: writing
    // the log would change that file.
    TempDir elsewhere;
    std::string victim = elsewhere.file("config.ini");
    writeFile(victim, "keep\n");
    std::filesystem::create_hard_link(std::filesystem::u8path(victim), std::filesystem::u8path(dir.file("errors.log")));
    logsHere().error("Unable to open file", "qrl.control");
    EXPECT_EQ(readFile(victim), "keep\n");
}
