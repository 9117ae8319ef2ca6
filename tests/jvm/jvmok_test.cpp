#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/files.h"
#include "common/paths.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"
#include "tests/jvm/standin.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;
using qrl::JvmCriteria;
using qrl::JvmOk;

namespace {

bool anyHas(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

const JvmCriteria kMin11{"", "11", ""};

}  // namespace

TEST(VersionLineTest, BannerWinsWhereverItStands) {
    EXPECT_EQ(qrl::lineVersion("openjdk version \"17.0.15\" 2025-04-15"), "17.0.15");
    EXPECT_EQ(qrl::lineVersion("java version \"1.4.2_05\""), "1.4.2_05");
    EXPECT_EQ(qrl::lineVersion("  java  version  \"25-ea\""), "25-ea");
    // Without a banner: from the first digit to the last one.
    EXPECT_EQ(qrl::lineVersion("1.4.2_05"), "1.4.2_05");
    EXPECT_EQ(qrl::lineVersion("Classic VM (build 1.3.1, green threads) 7"), "1.3.1, green threads) 7");
    EXPECT_EQ(qrl::lineVersion("Error: no JVM here"), "");
    EXPECT_EQ(qrl::lineVersion("java version \"1.8.0"), "1.8.0");  // no closing quote: no banner
    std::string v;
    EXPECT_FALSE(qrl::bannerVersion("Picked up JAVA_TOOL_OPTIONS: -Dx=\"version \"9\"\"", v));
    EXPECT_FALSE(qrl::bannerVersion("version \"9\"", v));

    std::vector<std::string> withNotice{"Picked up JAVA_TOOL_OPTIONS: -Xmx2g -Dlevel=3",
                                        "Picked up _JAVA_OPTIONS: -Dv=1.2", "openjdk version \"21.0.3\" 2024-04-16",
                                        "OpenJDK Runtime Environment (build 21.0.3+9)"};
    EXPECT_EQ(qrl::versionLine(withNotice), "openjdk version \"21.0.3\" 2024-04-16");
    std::vector<std::string> plain{"1.3.1_20", "other 9"};
    EXPECT_EQ(qrl::versionLine(plain), "1.3.1_20");
    EXPECT_EQ(qrl::versionLine({}), "");
}

class CheckVersionTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
};

TEST_F(CheckVersionTest, ReadsTheBannerAfterNoticesAndLimitsTheLine) {
    JvmOk ok(Family::Mac, logsHere());
    writeFile("out.txt", "Picked up JAVA_TOOL_OPTIONS: -Xss9m\nopenjdk version \"17.0.15\" 2025-04-15\n");
    EXPECT_TRUE(ok.checkVersion("out.txt", kMin11));
    EXPECT_FALSE(ok.checkVersion("out.txt", {"", "21", ""}));
    // Without a banner the first line is read, at most 999 characters of it.
    writeFile("out.txt", std::string(995, 'x') + "17.0.15\n");
    EXPECT_TRUE(ok.checkVersion("out.txt", {"17.0", "", ""}));
    EXPECT_FALSE(ok.checkVersion("out.txt", {"17.0.15", "", ""}));

    writeFile("jinstall.log", "");
    EXPECT_FALSE(ok.checkVersion("missing.txt", kMin11));
    EXPECT_TRUE(contains(traceTails("jinstall.log"), "Unable to verify version missing.txt"));
}

TEST_F(CheckVersionTest, PosixTracesOnlyTheFoundVersionMacTheCriteriaToo) {
    writeFile("out.txt", "java version \"1.8.0_392\"\n");
    writeFile("jinstall.log", "");
    writeFile("other.log", "");
    JvmOk posix(Family::Posix, logsHere());
    EXPECT_TRUE(posix.checkVersion("out.txt", {"", "1.8", ""}));
    EXPECT_EQ(traceTails("jinstall.log"), (std::vector<std::string>{"found jvm version: 1.8.0_392"}));

    JvmOk mac(Family::Mac, logsHere("other.log"));
    EXPECT_TRUE(mac.checkVersion("out.txt", {"", "1.8", ""}));
    auto tails = traceTails("other.log");
    ASSERT_FALSE(tails.empty());
    EXPECT_EQ(tails.back(), "version checked ok: true");
    EXPECT_TRUE(contains(tails, "min version 1.8"));
}

