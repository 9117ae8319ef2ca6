#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "common/files.h"
#include "kitcheck/kitcheck.h"
#include "launcher/properties.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;
using qrl::Finding;

namespace {

// "line: fix" of every finding, for compact expectations.
std::vector<std::string> summary(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings) out.push_back(std::to_string(f.line) + ": " + f.fix);
    return out;
}

constexpr const char* kGoodControl =
    "# a comment\n"
    "jvmMinVersion=1.8\n"
    "jvmClasspathSwitch=-cp\n"
    "loaderClasspath=.;install.jar\n"
    "loaderJavaCommand=Setup\n";

}  // namespace

TEST(KitCheckControl, TheTrapsOfTheControlFileEachWithItsLineAndFix) {
    EXPECT_TRUE(qrl::checkControlText(std::string(kGoodControl) + "jvmThirdPartyInstaller=false\n", Family::Posix)
                    .empty());
    // CR LF line ends are what the installer converts anyway.
    EXPECT_TRUE(qrl::checkControlText("jvmMinVersion=1.8\r\njvmClasspathSwitch=-cp\r\nloaderJavaCommand=S\r\n",
                                      Family::Posix).empty());

    qrl::ControlSettings effective;
    auto findings = qrl::checkControlText("loaderJavaCommand = Setup\n"
                                          "JvmMinVersion=1.8\n"
                                          "jvmVersions=17\n"
                                          "jvmInstallerType=msi\n"
                                          "  jvmName=JRE\n"
                                          "loaderJavaCommand=Setup\n",
                                          Family::Posix, &effective);
    EXPECT_EQ(summary(findings), (std::vector<std::string>{
                                     "1: loaderJavaCommand=Setup",
                                     "2: jvmMinVersion=1.8",
                                     "3: jvmVersion=17",
                                     "4: remove the line",
                                     "5: jvmName=JRE",
                                     "6: keep one of the lines",
                                     "0: jvmClasspathSwitch=-cp",
                                 }));
    // The values are the installer's own: the misspelt key set jvmVersion
    // (and so the required version) to what follows the character after it.
    EXPECT_EQ(effective.jvmVersion, "=17");
    EXPECT_EQ(effective.requiredVersion, "=17");
    EXPECT_EQ(effective.loaderJavaCommand, "Setup");

    // Nothing about the version: the family's default requirement.
    auto implicit = qrl::checkControlText("jvmClasspathSwitch=-cp\nloaderJavaCommand=S\n", Family::Posix, &effective);
    ASSERT_EQ(implicit.size(), 1u);
    EXPECT_NE(implicit[0].problem.find("1.1.8"), std::string::npos);
    EXPECT_EQ(effective.requiredVersion, "1.1.8");
    // The vendor keys are the Windows installer's own.
    EXPECT_TRUE(qrl::checkControlText(std::string(kGoodControl) + "jvmInstallerType=msi\n", Family::Windows).empty());
}

TEST(KitCheckReaders, FindingsAgreeWithWhatTheInstallerAndTheLauncherRead) {
    // The rest of an over-long line is skipped by the installer: no class
    // path switch, whatever kitcheck's own splitting would have made of it.
    std::string control = std::string(998, '#') + "jvmClasspathSwitch=-cp\njvmMinVersion=1.8\nloaderJavaCommand=S\n";
    for (Family f : {Family::Windows, Family::Posix, Family::Mac}) {
        qrl::ControlSettings seen, read;
        auto findings = qrl::checkControlText(control, f, &seen);
        qrl::ControlFile(f, qrl::Logs::none()).parseText(read, control);
        EXPECT_EQ(read.jvmClasspathSwitch, "");
        EXPECT_EQ(seen.jvmClasspathSwitch, read.jvmClasspathSwitch);
        EXPECT_EQ(summary(findings), (std::vector<std::string>{"1: shorten the line", "0: jvmClasspathSwitch=-cp"}));
    }
    // The launcher skips the rest of a long args line: the program of line 1 runs.
    std::string props = "execFilename=/usr/bin/java\nargs=" + std::string(9993, 'a') + "execFilename=/other/program\n";
    qrl::LaunchSettings launched;
    qrl::LauncherProperties(Family::Posix, qrl::Logs::none()).parseText(props, launched);
    EXPECT_EQ(launched.executable, "/usr/bin/java");
    EXPECT_EQ(summary(qrl::checkPropertiesText(props)), (std::vector<std::string>{"2: shorten the line"}));

    // configureWinRegistry is read by the registration step, which takes the
    // first line that begins with it: the trailing blank would have made
    // the second line "false" too.
    TempDir dir;
    std::string twice = std::string(kGoodControl) + "configureWinRegistry=false\nconfigureWinRegistry=true \n";
    writeFile(dir.file("qrl.control"), twice);
    EXPECT_EQ(qrl::flagSetting("configureWinRegistry", {dir.file("qrl.control")}, true), false);
    auto findings = qrl::checkControlText(twice, Family::Windows);
    EXPECT_EQ(summary(findings), (std::vector<std::string>{"7: configureWinRegistry=true", "7: keep one of the lines"}));
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_NE(findings[1].problem.find("(first on line 6): the first line wins"), std::string::npos)
        << findings[1].problem;
}

