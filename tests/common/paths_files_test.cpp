#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/filecopy.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;

TEST(FexistsTest, QuotedNamesAreTestedWithoutTheirQuotes) {
    TempDir dir;
    std::string f = dir.file("with blank.txt");
    writeFile(f, "x");
    EXPECT_TRUE(qrl::pathExists(f));
    EXPECT_TRUE(qrl::pathExists("\"" + f + "\""));
    EXPECT_TRUE(qrl::pathExists("\"" + f));
    EXPECT_FALSE(qrl::pathExists(dir.file("missing")));
    EXPECT_FALSE(qrl::pathExists(""));
    EXPECT_FALSE(qrl::pathExists("\"\""));
}

TEST(IsDirTest, FilesAndMissingPathsAreNotDirectories) {
    TempDir dir;
    writeFile(dir.file("f"), "x");
    EXPECT_TRUE(qrl::isDir(dir.path()));
    EXPECT_FALSE(qrl::isDir(dir.file("f")));
    EXPECT_FALSE(qrl::isDir(dir.file("missing")));
}

TEST(GetCurrentDirTest, NoTrailingSeparatorAndThePosixRootIsEmpty) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    EXPECT_EQ(qrl::getCurrentDir(nativeFamily()), dir.path());
    EXPECT_EQ(qrl::getCurrentDir(nativeFamily(), 3), ".");  // longer than the capacity
    if (!onWindows()) {
        CwdGuard root("/");
        EXPECT_EQ(qrl::getCurrentDir(Family::Posix), "");
        EXPECT_EQ(qrl::getCurrentDir(Family::Mac), "/");
    } else {
        CwdGuard root("C:\\");
        EXPECT_EQ(qrl::getCurrentDir(Family::Windows), "C:");
    }
}

TEST(GetPathPtrTest, LowerThenUpperThenMixedCase) {
    EnvGuard a("path", nullptr), b("PATH", nullptr), c("Path", "only-mixed");
    if (!onWindows()) {
        // Windows names are case-insensitive, so only POSIX can tell them apart.
        EXPECT_EQ(qrl::readPathVariable().value_or("<none>"), "only-mixed");
        EnvGuard d("PATH", "upper");
        EXPECT_EQ(qrl::readPathVariable().value_or("<none>"), "upper");
        EnvGuard e("path", "lower");
        EXPECT_EQ(qrl::readPathVariable().value_or("<none>"), "lower");
    }
    EnvGuard none("Path", nullptr);
    EXPECT_FALSE(qrl::readPathVariable().has_value());
}