// The Windows form: no "-version", the probe started directly with an exact
// argument vector. Runs natively and under wine.
class WindowsProbeTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    EnvGuard record{"FAKEJAVA_RECORD", nullptr};
    EnvGuard version{"FAKEJAVA_VERSION", nullptr};
    EnvGuard classpath{"CLASSPATH", "somewhere"};

    std::string java() const { return dir.file(std::string("jre 8") + (onWindows() ? "\\" : "/") + "javaw.exe"); }
};

TEST_F(WindowsProbeTest, ProbeGetsExactArgumentsAndAnEmptyClassPath) {
    std::string rec = dir.file("rec.txt");
    EnvGuard recordHere("FAKEJAVA_RECORD", rec.c_str());
    copyFakeJava(java(), "1.8.0_392");
    writeFile("TestJvm.class", "probe");
    writeFile("jinstall.log", "");
    JvmOk ok(Family::Windows, logsHere());
    EXPECT_TRUE(ok.testVersion({"", "1.8", ""}, java()));
    std::string expected;
    for (const std::string a : {"javaw.exe", "-cp", ".", "TestJvm"}) expected += std::to_string(a.size()) + ":" + a + "\n";
    // The answer goes to a directory of the test's own, gone afterwards.
    std::string got = readFile(rec);
    ASSERT_EQ(got.substr(0, expected.size()), expected);
    std::string answerDir = got.substr(got.find(':', expected.size()) + 1);
    answerDir.pop_back();
    EXPECT_EQ(answerDir.substr(answerDir.find_last_of("\\/") + 1, 9), "qrlprobe-") << answerDir;
    EXPECT_FALSE(exists(answerDir));
    std::string info = readFile(rec + ".info");
    EXPECT_TRUE(info.find("classpath=\n") != std::string::npos || info.find("classpath=<unset>") != std::string::npos)
        << info;
    auto tails = traceTails("jinstall.log");
    EXPECT_TRUE(contains(tails, "testing  " + java()));
    EXPECT_TRUE(contains(tails, "test jvm launched ok: true"));
    EXPECT_TRUE(contains(tails, "test jvm ok: true"));
    EXPECT_FALSE(exists("jvmGood.txt"));
    EXPECT_FALSE(exists("errors.log"));
}

TEST_F(WindowsProbeTest, WrongOrMissingAnswersAndFailedStartsReject) {
    copyFakeJava(java(), "1.7.0_80");
    JvmOk ok(Family::Windows, logsHere());
    // Without the probe class nothing runs.
    std::string rec = dir.file("rec.txt");
    EnvGuard recordHere("FAKEJAVA_RECORD", rec.c_str());
    EXPECT_TRUE(ok.testVersion({"", "1.8", ""}, java()));
    EXPECT_FALSE(exists(rec));

    writeFile("TestJvm.class", "probe");
    EXPECT_FALSE(ok.testVersion({"", "1.8", ""}, java()));
    EXPECT_TRUE(anyHas(traceTails("errors.log"), "Jvm isn't installed properly."));
    EXPECT_FALSE(exists("jvmGood.txt"));

    // The Windows test of one executable: it must exist and not be a directory.
    EXPECT_FALSE(ok.correctVersion({}, "javaw.exe", dir.file("nothing.exe")));
    EXPECT_FALSE(ok.correctVersion({}, "javaw.exe", dir.path()));
}

TEST_F(WindowsProbeTest, AJvmThatCannotStartIsReportedWithTheSystemsReason) {
    if (!spawnReportsMissingPrograms()) GTEST_SKIP() << "this system starts a missing program and reports exit 127";
    writeFile("TestJvm.class", "probe");
    JvmOk ok(Family::Windows, logsHere());
    EXPECT_FALSE(ok.testVersion({"", "1.8", ""}, dir.file("nothing.exe")));
    EXPECT_TRUE(contains(traceTails("errors.log"), "Error running JVM: File or path is not found: false"));
    // The system's own reason follows, with its code (2 on both systems).
    EXPECT_EQ(traceTails("errors.log").back().substr(0, 10), "  reason: ");
    EXPECT_TRUE(traceTails("errors.log").back().ends_with("(2)")) << traceTails("errors.log").back();
}