TEST(KitCheckProperties, AQuoteInsideAnArgumentIsReportedWithTheWholeArgumentQuoted) {
    auto findings = qrl::checkPropertiesText("execFilename=/usr/bin/java\n"
                                             "args=-Dant.home=\"/x/Mes dossiers\" -cp a.jar \"a b\" Main\n");
    EXPECT_EQ(summary(findings),
              (std::vector<std::string>{"2: args=\"-Dant.home=/x/Mes dossiers\" -cp a.jar \"a b\" Main"}));
    // Quotes at the start of an argument group as the launcher reads them.
    EXPECT_TRUE(qrl::checkPropertiesText("execFilename=/usr/bin/java\nargs=\"-Dx=a b\" Main\n").empty());
}

TEST(KitCheckProperties, UserJvmOptionsIsKnownAndOnlyTrueOrFalse) {
    for (const char* value : {"true", "TRUE", "false"})
        EXPECT_TRUE(qrl::checkPropertiesText(std::string("execFilename=/usr/bin/java\nuserJvmOptions=") + value + "\n").empty())
            << value;
    EXPECT_EQ(summary(qrl::checkPropertiesText("execFilename=/usr/bin/java\nuserJvmOptions=yes\n")),
              (std::vector<std::string>{"2: userJvmOptions=true (or false)"}));
}

TEST(KitCheckProperties, WhatTheLauncherWouldMisreadWithTheFixedLine) {
    EXPECT_TRUE(qrl::checkPropertiesText("#Written by hand\n"
                                         "programName=Editor\n"
                                         "execFilename=C\\:\\\\Java\\\\bin\\\\javaw.exe\n"
                                         "args=-cp \"lib\\\\a b.jar\" Main\n")
                    .empty());
    auto findings = qrl::checkPropertiesText("programName=h\\u00E9 llo \\ud83d\\ude00\n"
                                             "execFilename=C:\\Java\\bin\\java.exe\n"
                                             "args = Main\n"
                                             "argsExtra=x\n"
                                             "Startdir=/tmp\n"
                                             "startDir=/opt/a\\tb\\n\n");
    std::vector<std::string> fixes = summary(findings);
    ASSERT_EQ(fixes.size(), 7u) << ::testing::PrintToString(fixes);
    EXPECT_EQ(fixes[0], "1: programName=h\xc3\xa9 llo \xf0\x9f\x98\x80");
    EXPECT_EQ(fixes[1], "2: execFilename=C:\\\\Java\\\\bin\\\\java.exe");
    EXPECT_EQ(fixes[2], "3: args=Main");
    EXPECT_EQ(fixes[3], "4: args=x");
    EXPECT_EQ(fixes[4], "4: keep one of the lines");
    EXPECT_EQ(fixes[5], "5: startDir=/tmp");
    // Java's escapes of a tab and a line end, outside a Windows path.
    EXPECT_EQ(fixes[6], "6: startDir=/opt/a\tb");
    // No executable at all.
    auto empty = qrl::checkPropertiesText("programName=x\n");
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].fix, "execFilename=<the full path of the java program>");
}

