#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "common/files.h"
#include "jvm/findjvm.h"
#include "kitcheck/jvmreport.h"
#include "kitcheck/kitcheck.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/jvm/standin.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::JvmReason;

namespace {

// "where|program|reason" of every candidate of a report, in its order.
std::vector<std::string> outline(const qrl::JvmReport& r) {
    std::vector<std::string> out;
    for (const auto& c : r.candidates)
        if (c.verdict.reason != JvmReason::NoExecutable)
            out.push_back(c.where + "|" + c.verdict.executable + "|" + c.verdict.version + "|" +
                          std::to_string(static_cast<int>(c.verdict.reason)));
    return out;
}

std::string line(const std::string& where, const std::string& exe, const std::string& version, JvmReason reason) {
    return where + "|" + exe + "|" + version + "|" + std::to_string(static_cast<int>(reason));
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<platform::DirEntry> list;
    (void)platform::listDir(dir, list);  // a directory that is gone lists nothing
    std::vector<std::string> names;
    for (const auto& e : list) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

// Runs kitcheck with its output in `out`; its exit status.
int runKitcheck(const std::vector<std::string>& args, const std::string& out) {
    std::string q = onWindows() ? "\"" : "'";
    std::string command = q + helperPath("kitcheck") + q;
    for (const auto& a : args) command += " " + q + a + q;
    command += " > " + q + out + q;
    // cmd.exe keeps the inner quotes of a line quoted as a whole.
    if (onWindows()) command = "\"" + command + "\"";
    return platform::runShell(command).exitCode();
}

// A kit, a scratch base (TMPDIR / TMP) and a current directory of its own, so
// that the tests can see that nothing is left anywhere.
class JvmReportTest : public ::testing::Test {
protected:
    TempDir root;
    std::string kit = root.file("kit");
    std::string tmp = root.file("tmp");
    std::string cwdDir = root.file("cwd");
    std::string log = root.file("starts.log");
    EnvGuard tmpdir{"TMPDIR", tmp.c_str()};
    EnvGuard winTmp{"TMP", tmp.c_str()};
    EnvGuard winTemp{"TEMP", tmp.c_str()};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard toolOptions{"JAVA_TOOL_OPTIONS", nullptr};
    EnvGuard home{"HOME", root.file("home").c_str()};
    std::unique_ptr<CwdGuard> cwd;

    void SetUp() override {
        for (const auto& d : {kit, tmp, cwdDir, root.file("home")}) makeDirs(d);
        cwd = std::make_unique<CwdGuard>(cwdDir);
    }
    void control(const std::string& text, bool probe = true) {
        writeFile(platform::pathIn(kit, "qrl.control"), text);
        if (probe) writeFile(platform::pathIn(kit, "TestJvm.class"), "probe");
    }
    qrl::JvmReport report(std::optional<qrl::Family> family = {}) {
        qrl::JvmReport r;
        qrl::JvmReportRequest rq;
        rq.kit = kit;
        rq.family = family;
        EXPECT_TRUE(qrl::makeJvmReport(rq, r)) << r.error;
        return r;
    }
    void expectNothingLeft(const std::vector<std::string>& kitEntries) {
        EXPECT_EQ(entries(kit), kitEntries);
        EXPECT_EQ(entries(tmp), std::vector<std::string>{});
        EXPECT_EQ(entries(cwdDir), std::vector<std::string>{});
    }
};

}  // namespace

#ifndef _WIN32

class JvmReportPosix : public JvmReportTest {
protected:
    EnvGuard path{"PATH", ""};
    EnvGuard jvmDirs{"QUARLAN_JVM_DIRS", ""};
    EnvGuard systemDirs{"QUARLAN_SYSTEM_DIRS", ""};
};

TEST_F(JvmReportPosix, EveryCandidateInOrderTheMiddleVersionChosenAndNoExtraJvmStart) {
    // Too new and a liar on the search path, then 11 and 17 in two system
    // directories: the installer takes 17, the middle one of 11, 17, 25.
    makeJvm(root.file("p25"), "25.0.1", log);
    makeScriptJvm(root.file("liar/bin/java"), {"openjdk version \"17.0.2\" 2022-01-18", "1.6.0_45", log});
    makeJvm(root.file("s11/jdk"), "11.0.2", log);
    makeJvm(root.file("s17/jdk"), "17.0.15", log);
    makeJvm(root.file("s21/jdk"), "21.0.3", log);  // never reached
    EnvGuard p("PATH", (root.file("p25") + ":" + root.file("liar")).c_str());
    std::string sys = root.file("s11") + ":" + root.file("s17") + ":" + root.file("s21");
    EnvGuard s("QUARLAN_SYSTEM_DIRS", sys.c_str());
    control("jvmMinVersion=17\njvmMaxVersion=21\njvmClasspathSwitch=-cp\nloaderJavaCommand=Setup\n");

    qrl::JvmReport r = report(qrl::Family::Posix);
    EXPECT_EQ(outline(r), (std::vector<std::string>{
                              line("PATH", root.file("p25/bin/java"), "25.0.1", JvmReason::AboveMaximum),
                              line("PATH", root.file("liar/bin/java"), "17.0.2", JvmReason::ProbeVersion),
                              line("system directory", root.file("s11/jdk/bin/java"), "11.0.2", JvmReason::BelowMinimum),
                              line("system directory", root.file("s17/jdk/bin/java"), "17.0.15", JvmReason::Accepted),
                          }));
    EXPECT_EQ(r.candidates.at(1).verdict.detail, "1.6.0_45");
    EXPECT_EQ(r.chosen, root.file("s17/jdk/bin/java"));
    EXPECT_EQ(r.next, qrl::NextStep::UseJvm);
    std::string text = qrl::jvmReportText(r);
    EXPECT_NE(text.find("  2. PATH " + root.file("liar/bin/java") +
                        ": 17.0.2 rejected: the probe TestJvm answered 1.6.0_45, which is not 17 - 21\n"),
              std::string::npos)
        << text;
    expectNothingLeft({"TestJvm.class", "qrl.control"});

    // The installer's own search, run the way it runs it, starts the JVMs
    // just as often.
    size_t reportStarts = starts(log).size();
    EXPECT_TRUE(platform::removeFile(log));
    {
        TempDir work;
        CwdGuard in(work.path());
        writeFile("TestJvm.class", "probe");
        qrl::FindJvm find(qrl::Family::Posix, logsHere());
        std::string name = "java", exe;
        ASSERT_TRUE(took(find.isJvmInstalled({{"", "17", "21"}, "JRE", root.file("home"), ""}, name), name, exe));
    }
    EXPECT_EQ(reportStarts, starts(log).size());
    EXPECT_EQ(reportStarts, 6u);
}

TEST_F(JvmReportPosix, WhatTheInstallerDoesWhenItFindsNone) {
    const std::string base = "jvmMinVersion=99\njvmClasspathSwitch=-cp\nloaderJavaCommand=Setup\n";
    control(base);
    qrl::JvmReport r = report(qrl::Family::Posix);
    EXPECT_EQ(r.next, qrl::NextStep::Fail);
    EXPECT_EQ(r.nextText, "The correct version of the JRE was not found on your system.");
    EXPECT_EQ(r.nextDetails, "Please install JRE 99 or a later version and then restart this installation program.");

    control(base + "jvmSelfExtractor=jre.bin\n");
    r = report(qrl::Family::Posix);
    EXPECT_EQ(r.next, qrl::NextStep::Fail);
    EXPECT_EQ(r.nextText, "Unable to find JRE 99 or a later version on your system.");

    writeFile(platform::pathIn(kit, "jre.bin"), "archive");
    control(base + "jvmSelfExtractor=jre.bin\npredefinedJvmInstallDir=[$AppDir]/jre\nsearchForJvm=no\n");
    r = report(qrl::Family::Posix);
    EXPECT_FALSE(r.searched);
    EXPECT_TRUE(r.candidates.empty());
    EXPECT_EQ(r.next, qrl::NextStep::ExpandArchive);
    EXPECT_EQ(r.nextText, "expand the kit's JVM archive jre.bin into " + kit + "/jre");

    control(base + "jvmSelfExtractor=jre.bin\njvmThirdPartyInstaller=true\n");
    EXPECT_EQ(report(qrl::Family::Posix).next, qrl::NextStep::VendorInstaller);
    // The Windows installer takes its way from jvmInstallerType.
    control(base + "jvmInstallerType=thirdPartyJvmInstaller\njvmInstallerBinary=jre.bin\n");
    EXPECT_EQ(report(qrl::Family::Windows).next, qrl::NextStep::VendorInstaller);
    control(base + "jvmInstallerType=selfExtractorJvmInstaller\njvmSelfExtractor=jre.bin\n");
    EXPECT_EQ(report(qrl::Family::Windows).next, qrl::NextStep::Fail);
    expectNothingLeft({"TestJvm.class", "jre.bin", "qrl.control"});
}

// The exit status says whether the installer would get a JVM, the kit's own
// included; a range no JVM could meet is refused before any search.
TEST_F(JvmReportPosix, ExitStatusAsTheInstallerDecides) {
    const std::string base = "jvmMinVersion=99\njvmClasspathSwitch=-cp\nloaderJavaCommand=Setup\n";
    writeFile(platform::pathIn(kit, "jre.bin"), "archive");
    std::string out = root.file("out.txt");
    struct Case {
        std::string control;  // empty: no kit, the arguments alone
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {base, {"--family", "posix"}, 1},
        {base + "jvmSelfExtractor=jre.bin\n", {"--family", "posix"}, 0},
        {base + "jvmSelfExtractor=jre.bin\njvmThirdPartyInstaller=true\n", {"--family", "posix"}, 0},
        // The Windows installer expands the archive only when the type says so.
        {base + "jvmSelfExtractor=jre.bin\n", {"--family", "windows"}, 1},
        {base + "jvmInstallerType=selfExtratorJvmInstaller\njvmSelfExtractor=jre.bin\n", {"--family", "windows"}, 0},
        {"", {"--min", "abc"}, 2},
        {"", {"--max", "17", "--min", "21"}, 2},
        {"", {"--required", "17", "--max", "21"}, 2},
        {"", {"--min", "1.4.2", "--max", "1.4"}, 1},  // a maximum of 1.4 admits 1.4.2: searched, none found
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--jvm"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (!c.control.empty()) {
            control(c.control);
            args.push_back(kit);
        }
        EXPECT_EQ(runKitcheck(args, out), c.status) << c.control << c.args[1];
    }
    // The key the Windows installer would ignore is named, in the report and by the kit check.
    control(base + "jvmSelfExtractor=jre.bin\n");
    runKitcheck({"--jvm", "--family", "windows", kit}, out);
    EXPECT_NE(readFile(out).find("warning: jvmSelfExtractor names the kit's JVM archive, but the Windows installer "
                                 "expands it only with jvmInstallerType=selfExtratorJvmInstaller"),
              std::string::npos)
        << readFile(out);
    auto typeFixes = [&](qrl::Family family) {
        auto findings = qrl::checkControlText(base + "jvmSelfExtractor=jre.bin\njvmInstallerBinary=v.exe\n", family);
        return std::count_if(findings.begin(), findings.end(),
                             [](const qrl::Finding& f) { return f.fix.starts_with("add the line jvmInstallerType="); });
    };
    EXPECT_EQ(typeFixes(qrl::Family::Mac), 2);
    EXPECT_EQ(typeFixes(qrl::Family::Posix), 0);  // the POSIX installer needs no type
}