TEST_F(WindowsProbeTest, HomeSearchRenamesJreAndRestoresTheName) {
    if (!onWindows()) GTEST_SKIP() << "Windows paths";
    std::string home = dir.file("jdk");
    copyFakeJava(home + "\\bin\\java.exe", "17.0.15");
    JvmOk ok(Family::Windows, logsHere());
    std::string name = "jre", path;
    EXPECT_TRUE(ok.jvmCorrectVersion(kMin11, home, name, path));
    EXPECT_EQ(name, "java.exe");
    EXPECT_EQ(path, home + "\\bin\\java.exe");
    // With the trace file present the windowed launcher is looked for.
    writeFile("jinstall.log", "");
    name = "jre";
    EXPECT_FALSE(ok.jvmCorrectVersion(kMin11, home, name, path));
    EXPECT_EQ(name, "jre");
    copyFakeJava(home + "\\bin\\javaw.exe", "17.0.15");
    EXPECT_TRUE(ok.jvmCorrectVersion(kMin11, home, name, path));
    EXPECT_EQ(name, "javaw.exe");
    // A version known beforehand is verified too.
    name = "javaw.exe";
    EXPECT_FALSE(ok.jvmCorrectVersion(kMin11, "1.6.0_45", home, name, path));
    EXPECT_TRUE(contains(traceTails("jinstall.log"), "jvm doesn't meet criteria"));
    EXPECT_TRUE(ok.jvmCorrectVersion(kMin11, "17.0.15", home, name, path));
}

#ifndef _WIN32

// The POSIX and macOS forms: "-version" through the shell, standard error
// captured into "__qrlvers.log".
class ShellTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    EnvGuard toolOptions{"JAVA_TOOL_OPTIONS", nullptr};
    std::string log = dir.file("starts.log");

    bool correct(Family family, const JvmCriteria& c, const std::string& name, const std::string& path) {
        JvmOk ok(family, logsHere());
        return ok.correctVersion(c, name, path);
    }
};

TEST_F(ShellTest, PathsWithBlanksAndShellCharactersRunAsTheyAre) {
    std::string home = dir.file("my jvms/$(touch pwned) `touch pwned2`; it's");
    makeJvm(home, "17.0.15", log);
    writeFile("jinstall.log", "");
    for (Family f : {Family::Posix, Family::Mac}) {
        std::string name = "java", path;
        JvmOk ok(f, logsHere());
        EXPECT_TRUE(ok.jvmCorrectVersion(kMin11, home, name, path));
        EXPECT_EQ(path, home + "/bin/java");
    }
    EXPECT_FALSE(exists("pwned"));
    EXPECT_FALSE(exists("pwned2"));
    EXPECT_EQ(starts(log).size(), 2u);
    EXPECT_FALSE(exists("__qrlvers.log"));
    auto tails = traceTails("jinstall.log");
    EXPECT_TRUE(contains(tails, "Testing jvm version: " + home + "/bin/java"));
    EXPECT_TRUE(contains(tails, "   result after issuing version command: 0"));
    EXPECT_TRUE(contains(tails, "   results ok:: true"));  // macOS only
    EXPECT_TRUE(contains(tails, "version tested ok: true"));
    EXPECT_TRUE(contains(tails, "jvm fullname: " + home + "/bin/java"));
}

TEST_F(ShellTest, NoticesBeforeTheBannerDoNotHideIt) {
    std::string java = dir.file("jdk/bin/java");
    makeScriptJvm(java, {"Picked up JAVA_TOOL_OPTIONS: -Xmx512m -Dapp.level=3\nNOTE: Picked up JDK_JAVA_OPTIONS: -Dv=2\n"
                         "openjdk version \"11.0.2\" 2019-01-15",
                         "", log});
    EXPECT_TRUE(correct(Family::Posix, kMin11, "java", java));
    EXPECT_FALSE(correct(Family::Posix, {"", "12", ""}, "java", java));

    // The fakejava helper prints the notice a real JVM prints.
    std::string fake = dir.file("fake/bin/java");
    copyFakeJava(fake, "11.0.2");
    EnvGuard opts("JAVA_TOOL_OPTIONS", "-Xmx1g -Dlevel=9");
    EXPECT_TRUE(correct(Family::Posix, {"11.0.2", "", ""}, "java", fake));
}

