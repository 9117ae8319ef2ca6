#include <gtest/gtest.h>

#include "platform/cmdline.h"

using platform::buildWindowsCommandLine;
using platform::splitWindowsCommandLine;

TEST(WindowsCommandLineTest, EveryEntryRoundTrips) {
    std::vector<std::vector<std::string>> vectors{
        {"prog.exe", "a b", "say \"hi\"", "C:\\Program Files\\x\\", "", "&|<>^%PATH%"},
        {"C:\\Program Files\\Java\\bin\\java.exe", "-cp", "lib\\a b.jar", "Main"},
        {"p", "\\", "\\\\", "\\\"", "a\\\\\"b", "\t", "x\ny", "\"\"", "trailing\\"},
        {"p"},
        {"p", "たろう", "é"},
    };
    for (const auto& v : vectors) {
        std::string line = buildWindowsCommandLine(v);
        EXPECT_EQ(splitWindowsCommandLine(line), v) << line;
    }
}

TEST(WindowsCommandLineTest, QuotingIsMinimal) {
    EXPECT_EQ(platform::quoteWindowsArg("plain"), "plain");
    EXPECT_EQ(platform::quoteWindowsArg(""), "\"\"");
    EXPECT_EQ(platform::quoteWindowsArg("a b"), "\"a b\"");
    EXPECT_EQ(platform::quoteWindowsArg("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(platform::quoteWindowsArg("C:\\My Files\\"), "\"C:\\My Files\\\\\"");
    EXPECT_EQ(platform::quoteWindowsArg("say \"hi\""), "\"say \\\"hi\\\"\"");
}

TEST(WindowsCommandLineTest, SplitsLikeTheCRuntime) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitWindowsCommandLine("a.exe b  c"), (V{"a.exe", "b", "c"}));
    EXPECT_EQ(splitWindowsCommandLine("\"C:\\My App\\a.exe\" \"x y\" z"), (V{"C:\\My App\\a.exe", "x y", "z"}));
    EXPECT_EQ(splitWindowsCommandLine("a \"b\"\"c\" d"), (V{"a", "b\"c", "d"}));
    EXPECT_EQ(splitWindowsCommandLine("a \\\\\"b c\""), (V{"a", "\\b c"}));
    EXPECT_EQ(splitWindowsCommandLine("a x\\y\\"), (V{"a", "x\\y\\"}));
}

TEST(WindowsCommandLineTest, FirstTokenIsTheProgramPath) {
    std::string_view rest;
    EXPECT_EQ(platform::firstWindowsToken("C:\\Apps\\Editor.exe C:\\docs\\a.txt", &rest), "C:\\Apps\\Editor.exe");
    EXPECT_EQ(rest, "C:\\docs\\a.txt");
    EXPECT_EQ(platform::firstWindowsToken("\"C:\\My Apps\\Editor.exe\" -x", &rest), "C:\\My Apps\\Editor.exe");
    EXPECT_EQ(rest, "-x");
    EXPECT_EQ(platform::firstWindowsToken("\"unterminated path", &rest), "unterminated path");
    EXPECT_EQ(rest, "");
}