TEST_F(JvmReportPosix, TheMacInstallerSearchesItsRootsAndChecksTheSystemBeforeTheKitsJvm) {
    makeJvm(root.file("mac/jdk-11.jdk/Home"), "11.0.2", "");
    EnvGuard roots("QUARLAN_MAC_JVM_ROOTS", root.file("mac").c_str());
    EnvGuard release("QUARLAN_OS_RELEASE", "10.8.0");
    writeFile(platform::pathIn(kit, "jre.dmg"), "archive");
    control("jvmMinVersion=17\njvmInstallerType=selfExtratorJvmInstaller\njvmSelfExtractor=jre.dmg\n"
            "jvmClasspathSwitch=-cp\nloaderJavaCommand=Setup\n");
    qrl::JvmReport r = report(qrl::Family::Mac);
    EXPECT_EQ(outline(r), std::vector<std::string>{line("macOS JVM root", root.file("mac/jdk-11.jdk/Home/bin/java"),
                                                        "11.0.2", JvmReason::BelowMinimum)});
    EXPECT_EQ(r.next, qrl::NextStep::Fail);
    EXPECT_NE(r.nextText.find("older than the kit's JVM needs.) Java 11.0.2 was found in " +
                              root.file("mac/jdk-11.jdk/Home") + ", but version 17 or later is needed."),
              std::string::npos)
        << r.nextText;
    EnvGuard newer("QUARLAN_OS_RELEASE", "23.4.0");
    EXPECT_EQ(report(qrl::Family::Mac).next, qrl::NextStep::ExpandArchive);
    expectNothingLeft({"TestJvm.class", "jre.dmg", "qrl.control"});
}