// Whatever --write-properties writes, the launcher reads back as given and
// kitcheck finds nothing to say of it; a value the launcher would misread is
// refused instead.
TEST(KitCheckProperties, WrittenFilesReadBackAsGivenAndPassTheirOwnCheck) {
    const std::string values[] = {
        "h\xc3\xa9 llo \xe3\x81\x9f\xe3\x82\x8d\xe3\x81\x86",
        "C:\\Program Files\\Java\\bin\\javaw.exe",
        "-cp \"a b.jar\" Main \\n x=y:z",
        " leading",
        "trailing ",
        "  both  ",
        " ",
        "ends in a backslash\\",
        "a backslash and a blank\\ ",
        "%APPDATA%\\Acme 100%",
        "=starts with a separator",
        "#!\\u0041\\t",
    };
    const std::string keys[] = {"programName", "execFilename", "args", "startDir"};
    for (const std::string& value : values) {
        for (const std::string& key : keys) {
            std::vector<std::pair<std::string, std::string>> given{{key, value}};
            if (key != "execFilename") given.emplace_back("execFilename", "/usr/bin/java");
            std::string text, error;
            ASSERT_TRUE(qrl::launcherPropertiesText(given, text, error)) << key << "=" << value << ": " << error;
            EXPECT_TRUE(qrl::checkPropertiesText(text).empty()) << text;
            qrl::LauncherProperties reader(Family::Windows, logsHere(qrl::kLauncherTrace));
            qrl::LaunchSettings s;
            reader.parseText(text, s);
            const std::string read = key == "programName"    ? s.programName
                                     : key == "execFilename" ? s.executable
                                     : key == "args"         ? s.arguments
                                                             : s.workingDir;
            EXPECT_EQ(read, value) << text;
        }
    }

    std::string text, error;
    const std::vector<std::pair<std::string, std::string>> refused[] = {
        {{"execFileName", "x"}},                       // not a key (did you mean execFilename?)
        {{"args", "a\nb"}},                            // a line end
        {{"args", "-Dmsg=\"two words\" Main"}},        // a quote inside an argument does not group
        {{"programName", "\xe9t\xe9"}},                // not UTF-8
        {{"args", std::string(qrl::kPropLineLimit, 'x')}},  // longer than the launcher reads
        {{"programName", "a"}, {"programName", "b"}},  // given twice
    };
    for (const auto& given : refused) {
        EXPECT_FALSE(qrl::launcherPropertiesText(given, text, error)) << given[0].second;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(qrl::launcherPropertiesText({{"execFileName", "x"}}, text, error));
    EXPECT_NE(error.find("execFilename"), std::string::npos) << error;
}

TEST(KitCheckProgram, TheDemoKitIsCleanABrokenKitIsNot) {
    TempDir dir;
    std::string out = dir.file("out.txt");
    auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv{helperPath("kitcheck")};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string command;
        for (const auto& a : argv) command += "'" + a + "' ";
        return platform::runShell(command + "> '" + out + "'").exitCode();
    };
#ifdef QRL_DEMO_KIT
    EXPECT_EQ(run({QRL_DEMO_KIT}), 0) << readFile(out);
#endif
    std::string kit = dir.file("kit");
    std::filesystem::create_directories(kit + "/app/Quarlan");
    writeFile(kit + "/qrl.control", "jvmMinVersion = 1.8\njvmClasspathSwitch=-cp\nloaderJavaCommand=Setup\n");
    writeFile(kit + "/app/Quarlan/App.properties", "execFilename=/usr/bin/java\nargs=-Dname=h\\u00E9 Main\n");
    // The launcher opens its properties file through a link: so does the walk.
    writeFile(dir.file("shared.properties"), "args=Main\n");
    std::filesystem::create_symlink(dir.file("shared.properties"), kit + "/app/Quarlan/Linked.properties");
    EXPECT_EQ(run({kit}), 1);
    std::string report = readFile(out);
    EXPECT_NE(report.find(kit + "/qrl.control:1: blanks around"), std::string::npos) << report;
    EXPECT_NE(report.find(kit + "/install.jar: missing"), std::string::npos) << report;
    EXPECT_NE(report.find(kit + "/TestJvm.class: missing"), std::string::npos) << report;
    EXPECT_NE(report.find(kit + "/app/Quarlan/App.properties:2: \\uXXXX"), std::string::npos) << report;
    EXPECT_NE(report.find(kit + "/app/Quarlan/Linked.properties: no execFilename"), std::string::npos) << report;

    // It writes nothing, even with the programs' trace files and term.log
    // where it runs.
    {
        CwdGuard here(dir.path());
        for (const char* name : {"jinstall.log", "startapp.log", "term.log"}) writeFile(dir.file(name), "");
        EXPECT_EQ(run({"--family", "windows", kit}), 1);
        for (const char* name : {"jinstall.log", "startapp.log", "term.log"}) EXPECT_EQ(readFile(dir.file(name)), "");
        EXPECT_FALSE(exists(dir.file("errors.log")));
        // Nothing but its report: no log line echoed into it.
        for (const std::string& line : readLines(out))
            EXPECT_TRUE(line.starts_with("kitcheck: ") || line.starts_with(kit) || line.starts_with("    fix: "))
                << line;
    }
    // Files that are not plain files: findings at once, never a hang.
    std::filesystem::remove(kit + "/qrl.control");
    ASSERT_EQ(::mkfifo((kit + "/qrl.control").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", kit + "/app/Quarlan/Zero.properties");
    EXPECT_EQ(run({kit, kit + "/app/Quarlan/Zero.properties"}), 1);
    report = readFile(out);
    EXPECT_NE(report.find(kit + "/qrl.control: unreadable (not a regular file)"), std::string::npos) << report;
    EXPECT_NE(report.find(kit + "/app/Quarlan/Zero.properties: unreadable (not a regular file)"), std::string::npos)
        << report;
    std::filesystem::remove(kit + "/qrl.control");
    EXPECT_EQ(run({kit}), 1);
    EXPECT_NE(readFile(out).find(kit + "/qrl.control: missing"), std::string::npos);

    // The file it writes passes its own check.
    std::string props = dir.file("Editor.properties");
    EXPECT_EQ(run({"--write-properties", props, "execFilename=C:\\Java\\bin\\javaw.exe", "args=Main"}), 0);
    EXPECT_EQ(readFile(props), "execFilename=C:\\\\Java\\\\bin\\\\javaw.exe\nargs=Main\n");
    EXPECT_EQ(run({props}), 0) << readFile(out);
}
