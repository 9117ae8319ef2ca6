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
using qrl::JvmReason;
using qrl::JvmTester;

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
    EXPECT_FALSE(qrl::bannerVersion("Picked up JAVA_TOOL_OPTIONS: -Dx=\"version \"9\"\""));
    EXPECT_FALSE(qrl::bannerVersion("version \"9\""));

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
    auto accepts = [](const JvmCriteria& c) {
        auto line = qrl::outputVersionLine("out.txt");
        return line && qrl::versionVerdict(c, qrl::lineVersion(*line)) == JvmReason::Accepted;
    };
    writeFile("out.txt", "Picked up JAVA_TOOL_OPTIONS: -Xss9m\nopenjdk version \"17.0.15\" 2025-04-15\n");
    EXPECT_TRUE(accepts(kMin11));
    EXPECT_FALSE(accepts({"", "21", ""}));
    // Without a banner the first line is read, at most 999 characters of it.
    writeFile("out.txt", std::string(995, 'x') + "17.0.15\n");
    EXPECT_TRUE(accepts({"17.0", "", ""}));
    EXPECT_FALSE(accepts({"17.0.15", "", ""}));
    EXPECT_FALSE(qrl::outputVersionLine("missing.txt"));
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
    JvmTester ok(Family::Windows, logsHere());
    EXPECT_TRUE(ok.testProgram("javaw.exe", java(), {"", "1.8", ""}).accepted());
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
    JvmTester ok(Family::Windows, logsHere());
    // Without the probe class nothing runs.
    std::string rec = dir.file("rec.txt");
    EnvGuard recordHere("FAKEJAVA_RECORD", rec.c_str());
    EXPECT_TRUE(ok.testProgram("javaw.exe", java(), {"", "1.8", ""}).accepted());
    EXPECT_FALSE(exists(rec));

    writeFile("TestJvm.class", "probe");
    EXPECT_EQ(ok.testProgram("javaw.exe", java(), {"", "1.8", ""}).reason, JvmReason::ProbeVersion);
    EXPECT_TRUE(anyHas(traceTails("errors.log"), "Jvm isn't installed properly."));
    EXPECT_FALSE(exists("jvmGood.txt"));

    // The Windows test of a home: its program must exist and not be a directory.
    EXPECT_EQ(ok.testJvm({dir.path(), "nothing.exe"}, {}).reason, JvmReason::NoExecutable);
    makeDirs(dir.file("javaw.exe"));
    EXPECT_EQ(ok.testJvm({dir.path(), "javaw.exe"}, {}).reason, JvmReason::NoExecutable);
}

TEST_F(WindowsProbeTest, AJvmThatCannotStartIsReportedWithTheSystemsReason) {
    if (!spawnReportsMissingPrograms()) GTEST_SKIP() << "this system starts a missing program and reports exit 127";
    writeFile("TestJvm.class", "probe");
    JvmTester ok(Family::Windows, logsHere());
    EXPECT_EQ(ok.testProgram("nothing.exe", dir.file("nothing.exe"), {"", "1.8", ""}).reason,
              JvmReason::ProbeNotStarted);
    EXPECT_TRUE(contains(traceTails("errors.log"), "Error running JVM: File or path is not found: false"));
    // The system's own reason follows, with its code (2 on both systems).
    EXPECT_EQ(traceTails("errors.log").back().substr(0, 10), "  reason: ");
    EXPECT_TRUE(traceTails("errors.log").back().ends_with("(2)")) << traceTails("errors.log").back();
}

