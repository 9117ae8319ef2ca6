#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/files.h"
#include "common/paths.h"
#include "launcher/properties.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;
using qrl::LauncherProperties;
using qrl::JvmCriteria;
using qrl::LaunchSettings;

namespace {

// Backslashes written as the file's escapes want them.
std::string esc(const std::string& text) {
    std::string out;
    for (char c : text) out += (c == '\\' ? "\\\\" : std::string(1, c));
    return out;
}

std::string propsName(Family family, std::string_view path, std::string* dir = nullptr) {
    LauncherProperties p(family, logsHere(qrl::kLauncherTrace));
    std::string programDir;
    if (!p.getPropertiesFilename(path, programDir)) return "<false>";
    if (dir) *dir = programDir;
    return p.getPropertyFilename();
}

class ParseTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};

    LaunchSettings parse(const std::string& content, qrl::JvmFinder finder = {}, bool* ok = nullptr) {
        writeFile(dir.file("app.properties"), content);
        LauncherProperties p(nativeFamily(), logsHere(qrl::kLauncherTrace), std::move(finder));
        p.setPropertyFilename(dir.file("app.properties"));
        LaunchSettings s;
        s.workingDir = "DEFAULT";
        bool result = p.parseParameters(s);
        if (ok) *ok = result;
        return s;
    }
};

}  // namespace

TEST(PropertiesFilenameTest, WindowsPathsQuotedUnquotedAndBare) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    std::string programDir;
    EXPECT_EQ(propsName(Family::Windows, "\"C:\\Apps\\Editor\\Editor.exe\" -x", &programDir),
              "C:\\Apps\\Editor\\Quarlan\\Editor.properties");
    EXPECT_EQ(programDir, "C:\\Apps\\Editor");
    EXPECT_EQ(propsName(Family::Windows, "C:\\Apps\\My.Tool.exe"), "C:\\Apps\\Quarlan\\My.Tool.properties");
    EXPECT_EQ(propsName(Family::Windows, "C:\\Apps\\Editor"), "C:\\Apps\\Quarlan\\Editor.properties");
    // The whole text counts when it is handed over unsplit.
    EXPECT_EQ(propsName(Family::Windows, "C:\\Apps\\Editor.exe -x"), "C:\\Apps\\Quarlan\\Editor.properties");
    std::string here = qrl::getCurrentDir(Family::Windows);
    EXPECT_EQ(propsName(Family::Windows, "Editor.exe"), here + "\\Quarlan\\Editor.properties");
    EXPECT_EQ(propsName(Family::Windows, ".\\Editor.exe"), here + "\\Quarlan\\Editor.properties");
    EXPECT_EQ(propsName(Family::Windows, ""), "<false>");
    EXPECT_EQ(propsName(Family::Windows, "\"\" -x"), "<false>");
    EXPECT_EQ(propsName(Family::Mac, "/Applications/Editor"), "/Applications/Quarlan/Editor.properties");
    EXPECT_EQ(propsName(Family::Mac, "/opt/app/bin/my.editor.sh"), "/opt/app/bin/Quarlan/my.editor.properties");
}

TEST_F(ParseTest, EscapesPrefixKeysBlanksAndLineEnds) {
    auto s = parse(
        "# a comment\r\n"
        "programName = Editor \r\n"
        "execFilename=C\\:\\\\Program Files\\\\Java\\\\bin\\\\javaw.exe\r\n"
        "args=-cp lib\\\\a.jar Main\\ x\\n\\u0041\\\n"
        "jvmMinVersion=1.4\n"
        "jvmMaxVersion=1.5\n"
        "jvmRequiredVersion\n"
        " startDir=ignored, leading blank\n"
        "startDir=C\\:\\\\work dir \n");
    EXPECT_EQ(s.programName, "= Editor ");
    EXPECT_EQ(s.executable, "C:\\Program Files\\Java\\bin\\javaw.exe");
    EXPECT_EQ(s.arguments, "-cp lib\\a.jar Main xnu0041");
    EXPECT_EQ(s.criteria.minimum, "1.4");
    EXPECT_EQ(s.criteria.maximum, "1.5");
    EXPECT_EQ(s.criteria.required, "");
    EXPECT_EQ(s.workingDir, "C:\\work dir ");
}

TEST_F(ParseTest, LaterEntriesWinAndPrefixesMatch) {
    // The value starts one character after the key, whatever that character is.
    auto s = parse("args=first\nargsFoo=1\nprogramName:Tool\n");
    EXPECT_EQ(s.arguments, "oo=1");
    EXPECT_EQ(s.programName, "Tool");
    EXPECT_EQ(s.workingDir, "DEFAULT");  // no startDir line keeps the default
    auto empty = parse("startDir=\nargs=");
    EXPECT_EQ(empty.workingDir, "");
    EXPECT_EQ(empty.arguments, "");
}

TEST_F(ParseTest, EightBitFilesAreReadAsLatin1) {
    auto s = parse("programName=Jos\xe9\nargs=caf\xc3\xa9\n");
    EXPECT_EQ(s.programName, "Jos\xc3\xa9");
    EXPECT_EQ(s.arguments, "caf\xc3\xa9");  // UTF-8 stays as it is
}