TEST_F(ShellTest, OwnStandardErrorIsLeftAlone) {
    std::string java = dir.file("jdk/bin/java");
    makeScriptJvm(java, {"openjdk version \"17.0.15\" 2025-04-15", "", log});
    std::fflush(stderr);
    int saved = ::dup(2);
    ASSERT_GE(saved, 0);
    std::string ours = dir.file("our-stderr.txt");
    std::FILE* f = std::fopen(ours.c_str(), "w");
    ASSERT_NE(f, nullptr);
    ::dup2(::fileno(f), 2);
    struct stat before {};
    ::fstat(2, &before);

    bool ok = correct(Family::Posix, kMin11, "java", java);
    // The capture file cannot be created (no private directory, and the
    // current directory's name taken): the candidate fails, stderr stays.
    EnvGuard noTemp("TMPDIR", dir.file("missing").c_str());
    platform::makeDir("__qrlvers.log");
    writeFile("__qrlvers.log/keep", "x");
    bool blocked = correct(Family::Mac, kMin11, "java", java);
    std::fprintf(stderr, "ours\n");
    std::fflush(stderr);

    struct stat after {};
    ::fstat(2, &after);
    ::dup2(saved, 2);
    ::close(saved);
    std::fclose(f);

    EXPECT_TRUE(ok);
    EXPECT_FALSE(blocked);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(readFile(ours), "ours\n");
    auto errors = traceTails("errors.log");
    EXPECT_EQ(errors, (std::vector<std::string>{"Unable to redirect stderr", "unable to start " + java}));
    EXPECT_EQ(starts(log).size(), 1u);
}

TEST_F(ShellTest, ThePosixInstallerShowsAFailedRedirection) {
    std::string java = dir.file("java");
    writeFile(java, "#!/bin/sh\n");
    EnvGuard noTemp("TMPDIR", dir.file("missing").c_str());
    platform::makeDir("__qrlvers.log");
    writeFile("__qrlvers.log/keep", "x");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(correct(Family::Posix, kMin11, "java", java));
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "\nUnable to redirect stderr\n");
    EXPECT_EQ(err, out);
}

TEST_F(ShellTest, RejectedVersionsAreTracedWithTheBanner) {
    std::string java = dir.file("jdk/bin/java");
    makeScriptJvm(java, {"Picked up _JAVA_OPTIONS: -Dx=1\njava version \"1.7.0_80\"", "", log});
    writeFile("jinstall.log", "");
    EXPECT_FALSE(correct(Family::Posix, {"", "1.8", ""}, "java", java));
    auto tails = traceTails("jinstall.log");
    EXPECT_TRUE(contains(tails, "incorrect version of jvm found: " + java));
    EXPECT_TRUE(contains(tails, "jvm version reported: java version \"1.7.0_80\""));
    EXPECT_FALSE(exists("__qrlvers.log"));
    // A directory is no executable: nothing runs.
    EXPECT_FALSE(correct(Family::Posix, {}, "java", dir.file("jdk/bin")));
    EXPECT_EQ(starts(log).size(), 1u);
}