TEST_F(WindowsProbeTest, HomeSearchRenamesJreAndRestoresTheName) {
    if (!onWindows()) GTEST_SKIP() << "Windows paths";
    std::string home = dir.file("jdk");
    copyFakeJava(home + "\\bin\\java.exe", "17.0.15");
    std::string name = "jre", path;
    EXPECT_TRUE(testHome(Family::Windows, kMin11, home, name, path));
    EXPECT_EQ(name, "java.exe");
    EXPECT_EQ(path, home + "\\bin\\java.exe");
    // With the trace file present the windowed launcher is looked for.
    writeFile("jinstall.log", "");
    name = "jre";
    EXPECT_FALSE(testHome(Family::Windows, kMin11, home, name, path));
    EXPECT_EQ(name, "jre");
    copyFakeJava(home + "\\bin\\javaw.exe", "17.0.15");
    EXPECT_TRUE(testHome(Family::Windows, kMin11, home, name, path));
    EXPECT_EQ(name, "javaw.exe");
    // A version known beforehand is verified too.
    name = "javaw.exe";
    EXPECT_FALSE(testHome(Family::Windows, kMin11, home, name, path, "1.6.0_45"));
    EXPECT_TRUE(contains(traceTails("jinstall.log"), "jvm doesn't meet criteria"));
    EXPECT_TRUE(testHome(Family::Windows, kMin11, home, name, path, "17.0.15"));
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

    // The test of the program at `path`, as the test of its directory runs it.
    bool correct(Family family, const JvmCriteria& c, const std::string& path) {
        std::filesystem::path p(path);
        return JvmTester(family, logsHere()).testJvm({p.parent_path().string(), p.filename().string()}, c).accepted();
    }
};

TEST_F(ShellTest, PathsWithBlanksAndShellCharactersRunAsTheyAre) {
    std::string home = dir.file("my jvms/$(touch pwned) `touch pwned2`; it's");
    makeJvm(home, "17.0.15", log);
    writeFile("jinstall.log", "");
    for (Family f : {Family::Posix, Family::Mac}) {
        std::string name = "java", path;
        EXPECT_TRUE(testHome(f, kMin11, home, name, path));
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
    EXPECT_TRUE(correct(Family::Posix, kMin11, java));
    EXPECT_FALSE(correct(Family::Posix, {"", "12", ""}, java));

    // The fakejava helper prints the notice a real JVM prints.
    std::string fake = dir.file("fake/bin/java");
    copyFakeJava(fake, "11.0.2");
    EnvGuard opts("JAVA_TOOL_OPTIONS", "-Xmx1g -Dlevel=9");
    EXPECT_TRUE(correct(Family::Posix, {"11.0.2", "", ""}, fake));
}

TEST_F(ShellTest, VersionTracesFollowTheFamily) {
    std::string java = dir.file("jdk/bin/java");
    makeScriptJvm(java, {"java version \"1.8.0_392\"", "", log});
    // The lines the verification of a version traces, in their order.
    auto versionTraces = [] {
        std::vector<std::string> out;
        for (const auto& l : traceTails("jinstall.log"))
            for (const char* head : {"jvm version ", "req version", "min version", "max version", "found jvm version",
                                     "       version ok", "version checked ok"})
                if (l.starts_with(head) && !l.starts_with("jvm version reported")) {
                    out.push_back(l);
                    break;
                }
        return out;
    };
    writeFile("jinstall.log", "");
    EXPECT_TRUE(correct(Family::Posix, {"", "1.8", ""}, java));
    EXPECT_EQ(versionTraces(), (std::vector<std::string>{"found jvm version: 1.8.0_392"}));

    writeFile("jinstall.log", "");
    EXPECT_TRUE(correct(Family::Mac, {"", "1.8", ""}, java));
    auto mac = versionTraces();
    ASSERT_FALSE(mac.empty());
    EXPECT_EQ(mac.back(), "version checked ok: true");
    EXPECT_TRUE(contains(mac, "min version 1.8"));

    writeFile("jinstall.log", "");
    EXPECT_FALSE(correct(Family::Mac, {"", "21", ""}, java));
    EXPECT_EQ(versionTraces(),
              (std::vector<std::string>{"jvm version 1.8.0_392", "req version ", "min version 21", "max version ",
                                        "found jvm version: 1.8.0_392", "       version ok: false",
                                        "version checked ok: false"}));
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

    bool ok = correct(Family::Posix, kMin11, java);
    // The capture file cannot be created (no private directory, and the
    // current directory's name taken): the candidate fails, stderr stays.
    EnvGuard noTemp("TMPDIR", dir.file("missing").c_str());
    ASSERT_TRUE(platform::makeDir("__qrlvers.log"));
    writeFile("__qrlvers.log/keep", "x");
    bool blocked = correct(Family::Mac, kMin11, java);
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
    ASSERT_TRUE(platform::makeDir("__qrlvers.log"));
    writeFile("__qrlvers.log/keep", "x");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(correct(Family::Posix, kMin11, java));
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "\nUnable to redirect stderr\n");
    EXPECT_EQ(err, out);
}