TEST_F(JvmReportPosix, ProgramsThatCannotTellTheirVersionThroughTheProgram) {
    if (!spawnReportsMissingPrograms())
        GTEST_SKIP() << "this system starts a file that is no program and reports exit 127 (qemu-user)";
    std::string locked = root.file("locked/bin/java");
    makeJvm(root.file("locked"), "17.0.1", "");
    ASSERT_TRUE(platform::setMode(locked, 0644));
    // An ELF program for aarch64: the shell, handed it, cannot run it either.
    std::string arm = root.file("arm/bin/java");
    makeDirs(root.file("arm/bin"));
    std::string elf("\x7f" "ELF\x02\x01\x01", 7);
    elf.resize(18, '\0');
    elf += std::string("\xb7\x00", 2);
    elf.resize(64, '\0');
    writeFile(arm, elf);
    ASSERT_TRUE(platform::setMode(arm, 0755));
    std::string broken = root.file("broken/bin/java");
    makeDirs(root.file("broken/bin"));
    writeFile(broken, "#!/bin/sh\necho 'Error: could not open jvm.cfg' >&2\nexit 2\n");
    ASSERT_TRUE(platform::setMode(broken, 0755));
    std::string good = root.file("good");
    makeJvm(good, "17.0.15", "");
    EnvGuard p("PATH", (root.file("locked") + ":" + root.file("arm") + ":" + root.file("broken") + ":" + good).c_str());

    std::string out = root.file("out.json");
    EXPECT_EQ(runKitcheck({"--jvm", "--json", "--required", "18"}, out), 1);
    std::string json = readFile(out);
    size_t a = json.find("\"reason\":\"not-executable\"");
    size_t b = json.find("\"reason\":\"wrong-architecture\"");
    size_t c = json.find("\"text\":\"-version failed with exit status 2: Error: could not open jvm.cfg\"");
    size_t d = json.find("\"reason\":\"not-required\"");
    EXPECT_TRUE(a < b && b < c && c < d && d != std::string::npos) << json;
    EXPECT_NE(json.find("\"machine\":\"aarch64\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"chosen\":null,\"next\":{\"action\":\"fail\""), std::string::npos) << json;

    EXPECT_EQ(runKitcheck({"--jvm", "--min", "11", "--max", "21"}, out), 0);
    std::string text = readFile(out);
    EXPECT_NE(text.find("4. PATH " + good + "/bin/java: 17.0.15 chosen\n"), std::string::npos) << text;
    EXPECT_NE(text.find("next: the launcher would start the application with " + good + "/bin/java\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(entries(tmp), std::vector<std::string>{});
}

#endif

// The registry as the 32-bit Windows installer reads it: the classic keys
// in its own view, then today's keys of both views.
class JvmReportRegistry : public JvmReportTest {
protected:
    std::string regRoot = "Software\\QuarlanTest\\kitcheck" + std::to_string(std::random_device{}());
    EnvGuard rootEnv{"QUARLAN_REGISTRY_ROOT", regRoot.c_str()};

    void SetUp() override {
        if (!onWindows()) GTEST_SKIP() << "the Windows registry";
        JvmReportTest::SetUp();
    }
    void TearDown() override {
        if (onWindows()) {
            // Best effort: a test may have made none.
            for (auto view : {platform::RegView::Bits32, platform::RegView::Bits64})
                (void)platform::regDeleteTree(platform::RegRoot::CurrentUser, regRoot, view);
        }
    }
    std::string jvm(const std::string& name, const std::string& version) {
        std::string home = root.file(name);
        copyFakeJava(home + "\\bin\\javaw.exe", version);
        return home;
    }
    void reg(const std::string& key, const std::string& home, platform::RegView view, const char* micro = nullptr) {
        std::string path = regRoot + "\\SOFTWARE\\JavaSoft\\" + key;
        ASSERT_TRUE(platform::regSetString(platform::RegRoot::CurrentUser, path, "JavaHome", home, view));
        if (micro) {
            ASSERT_TRUE(platform::regSetString(platform::RegRoot::CurrentUser, path, "MicroVersion", micro, view));
        }
    }
};

TEST_F(JvmReportRegistry, ClassicKeysThenBothViewsOfTodaysKeys) {
    using platform::RegView;
    std::string jre8 = jvm("jre8", "1.8.0_392"), jdk25 = jvm("jdk25", "25.0.1"), jdk17 = jvm("jdk17", "17.0.2");
    reg("Java Runtime Environment\\1.8", jre8, RegView::Bits32, "0_392");
    reg("Java Runtime Environment\\1.9", "", RegView::Bits32, "0");
    reg("JDK\\25.0.1", jdk25, RegView::Bits32);
    reg("JDK\\17.0.2", jdk17, RegView::Bits64);
    // The default launcher name jre.exe becomes javaw.exe: the installer
    // searches with its trace on.
    control("jvmMinVersion=11\njvmMaxVersion=21\njvmClasspathSwitch=-cp\nloaderJavaCommand=Setup\n");

    qrl::JvmReport r = report(qrl::Family::Windows);
    std::string key = "HKCU\\" + regRoot + "\\SOFTWARE\\JavaSoft\\";
    // The greatest classic version first, an entry without a home told too;
    // the 64-bit view after the 32-bit one. (Below HKEY_CURRENT_USER both
    // views show the same keys.)
    EXPECT_EQ(outline(r),
              (std::vector<std::string>{
                  line(key + "Java Runtime Environment\\1.9 (32-bit view)", "", "1.9.0", JvmReason::NoHome),
                  line(key + "Java Runtime Environment\\1.8 (32-bit view)", jre8 + "\\bin\\javaw.exe", "1.8.0_392",
                       JvmReason::ProbeVersion),
                  line(key + "JDK\\25.0.1 (32-bit view)", jdk25 + "\\bin\\javaw.exe", "25.0.1", JvmReason::ProbeVersion),
                  line(key + "JDK\\25.0.1 (64-bit view)", jdk25 + "\\bin\\javaw.exe", "25.0.1", JvmReason::ProbeVersion),
                  line(key + "JDK\\17.0.2 (32-bit view)", jdk17 + "\\bin\\javaw.exe", "17.0.2", JvmReason::Accepted),
              }))
        << qrl::jvmReportText(r);
    EXPECT_EQ(r.chosen, jdk17 + "\\bin\\javaw.exe");

    // kitcheck.exe itself: the same answer, as JSON, exit status 0.
    std::string out = root.file("out.json");
    EXPECT_EQ(runKitcheck({"--jvm", "--json", "--family", "windows", kit}, out), 0);
    std::string json = readFile(out);
    EXPECT_NE(json.find("\"verdict\":\"chosen\""), std::string::npos) << json;
    EXPECT_NE(json.find("(64-bit view)"), std::string::npos) << json;
    expectNothingLeft({"TestJvm.class", "qrl.control"});
}