TEST_F(ParseTest, LongLinesAreCutTheirRestIsNeverALineAndValuesCut) {
    // A line is read up to 9998 characters; what follows on that line is skipped.
    std::string value(9998 - 5, 'a');
    std::string longLine = "args=" + value + "execFilename=/other/program";
    std::string longName = "programName=" + std::string(6000, 'n');
    auto s = parse("execFilename=/usr/bin/java\n" + longLine + "\n" + "programName=" + std::string(6000, 'p') + "\n");
    EXPECT_EQ(s.arguments, value);
    EXPECT_EQ(s.executable, "/usr/bin/java");
    EXPECT_EQ(s.programName.size(), qrl::kPropNameCapacity);
    auto n = parse(longName + "\n");
    EXPECT_EQ(n.programName, std::string(qrl::kPropNameCapacity, 'n'));
}

// A missing file, and anything but a plain file (read at once, never waited
// for): the parse fails and the error log names the file and the reason.
TEST_F(ParseTest, OnlyAPlainFileIsReadTheRestFailsAtOnceWithTheReason) {
    struct Case {
        std::function<void(const std::string&)> make;
        std::string reason;  // empty: the system's own words
    };
    std::vector<Case> cases{
        {[](const std::string&) {}, ""},
        {[](const std::string& f) { EXPECT_TRUE(platform::makeDir(f)); }, "not a regular file"},
#ifndef _WIN32
        {[](const std::string& f) { ::mkfifo(f.c_str(), 0600); }, "not a regular file"},
        {[](const std::string& f) { std::filesystem::create_symlink("/dev/zero", f); }, "not a regular file"},
#endif
    };
    for (const Case& c : cases) {
        std::string file = dir.file("odd.properties");
        std::filesystem::remove_all(std::filesystem::u8path(file));
        (void)platform::removeFile("errors.log");  // none before the first case
        c.make(file);
        LauncherProperties p(nativeFamily(), logsHere(qrl::kLauncherTrace));
        p.setPropertyFilename(file);
        LaunchSettings s;
        EXPECT_FALSE(p.parseParameters(s));
        auto lines = readLines("errors.log");
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_NE(lines[0].find(" Unable to open file " + file), std::string::npos);
        EXPECT_TRUE(c.reason.empty() ? lines[1].find("  reason: ") != std::string::npos
                                     : lines[1].ends_with("  reason: " + c.reason))
            << lines[1];
    }
}

TEST_F(ParseTest, QuotedExecutableIsTestedAndHandedOnWithoutQuotes) {
    writeFile(dir.file("my java.exe"), "x");
    bool searched = false;
    auto finder = [&](const JvmCriteria&) {
        searched = true;
        return qrl::JvmSearchAnswer{"x", ""};
    };
    auto s = parse("execFilename=\"" + esc(dir.file("my java.exe")) + "\"\n", finder);
    EXPECT_EQ(s.executable, dir.file("my java.exe"));
    EXPECT_FALSE(searched);
}

TEST_F(ParseTest, TraceLinesOnlyWhenTheTraceFileExists) {
    parse("programName=Editor\n");
    EXPECT_FALSE(exists("startapp.log"));
    writeFile("startapp.log", "");
    parse("programName=Editor\n");
    auto trace = readLines("startapp.log");
    EXPECT_NE(std::find_if(trace.begin(), trace.end(), [](const std::string& l) { return l.ends_with(" programName: Editor"); }), trace.end());
    EXPECT_TRUE(trace.back().ends_with(" parsed parameters ok: true")) << trace.back();
}

TEST_F(ParseTest, RepairKeepsTheConfiguredProgramInsideTheNewJvm) {
    // The recorded JVM has gone; the search finds another one.
    std::string sep = onWindows() ? "\\" : "/";
    std::string newBin = dir.path() + sep + "jdk8" + sep + "bin";
    std::filesystem::create_directories(std::filesystem::u8path(newBin));
    writeFile(newBin + sep + "java.exe", "x");
    JvmCriteria seen;
    auto finder = [&](const JvmCriteria& c) {
        seen = c;
        return qrl::JvmSearchAnswer{newBin + sep + "java.exe", ""};
    };
    std::string gone = dir.path() + sep + "jre6" + sep + "bin" + sep + "javaw.exe";
    auto s = parse("jvmMinVersion=1.6\njvmMaxVersion=1.8\nexecFilename=\"" + esc(gone) + "\"\n", finder);
    EXPECT_EQ(s.executable, newBin + sep + "javaw.exe");
    EXPECT_EQ(seen.minimum, "1.6");
    EXPECT_EQ(seen.maximum, "1.8");
}

TEST_F(ParseTest, RepairOnlyForJavaExecutablesAndOnlyWhenFound) {
    int calls = 0;
    auto none = [&](const JvmCriteria&) {
        ++calls;
        return qrl::JvmSearchAnswer{"", "Java 11 was found in /jdk-11, but version 17 or later is needed."};
    };
    auto s = parse("execFilename=/gone/run.bat\n", none);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(s.executable, "/gone/run.bat");
    s = parse("execFilename=/gone/jre/bin/java\n", none);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.executable, "/gone/jre/bin/java");
    EXPECT_EQ(s.noJvmReason, "Java 11 was found in /jdk-11, but version 17 or later is needed.");
    // A found path that does not exist changes nothing either.
    auto bogus = [&](const JvmCriteria&) { return qrl::JvmSearchAnswer{"/nowhere/bin/java", ""}; };
    s = parse("execFilename=/gone/java/bin/java\n", bogus);
    EXPECT_EQ(s.executable, "/gone/java/bin/java");
}