TEST_F(ShellTest, RejectedVersionsAreTracedWithTheBanner) {
    std::string java = dir.file("jdk/bin/java");
    makeScriptJvm(java, {"Picked up _JAVA_OPTIONS: -Dx=1\njava version \"1.7.0_80\"", "", log});
    writeFile("jinstall.log", "");
    EXPECT_FALSE(correct(Family::Posix, {"", "1.8", ""}, java));
    auto tails = traceTails("jinstall.log");
    EXPECT_TRUE(contains(tails, "incorrect version of jvm found: " + java));
    EXPECT_TRUE(contains(tails, "jvm version reported: java version \"1.7.0_80\""));
    EXPECT_FALSE(exists("__qrlvers.log"));
    // A directory is no executable: nothing runs.
    EXPECT_FALSE(correct(Family::Posix, {}, dir.file("jdk/bin")));
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
    EXPECT_TRUE(correct(Family::Posix, kMin11, good));
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
    EXPECT_FALSE(correct(Family::Posix, kMin11, liar));
    EXPECT_TRUE(contains(traceTails("errors.log"), "Jvm isn't installed properly."));
    // No answer at all.
    std::string mute = dir.file("mute/bin/java");
    makeScriptJvm(mute, {"openjdk version \"17.0.15\"", "", log});
    writeFile("jinstall.log", "");
    EXPECT_FALSE(correct(Family::Posix, kMin11, mute));
    EXPECT_FALSE(exists("jvmGood.txt"));
    auto tails = traceTails("jinstall.log");
    EXPECT_TRUE(std::any_of(tails.begin(), tails.end(), [](const std::string& l) {
        return l.starts_with("Unable to verify version ") && l.ends_with("/jvmGood.txt");
    }));
}

TEST_F(ShellTest, JreNamesRunWithoutVersionSwitchAndAreRenamed) {
    std::string home = dir.file("jre13");
    makeScriptJvm(home + "/bin/jre", {"1.3.1_20", "", log});
    std::string name = "jre", path;
    EXPECT_TRUE(testHome(Family::Posix, {"", "1.3", ""}, home, name, path));
    EXPECT_EQ(name, "jre");
    EXPECT_EQ(starts(log), (std::vector<std::string>{home + "/bin/jre "}));

    std::string modern = dir.file("jdk");
    makeJvm(modern, "17.0.15", log);
    EXPECT_TRUE(testHome(Family::Posix, kMin11, modern, name, path));
    EXPECT_EQ(name, "java");
    EXPECT_EQ(path, modern + "/bin/java");
    name = "jre";
    EXPECT_FALSE(testHome(Family::Posix, {"", "21", ""}, modern, name, path));
    EXPECT_EQ(name, "jre");
    name = "java";
    EXPECT_FALSE(testHome(Family::Posix, kMin11, modern, name, path, "1.6"));
}

TEST_F(ShellTest, AnExecutableAlreadyTestedIsNotStartedAgain) {
    std::string java = dir.file("real/bin/java");
    makeJvm(dir.file("real"), "1.7.0_80", log);
    makeDirs(dir.file("link/bin"));
    ASSERT_EQ(::symlink(java.c_str(), dir.file("link/bin/java").c_str()), 0);
    writeFile("jinstall.log", "");
    qrl::JvmRuns runs;
    JvmTester ok(Family::Posix, logsHere(), &runs);
    EXPECT_EQ(ok.testJvm({dir.file("real"), "java"}, kMin11).reason, JvmReason::BelowMinimum);
    EXPECT_EQ(ok.testJvm({dir.file("link"), "java"}, kMin11).reason, JvmReason::AlreadyTested);
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
    for (Family f : {Family::Posix, Family::Mac}) EXPECT_TRUE(correct(f, kMin11, java));
    EXPECT_FALSE(correct(Family::Posix, {"", "21", ""}, java));
}
#endif