TEST_F(ShellTest, ProbeRunsInTheCurrentDirectoryWithAnEmptyClassPath) {
    TempDir other;
    std::string work = other.file("work dir $HOME"), scratch = other.file("tmp");
    makeDirs(work);
    makeDirs(scratch);
    EnvGuard tmp("TMPDIR", scratch.c_str());
    CwdGuard inWork(work);
    writeFile("TestJvm.class", "probe");
    EnvGuard cp("CLASSPATH", "/elsewhere");
    std::string good = dir.file("good/bin/java");
    makeScriptJvm(good, {"openjdk version \"17.0.15\"", "17.0.15", log});
    EXPECT_TRUE(correct(Family::Posix, kMin11, "java", good));
    auto lines = readLines(log);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], good + " -version");
    // The probe answers in a directory of the test's own, gone afterwards.
    EXPECT_EQ(lines[1].substr(0, lines[1].rfind('-')), good + " -cp . TestJvm " + scratch + "/qrlprobe");
    EXPECT_EQ(lines[2], "CLASSPATH=");
    EXPECT_FALSE(exists("jvmGood.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(scratch));

    // The banner says 17, the probe answers 1.6: the JVM is not sound.
    std::string liar = dir.file("liar/bin/java");
    makeScriptJvm(liar, {"openjdk version \"17.0.15\"", "1.6.0_45", log});
    EXPECT_FALSE(correct(Family::Posix, kMin11, "java", liar));
    EXPECT_TRUE(contains(traceTails("errors.log"), "Jvm isn't installed properly."));
    // No answer at all.
    std::string mute = dir.file("mute/bin/java");
    makeScriptJvm(mute, {"openjdk version \"17.0.15\"", "", log});
    EXPECT_FALSE(correct(Family::Posix, kMin11, "java", mute));
    EXPECT_FALSE(exists("jvmGood.txt"));
}

TEST_F(ShellTest, JreNamesRunWithoutVersionSwitchAndAreRenamed) {
    std::string home = dir.file("jre13");
    makeScriptJvm(home + "/bin/jre", {"1.3.1_20", "", log});
    std::string name = "jre", path;
    JvmOk ok(Family::Posix, logsHere());
    EXPECT_TRUE(ok.jvmCorrectVersion({"", "1.3", ""}, home, name, path));
    EXPECT_EQ(name, "jre");
    EXPECT_EQ(starts(log), (std::vector<std::string>{home + "/bin/jre "}));

    std::string modern = dir.file("jdk");
    makeJvm(modern, "17.0.15", log);
    EXPECT_TRUE(ok.jvmCorrectVersion(kMin11, modern, name, path));
    EXPECT_EQ(name, "java");
    EXPECT_EQ(path, modern + "/bin/java");
    name = "jre";
    EXPECT_FALSE(ok.jvmCorrectVersion({"", "21", ""}, modern, name, path));
    EXPECT_EQ(name, "jre");
    name = "java";
    EXPECT_FALSE(ok.jvmCorrectVersion(kMin11, "1.6", modern, name, path));
}

TEST_F(ShellTest, AnExecutableAlreadyTestedIsNotStartedAgain) {
    std::string java = dir.file("real/bin/java");
    makeJvm(dir.file("real"), "1.7.0_80", log);
    makeDirs(dir.file("link/bin"));
    ASSERT_EQ(::symlink(java.c_str(), dir.file("link/bin/java").c_str()), 0);
    writeFile("jinstall.log", "");
    qrl::JvmRuns runs;
    JvmOk ok(Family::Posix, logsHere());
    ok.shareRuns(&runs);
    EXPECT_FALSE(ok.correctVersion(kMin11, "java", java));
    EXPECT_FALSE(ok.correctVersion(kMin11, "java", dir.file("link/bin/java")));
    EXPECT_EQ(starts(log).size(), 1u);
    EXPECT_EQ(runs.starts, 1u);
    EXPECT_TRUE(contains(traceTails("jinstall.log"), "jvm already tested: " + dir.file("link/bin/java")));
}

#endif

#ifndef _WIN32
// The test writes nothing where it runs: it works from a directory no file
// can be made in (here one removed while it is the current one, which even
// root cannot write in), such as /Applications is for a user.
TEST_F(ShellTest, TestsWorkFromADirectoryNoFileCanBeMadeIn) {
    std::string java = dir.file("jdk/bin/java");
    makeScriptJvm(java, {"openjdk version \"17.0.15\" 2025-04-15", "", log});
    TempDir other;
    std::string gone = other.file("gone");
    makeDirs(gone);
    CwdGuard inGone(gone);
    ASSERT_TRUE(platform::removeDir(gone));
    for (Family f : {Family::Posix, Family::Mac}) EXPECT_TRUE(correct(f, kMin11, "java", java));
    EXPECT_FALSE(correct(Family::Posix, {"", "21", ""}, "java", java));
}
#endif