TEST(JavaHomeTest, CutsAtTheLastWholeComponentNamedBin) {
    struct Case {
        Family family;
        const char* exe;
        const char* home;
    } cases[] = {
        {Family::Windows, "C:\\jre\\bin\\javaw.exe", "C:\\jre"},
        {Family::Posix, "/opt/java/bin/java", "/opt/java"},
        {Family::Mac, "/Library/Java/Home/bin/java", "/Library/Java/Home"},
        // Letters "bin" inside a name do not cut.
        {Family::Posix, "/opt/cabinet/java", "/opt/cabinet"},
        {Family::Windows, "c:\\binaries\\jre\\java.exe", "c:\\binaries\\jre"},
        {Family::Posix, "/opt/bin-tools/jdk/bin/java", "/opt/bin-tools/jdk"},
        {Family::Posix, "/opt/jdk/bin/amd64/java", "/opt/jdk"},
        {Family::Posix, "/opt/bin/jdk/bin/java", "/opt/bin/jdk"},
        {Family::Windows, "C:\\JRE\\BIN\\JAVAW.EXE", "C:\\JRE"},
        {Family::Windows, "C:/jre/bin/javaw.exe", "C:/jre"},
        {Family::Posix, "/bin/java", ""},
        {Family::Posix, "/usr/local/jre/java", "/usr/local/jre"},
        {Family::Posix, "java", "java"},
        {Family::Posix, "bin/java", ""},
        {Family::Posix, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qrl::getJavaHomeDirectory(c.exe, c.family), c.home) << c.exe;
}

TEST(JoinPathTest, TheFamilysSeparatorAlwaysAndThePlatformsOnlyWhereNoneEnds) {
    // The programs' joins show in their traces: the separator is written even
    // after a root, and an empty directory names a file below the root.
    EXPECT_EQ(qrl::joinPath("C:\\jre", "bin", Family::Windows), "C:\\jre\\bin");
    EXPECT_EQ(qrl::joinPath("C:\\", "jre", Family::Windows), "C:\\\\jre");
    EXPECT_EQ(qrl::joinPath("", "java", Family::Posix), "/java");
    EXPECT_EQ(qrl::joinPath("/opt/jdk", {"lib", "security", "java.security"}, Family::Mac),
              "/opt/jdk/lib/security/java.security");
    const std::string s(1, onWindows() ? '\\' : '/');
    EXPECT_EQ(platform::pathIn("", "errors.log"), "errors.log");
    EXPECT_EQ(platform::pathIn(s, "errors.log"), s + "errors.log");
    EXPECT_EQ(platform::pathIn("kit", "errors.log"), "kit" + s + "errors.log");
}

TEST(ParseVersionTest, SplitsAtTheLastDotWhenThereAreTwo) {
    struct Case {
        const char* version;
        const char* base;
        const char* micro;
    } cases[] = {
        {"1.4.2", "1.4", "2"}, {"1.4.2_05", "1.4", "2_05"}, {"1.3", "1.3", "0"},
        {"1.4.1.02", "1.4.1", "02"}, {"", "", "0"}, {"17", "17", "0"}, {"17.0.15", "17.0", "15"},
    };
    for (const auto& c : cases) {
        std::string base = "junk", micro = "junk";
        qrl::parseVersion(c.version, base, micro);
        EXPECT_EQ(base, c.base) << c.version;
        EXPECT_EQ(micro, c.micro) << c.version;
    }
}

namespace {

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

}  // namespace

// Lengths around one buffer, one round of buffers and several rounds.
TEST(CopyTest, EveryLengthArrivesWholeAndByteExact) {
    TempDir dir;
    for (size_t length : {0, 1, 29999, 30000, 30001, 45000, 599999, 600000, 600001, 20 * 30000 * 3 + 12345}) {
        std::string data = pattern(length);
        writeFile(dir.file("src"), data);
        writeFile(dir.file("dst"), "old content");
        EXPECT_TRUE(qrl::copyFile(dir.file("src"), dir.file("dst"))) << length;
        EXPECT_TRUE(readFile(dir.file("dst")) == data) << length;
    }
}

TEST(CopyTest, ShortOfMemoryTheCopyTakesFewerBuffersAndFailsOnlyWithoutAny) {
    TempDir dir;
    std::string data = pattern(700000);
    writeFile(dir.file("src"), data);
    auto copyWith = [&](int buffers, const std::string& dst) {
        auto allocate = [&buffers](size_t n) {
            return buffers-- > 0 ? std::unique_ptr<char[]>(new char[n]) : std::unique_ptr<char[]>();
        };
        std::FILE* in = platform::openFile(dir.file("src"), "rb");
        std::FILE* out = platform::openFile(dir.file(dst), "wb");
        bool ok = qrl::copyStreamWith(in, out, allocate);
        std::fclose(in);
        std::fclose(out);
        return ok;
    };
    EXPECT_TRUE(copyWith(3, "three"));
    EXPECT_TRUE(readFile(dir.file("three")) == data);
    EXPECT_FALSE(copyWith(0, "none"));
    EXPECT_FALSE(qrl::copyStream(nullptr, nullptr));
}

TEST(CopyTest, FailuresLeaveNoDestination) {
    TempDir dir;
    writeFile(dir.file("src"), "data");
    EXPECT_FALSE(qrl::copyFile(dir.file("src"), dir.file("no-such-dir") + (onWindows() ? "\\dst" : "/dst")));
    EXPECT_FALSE(exists(dir.file("no-such-dir")));
    EXPECT_FALSE(qrl::copyFile(dir.file("missing"), dir.file("dst")));
    EXPECT_FALSE(exists(dir.file("dst")));
    EXPECT_FALSE(qrl::copyFile(dir.path(), dir.file("dst")));  // a directory is no source
    EXPECT_FALSE(exists(dir.file("dst")));
}

TEST(CopyTest, AppendKeepsWhatWasThereAndReportsSuccess) {
    TempDir dir;
    writeFile(dir.file("log"), "new\n");
    writeFile(dir.file("target"), "old\n");
    EXPECT_TRUE(qrl::appendFile(dir.file("log"), dir.file("target")));
    EXPECT_TRUE(qrl::appendFile(dir.file("log"), dir.file("target")));
    EXPECT_EQ(readFile(dir.file("target")), "old\nnew\nnew\n");
    EXPECT_TRUE(qrl::appendFile(dir.file("log"), dir.file("fresh")));
    EXPECT_EQ(readFile(dir.file("fresh")), "new\n");
    EXPECT_FALSE(qrl::appendFile(dir.file("missing"), dir.file("target")));
}

// What a copy must refuse or fail on, each at once, with the reason in words
// and no destination left behind.
TEST(CopyTest, RefusesWhatIsNoRegularFileAndNeverCopiesShort) {
    TempDir dir;
    writeFile(dir.file("src"), pattern(100000));
    struct Case {
        std::string src, dst;
        std::uint64_t limit;
        std::string why;
    };
    std::vector<Case> cases{
        {dir.path(), dir.file("dst"), qrl::kNoCopyLimit, "not a regular file"},
        {dir.file("src"), dir.file("dst"), 65536, "larger than 65536 bytes"},
        {dir.file("src"), dir.file("src"), qrl::kNoCopyLimit, "the source and the destination are one file"},
    };
#ifndef _WIN32
    // A FIFO would hang a plain open, a device never ends, a sparse file is
    // refused by its size before a byte is read, and a full disk fails the copy.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    writeFile(dir.file("sparse"), "");
    std::filesystem::resize_file(dir.file("sparse"), std::uint64_t{4} << 30);
    std::filesystem::create_symlink(dir.file("src"), dir.file("alias"));
    std::filesystem::create_symlink("/dev/full", dir.file("full"));
    cases.push_back({dir.file("fifo"), dir.file("dst"), qrl::kNoCopyLimit, "not a regular file"});
    cases.push_back({"/dev/zero", dir.file("dst"), qrl::kNoCopyLimit, "not a regular file"});
    cases.push_back({dir.file("sparse"), dir.file("dst"), qrl::kMaxTextFile, "larger than 4 MiB"});
    cases.push_back({dir.file("alias"), dir.path() + "/./src", qrl::kNoCopyLimit,
                     "the source and the destination are one file"});
    cases.push_back({dir.file("src"), dir.file("full"), qrl::kNoCopyLimit, "No space left on device (28)"});
#endif
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(qrl::copyFile(c.src, c.dst, c.limit, &why)) << c.src;
        EXPECT_EQ(why, c.why) << c.src;
        EXPECT_FALSE(exists(dir.file("dst"))) << c.src;
    }
    EXPECT_EQ(readFile(dir.file("src")), pattern(100000));  // never emptied by a copy onto itself
    std::string why;
    EXPECT_FALSE(qrl::appendFile(dir.file("src"), dir.file("src"), &why));
    EXPECT_EQ(why, "the source and the destination are one file");
    EXPECT_EQ(readFile(dir.file("src")), pattern(100000));
}

TEST(LogSystemChangeTest, AppendsOneLinePerChange) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    qrl::logSystemChange("Renamed to C:\\WINNT\\identitydb.obj identitydb.001");
    qrl::logSystemChange("second");
    auto lines = readLines("changes.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Renamed to C:\\WINNT\\identitydb.obj identitydb.001");
    EXPECT_EQ(lines[1], "second");
}

TEST(CaseFunctionsTest, LowerUpperAndCompare) {
    EXPECT_EQ(qrl::asciiLower("Java.EXE"), "java.exe");
    EXPECT_EQ(qrl::compareIgnoreCase("Java Plug-in", "JAVA PLUG-IN"), 0);
    EXPECT_LT(qrl::compareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(qrl::compareIgnoreCase("b", "A"), 0);
    EXPECT_LT(qrl::compareIgnoreCase("ab", "ABC"), 0);
}

TEST(ReadLinesTest, LongLinesContinueAsTheNextLine) {
    TempDir dir;
    writeFile(dir.file("f"), std::string(10, 'a') + "\nshort\n" + "\nlast");
    std::vector<std::string> got;
    EXPECT_TRUE(qrl::readLines(dir.file("f"), 4, [&](std::string& l) {
        got.push_back(l);
        return true;
    }));
    std::vector<std::string> want{"aaaa", "aaaa", "aa", "shor", "t", "", "last"};
    EXPECT_EQ(got, want);
    EXPECT_FALSE(qrl::readLines(dir.file("missing"), 4, [](std::string&) { return true; }));
}

TEST(ReadTextFileTest, OnlyPlainFilesOfBoundedSizeAreReadAndNothingWaits) {
    TempDir dir;
    std::string text, why;
    writeFile(dir.file("f"), "a\r\nb\n");
    ASSERT_TRUE(qrl::readTextFile(dir.file("f"), text, &why));
    EXPECT_EQ(text, "a\r\nb\n");
    // CR LF ends a line on every system, as text-mode reading has it.
    std::vector<std::string> got;
    EXPECT_TRUE(qrl::readLines(dir.file("f"), 10, [&](std::string& l) {
        got.push_back(l);
        return true;
    }));
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b"}));

    EXPECT_FALSE(qrl::readTextFile(dir.path(), text, &why));
    EXPECT_EQ(why, "not a regular file");
    writeFile(dir.file("big"), std::string(qrl::kMaxTextFile + 1, 'x'));
    EXPECT_FALSE(qrl::readTextFile(dir.file("big"), text, &why));
    EXPECT_EQ(why, "larger than 4 MiB");
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(qrl::readTextFile(dir.file("missing"), text, &why));
    EXPECT_FALSE(why.empty());
#ifndef _WIN32
    // A FIFO would wait for a writer, /dev/zero never ends: both are refused
    // at once, by every reader of lines too. A link to a plain file is read.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero"));
    std::filesystem::create_symlink(dir.file("f"), dir.file("link"));
    for (const char* name : {"fifo", "zero"}) {
        EXPECT_FALSE(qrl::readTextFile(dir.file(name), text, &why)) << name;
        EXPECT_EQ(why, "not a regular file");
        EXPECT_FALSE(qrl::readLines(dir.file(name), 10, [](std::string&) { return true; }));
    }
    EXPECT_TRUE(qrl::readTextFile(dir.file("link"), text));
    EXPECT_EQ(text, "a\r\nb\n");
#endif
}
