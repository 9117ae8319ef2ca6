#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <random>

#include "common/files.h"
#include "common/shellquote.h"
#include "launcher/javaapp.h"
#include "launcher/useroptions.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/rights.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;
using qrl::JavaApp;

namespace {

using Tokens = std::vector<std::string>;

Tokens tokens(std::string_view s) { return JavaApp::tokenize(s); }

}  // namespace

TEST(TokenizerTest, QuotesBlanksAndTheTextAfterAClosingQuote) {
    EXPECT_EQ(tokens(""), Tokens{});
    EXPECT_EQ(tokens("a b"), (Tokens{"a", "b"}));
    EXPECT_EQ(tokens("a  b"), (Tokens{"a", "", "b"}));
    EXPECT_EQ(tokens("a "), (Tokens{"a"}));
    EXPECT_EQ(tokens("-cp \"lib\\a b.jar\" Main"), (Tokens{"-cp", "lib\\a b.jar", "Main"}));
    EXPECT_EQ(tokens("\"a b\"junk rest"), (Tokens{"a b", "rest"}));
    EXPECT_EQ(tokens("\"a b\"c"), (Tokens{"a b", "c"}));
    EXPECT_EQ(tokens("\"open only"), (Tokens{"\"open", "only"}));
    EXPECT_EQ(tokens("x=\"a b\""), (Tokens{"x=\"a", "b\""}));
    EXPECT_EQ(tokens("\"\" x"), (Tokens{"", "x"}));
}

TEST(TokenizerTest, JoiningKeepsOnePairOfQuotes) {
    for (std::string s : {"-Xmx256m -cp \"lib\\a b.jar\" Main x y", "plain words only", "\"one quoted\"",
                          "a \"b c\" \"d e\" f", "x=\"a b\" tail"}) {
        EXPECT_EQ(JavaApp::argsString(tokens(s)), s) << s;
        EXPECT_EQ(tokens(JavaApp::argsString(tokens(s))), tokens(s)) << s;
    }
    EXPECT_EQ(JavaApp::argsString({"a b", "c", ""}), "\"a b\" c ");
}

TEST(ExpandTest, SetNamesAreReplacedOthersStayAsWritten) {
    EnvGuard a("QRL_EXPAND_A", "alpha");
    EnvGuard b("QRL_EXPAND_UNSET", nullptr);
    EXPECT_EQ(JavaApp::expandEnvironment("x%QRL_EXPAND_A%y"), "xalphay");
    EXPECT_EQ(JavaApp::expandEnvironment("%QRL_EXPAND_UNSET%"), "%QRL_EXPAND_UNSET%");
    EXPECT_EQ(JavaApp::expandEnvironment("%QRL_EXPAND_UNSET%QRL_EXPAND_A%"), "%QRL_EXPAND_UNSETalpha");
    EXPECT_EQ(JavaApp::expandEnvironment("100% and %%"), "100% and %%");
    EXPECT_EQ(JavaApp::expandEnvironment("%QRL_EXPAND_A%%QRL_EXPAND_A%"), "alphaalpha");
    EXPECT_EQ(JavaApp::expandEnvironment("50%"), "50%");
}

TEST(ConsoleRuleTest, OnlyAnExecutableEndingInJavaExeShowsItsConsole) {
    EXPECT_TRUE(JavaApp::showsConsole("C:\\Java\\bin\\java.exe"));
    EXPECT_FALSE(JavaApp::showsConsole("C:\\Java\\bin\\javaw.exe"));
    EXPECT_FALSE(JavaApp::showsConsole("C:\\Java\\bin\\jre.exe"));
    EXPECT_FALSE(JavaApp::showsConsole("C:\\Java\\bin\\JAVA.EXE"));
    // The first occurrence decides.
    EXPECT_FALSE(JavaApp::showsConsole("C:\\java.exe\\bin\\java.exe"));
}

// ---------------------------------------------------------------------------
// The launcher program, installed into a temporary directory with a stand-in
// Java executable, started as a user would start it.

namespace {

std::string escapeProps(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == ':' || c == '=') out += '\\';
        out += c;
    }
    return out;
}

class LauncherRun : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    EnvGuard record{"FAKEJAVA_RECORD", dir.file("record.txt").c_str()};
    EnvGuard uiLog{"QUARLAN_UI_LOG", dir.file("ui.log").c_str()};
    EnvGuard classpath{"CLASSPATH", "user-classpath-that-must-not-leak"};
    std::string sep = onWindows() ? "\\" : "/";
    std::string appDir;
    std::string launcher;
    std::string props;
    std::string java;

    // The launcher as <appDir>/Editor(.exe), its properties in <appDir>/Quarlan.
    // `program` is the launcher built here (the family's own by default).
    void install(const std::string& appDirName, std::string program = "") {
        if (program.empty()) program = onWindows() ? "Quarlan" : "maclauncher";
        appDir = dir.file(appDirName);
        ASSERT_TRUE(std::filesystem::create_directories(std::filesystem::u8path(appDir + sep + "Quarlan")));
        ASSERT_TRUE(std::filesystem::create_directories(std::filesystem::u8path(appDir + sep + "jre" + sep + "bin")));
        launcher = appDir + sep + (onWindows() ? "Editor.exe" : "Editor");
        ASSERT_TRUE(qrl::copyFile(helperPath(program), launcher));
        ASSERT_TRUE(platform::setMode(launcher, 0755));
        java = appDir + sep + "jre" + sep + "bin" + sep + (onWindows() ? "java.exe" : "java");
        ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), java));
        ASSERT_TRUE(platform::setMode(java, 0755));
        props = appDir + sep + "Quarlan" + sep + "Editor.properties";
    }

    void writeProps(const std::string& content) { writeFile(props, content); }

    // The failure `text` was shown (unless `shown` is false) and is in the
    // error log where the launcher started, on one line. "<why>" in `text`
    // stands for the system's own words.
    void said(const std::string& text, bool shown = true) {
        std::string ui = readFile(dir.file("ui.log"));
        auto log = readLines(dir.file("errors.log"));
        // Either may be missing: the next run writes them anew.
        (void)platform::removeFile(dir.file("ui.log"));
        (void)platform::removeFile(dir.file("errors.log"));
        if (shown) {
            EXPECT_TRUE(matches(ui, "[Startup Error] " + text + "\n")) << ui;
        } else {
            EXPECT_EQ(ui, "");
        }
        std::string line = text;
        for (size_t at; (at = line.find("\n\n")) != std::string::npos;) line.replace(at, 2, "\n");
        std::replace(line.begin(), line.end(), '\n', ' ');
        EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                                [&](const std::string& l) { return l.size() > 25 && matches(l.substr(25), line); }))
            << line;
    }
    static bool matches(const std::string& got, const std::string& want) {
        size_t at = want.find("<why>");
        if (at == std::string::npos) return got == want;
        std::string head = want.substr(0, at), tail = want.substr(at + 5);
        return got.size() > head.size() + tail.size() && got.starts_with(head) && got.ends_with(tail);
    }

    platform::SpawnResult run(const std::vector<std::string>& args = {}) {
        std::vector<std::string> argv{launcher};
        argv.insert(argv.end(), args.begin(), args.end());
        return platform::spawn(launcher, argv);
    }

    std::vector<std::string> recorded() { return readArgvDump(dir.file("record.txt")); }
    std::string recordedInfo() { return readFile(dir.file("record.txt.info")); }
};

}  // namespace

TEST_F(LauncherRun, ArgumentsArriveExactlyAsIntended) {
    install(onWindows() ? "My Apps \xe3\x81\x9f\xe3\x82\x8d\xe3\x81\x86" : "My Apps \xe3\x81\x9f\xe3\x82\x8d\xe3\x81\x86");
    EnvGuard var("QRL_LAUNCH_VAR", "expanded");
    EnvGuard unset("QRL_LAUNCH_UNSET", nullptr);
    EnvGuard blanks("QRL_LAUNCH_BLANKS", "C:\\Users\\John Smith\\AppData -javaagent:a.jar");
    std::string work = dir.file("work dir");
    ASSERT_TRUE(platform::makeDir(work));
    // Properties arguments: a quoted path with blanks, shell and interpreter
    // characters, variables, non-ASCII letters and a literal quote.
    writeProps("programName=Editor\n"
               "execFilename=" + escapeProps(java) + "\n"
               "startDir=" + escapeProps(work) + "\n"
               "args=-Dapp.home=x \"Tom & Jerry.txt\" x^y a|b<c>d 100% %QRL_LAUNCH_VAR% %QRL_LAUNCH_UNSET% "
               "\xc3\xa9t\xc3\xa9 \\\\\\\"quoted\\\\\\\" \"C:\\\\Program Files\\\\Acme\\\\\" "
               "%QRL_LAUNCH_BLANKS% Main\n");
    auto r = run({"C:\\docs\\Tom & Jerry.txt", "say \"hi\"", "\xe3\x81\x9f", "50%PATH%", "$HOME `id`"});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 1);
    Tokens expected;
    if (onWindows()) {
        // Each token arrives whole: a trailing backslash keeps the rest, and
        // %NAME% is expanded inside its token (in the properties arguments only).
        expected = {"-Dapp.home=x", "Tom & Jerry.txt", "x^y", "a|b<c>d", "100%", "expanded", "%QRL_LAUNCH_UNSET%",
                    "\xc3\xa9t\xc3\xa9", "\\\"quoted\\\"", "C:\\Program Files\\Acme\\",
                    "C:\\Users\\John Smith\\AppData -javaagent:a.jar", "Main"};
        Tokens own{"C:\\docs\\Tom & Jerry.txt", "say \"hi\"", "\xe3\x81\x9f", "50%PATH%", "$HOME `id`"};
        expected.insert(expected.end(), own.begin(), own.end());
    } else {
        // Each token reaches the application through the shell unchanged; the
        // launcher's own arguments are not passed on.
        expected = {"-Dapp.home=x", "Tom & Jerry.txt", "x^y", "a|b<c>d", "100%", "%QRL_LAUNCH_VAR%",
                    "%QRL_LAUNCH_UNSET%", "\xc3\xa9t\xc3\xa9", "\\\"quoted\\\"", "C:\\Program Files\\Acme\\",
                    "%QRL_LAUNCH_BLANKS%", "Main"};
    }
    EXPECT_EQ(recorded(), expected);
    std::string info = recordedInfo();
    EXPECT_NE(info.find("cwd=" + work + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("classpath=<unset>"), std::string::npos) << info;
    EXPECT_FALSE(exists(dir.file("ui.log")));
}

// The application gets exactly its arguments, in the program directory, and
// the launcher answers 1 after a start, or (quarlan, the POSIX family's
// launcher) the application's own status. Shell characters in the properties
// arguments stay literal; on Windows a launcher path without blanks starts an
// unquoted command line, and an argument keeps its separators.
TEST_F(LauncherRun, TheApplicationGetsItsArgumentsInTheProgramDirectory) {
    install("app");
    struct Case {
        std::string program;
        std::string args;
        Tokens own;             // the launcher's own arguments
        const char* exitStatus;  // what the application answers
        int exitCode;
        Tokens expected;
    };
    const std::string own = onWindows() ? "Quarlan" : "maclauncher";
    std::vector<Case> cases{{own, "Main", {}, nullptr, 1, {"Main"}}};
    if (onWindows()) {
        cases.push_back({own, "", {"C:\\docs\\a.txt"}, nullptr, 1, {"C:\\docs\\a.txt"}});
    } else {
        cases.push_back({own, "$HOME `touch pwned` it's \"a;b $(id)\"", {}, nullptr, 1,
                         {"$HOME", "`touch", "pwned`", "it's", "a;b $(id)"}});
        cases.push_back({"quarlan", "-cp \"a b.jar\" Main", {"x y", "$HOME"}, "7", 7,
                         {"-cp", "a b.jar", "Main", "x y", "$HOME"}});
        cases.push_back({"quarlan", "-cp \"a b.jar\" Main", {}, "0", 0, {"-cp", "a b.jar", "Main"}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " with args=" + c.args);
        ASSERT_TRUE(qrl::copyFile(helperPath(c.program), launcher));
        ASSERT_TRUE(platform::setMode(launcher, 0755));
        writeProps("execFilename=" + escapeProps(java) + "\nargs=" + c.args + "\n");
        EnvGuard status("FAKEJAVA_EXIT", c.exitStatus);
        EXPECT_EQ(run(c.own).exitCode, c.exitCode);
        EXPECT_EQ(recorded(), c.expected);
        EXPECT_NE(recordedInfo().find("cwd=" + appDir + "\n"), std::string::npos) << recordedInfo();
    }
    EXPECT_FALSE(exists(appDir + sep + "pwned"));
    EXPECT_FALSE(exists(dir.file("pwned")));
}

TEST_F(LauncherRun, PropertiesAreThoseBesideTheProgramWhateverTheCommandLineNames) {
    if (!onWindows()) GTEST_SKIP() << "Windows command lines";
    install("My Apps");
    writeProps("execFilename=" + escapeProps(java) + "\nargs=Main\n");
    // Started as a name found through the search path: the command line holds
    // no directory, and the current directory is somewhere else.
    auto r = platform::spawn(launcher, {"Editor", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(recorded(), (Tokens{"Main", "x"}));
    // A caller naming another launcher path on the command line: the
    // properties beside that path are never read.
    std::string decoy = dir.file("decoy");
    ASSERT_TRUE(std::filesystem::create_directories(std::filesystem::u8path(decoy + "\\Quarlan")));
    writeFile(decoy + "\\Editor.exe", "");
    writeFile(decoy + "\\Quarlan\\Editor.properties", "execFilename=" + escapeProps(java) + "\nargs=Decoy\n");
    r = platform::spawn(launcher, {decoy + "\\Editor.exe", "y"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(recorded(), (Tokens{"Main", "y"}));
}

// Every way a start can fail: the user is told why (also on one line of the
// error log), nothing starts, and the launcher fails. The POSIX launcher
// (quarlan) ends as a shell would: 127 when there is no program to start, 126
// when it could not start one; the others answer 0. A program of the same
// name in the current directory (a download folder) is never started in place
// of one that has gone, nor for a relative name.
TEST_F(LauncherRun, EveryFailedStartIsSaidAndStartsNothing) {
    install("app");
    std::string name = onWindows() ? "run.exe" : "run";
    ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), dir.file(name)));
    ASSERT_TRUE(platform::setMode(dir.file(name), 0755));
    std::string gone = appDir + sep + "gone" + sep + name;
    std::string notProgram = appDir + sep + (onWindows() ? "broken.exe" : "data.txt");
    writeFile(notProgram, "not a program");
    ASSERT_TRUE(platform::setMode(notProgram, 0644));
    const std::string own = onWindows() ? "Quarlan" : "maclauncher";
    const std::string noFile = "Unable to open file " + props;
    const std::string noProgram =
        "Unable to start Editor\n\nThe properties file names no program.\n\nAdd an execFilename property to\n" + props;
    auto goneText = [&](const std::string& exe) {
        return "Unable to start Editor\n\n" + exe + "\nis no longer on your system\n\nChange the execFilename property in\n" +
               props;
    };
    const std::string cannot = "Error starting Editor.\n\n" + notProgram + "\ncannot be executed: " +
                               (onWindows() ? "<why>" : platform::errorText(EACCES)) +
                               "\n\nCheck the execFilename property in\n" + props;
    enum class Props { None, Directory, Text };
    struct Case {
        std::string program;
        Props kind;
        std::string properties;
        int exitCode;
        std::string message;
    };
    std::vector<Case> cases{
        {own, Props::None, "", 0, noFile},
        {own, Props::Directory, "", 0, noFile},
        {own, Props::Text, "programName=Editor\n", 0, noProgram},
        {own, Props::Text, "programName=Editor\nexecFilename=" + escapeProps(gone) + "\n", 0, goneText(gone)},
        // A relative name is the program directory's.
        {own, Props::Text, "programName=Editor\nexecFilename=" + name + "\n", 0, goneText(appDir + sep + name)},
    };
    if (onWindows()) {
        cases.push_back({own, Props::Text, "programName=Editor\nexecFilename=" + escapeProps(notProgram) + "\n", 0, cannot});
    } else {
        cases.push_back({"quarlan", Props::None, "", 126, noFile});
        cases.push_back({"quarlan", Props::Text, "", 127, noProgram});
        cases.push_back({"quarlan", Props::Text, "programName=Editor\nexecFilename=" + gone + "\n", 127, goneText(gone)});
        // Under qemu-user a file that is no program is reported as started.
        if (spawnReportsMissingPrograms())
            cases.push_back({"quarlan", Props::Text, "programName=Editor\nexecFilename=" + notProgram + "\n", 126, cannot});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " with " + (c.kind == Props::Text ? c.properties : "no properties file"));
        ASSERT_TRUE(qrl::copyFile(helperPath(c.program), launcher));
        ASSERT_TRUE(platform::setMode(launcher, 0755));
        std::filesystem::remove_all(std::filesystem::u8path(props));
        if (c.kind == Props::Directory) {
            ASSERT_TRUE(platform::makeDir(props));
        }
        if (c.kind == Props::Text) writeProps(c.properties);
        EXPECT_EQ(run().exitCode, c.exitCode);
        EXPECT_FALSE(exists(dir.file("record.txt")));
        // The launcher of Windows shows no box for a missing properties file.
        said(c.message, !(onWindows() && c.message == noFile));
    }
}

TEST_F(LauncherRun, MissingStartDirectoryIsSaidAndTheApplicationStillRuns) {
    install("app");
    std::string gone = dir.file("no such dir");
    writeProps("programName=Editor\nexecFilename=" + escapeProps(java) + "\nstartDir=" + escapeProps(gone) + "\n");
    writeFile(dir.file("startapp.log"), "");
    int exitCode = onWindows() ? run().exitCode
                               : platform::runShell(qrl::shellQuote(launcher), dir.file("stderr.txt")).exitCode();
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(recordedInfo().find("cwd=" + dir.path() + "\n"), std::string::npos) << recordedInfo();
    std::string notice = "Unable to change to the start directory " + gone + "; Editor runs in " + dir.path();
    EXPECT_NE(readFile(dir.file("startapp.log")).find(notice), std::string::npos);
    std::string said = onWindows() ? readFile(dir.file("errors.log")) : readFile(dir.file("stderr.txt"));
    EXPECT_NE(said.find(notice), std::string::npos) << said;
}

TEST_F(LauncherRun, TheTraceStaysWhereTheLauncherStartedWhereverTheApplicationRuns) {
    install("app");
    std::string elsewhere = dir.file("work");
    ASSERT_TRUE(platform::makeDir(elsewhere));
    writeProps("programName=Editor\nexecFilename=" + escapeProps(java) + "\nstartDir=" + escapeProps(elsewhere) + "\n");
    writeFile(dir.file("startapp.log"), "");
    writeFile(elsewhere + sep + "startapp.log", "");
    EXPECT_EQ(run().exitCode, 1);
    EXPECT_NE(recordedInfo().find("cwd=" + elsewhere + "\n"), std::string::npos) << recordedInfo();
    // The lines written after the change of directory are in the same trace.
    std::string started = onWindows() ? "launch command args:" : "current dir: " + elsewhere;
    EXPECT_NE(readFile(dir.file("startapp.log")).find(started), std::string::npos) << readFile(dir.file("startapp.log"));
    EXPECT_EQ(readFile(elsewhere + sep + "startapp.log"), "");
}

TEST_F(LauncherRun, MacFamilyMessagesGoToStandardError) {
    if (onWindows()) GTEST_SKIP() << "message boxes on Windows";
    install("app");
    EnvGuard noSeam("QUARLAN_UI_LOG", nullptr);
    writeProps("programName=Editor\nexecFilename=/gone/run.sh\n");
    EXPECT_EQ(platform::runShell(qrl::shellQuote(launcher), dir.file("stderr.txt")).exitCode(), 0);
    EXPECT_EQ(readFile(dir.file("stderr.txt")), "Unable to start Editor\n\n/gone/run.sh\nis no longer on your system\n\n"
                                                "Change the execFilename property in\n" + props + "\n");
}

// quarlan becomes the application: its process id, signals and exit status
// are the application's own; a script without "#!" runs through the shell.
TEST_F(LauncherRun, PosixLauncherBecomesTheApplication) {
    if (onWindows()) GTEST_SKIP() << "the POSIX family's launcher";
    install("app", "quarlan");
    std::string app = appDir + "/app.sh";
    writeFile(app, "#!/bin/sh\necho $$ > " + qrl::shellQuote(dir.file("app.pid")) + "\nkill -TERM $$\nexit 3\n");
    ASSERT_TRUE(platform::setMode(app, 0755));
    writeProps("execFilename=" + app + "\n");
    platform::RunResult r = platform::runShell("echo $$ > " + qrl::shellQuote(dir.file("launcher.pid")) + "; exec " +
                                               qrl::shellQuote(launcher));
    EXPECT_EQ(platform::shellSignal(r.status), SIGTERM);
    EXPECT_EQ(readFile(dir.file("app.pid")), readFile(dir.file("launcher.pid")));
    // What the caller's shell reports for an application ended by a signal.
    EXPECT_EQ(platform::runShell(qrl::shellQuote(launcher) + "; exit $?", dir.file("stderr.txt")).exitCode(),
              128 + SIGTERM);
    writeFile(app, "echo \"$1\" > " + qrl::shellQuote(dir.file("out.txt")) + "\nexit 9\n");
    EXPECT_EQ(run({"a b"}).exitCode, 9);
    EXPECT_EQ(readFile(dir.file("out.txt")), "a b\n");
}

// maclauncher waits for the application: the signals that end programs reach
// the application, which ends as it chooses, and the launcher after it.
TEST_F(LauncherRun, WaitingLauncherPassesSignalsOnToTheApplication) {
    if (onWindows()) GTEST_SKIP() << "POSIX signals";
    install("app");
    std::string got = dir.file("got.txt");
    std::string app = appDir + "/app.sh";
    // The application signals its parent, the launcher, and waits (five
    // seconds at most) for the signal to come back.
    writeFile(app, "#!/bin/sh\ntrap 'echo $QRL_SIGNAL > " + qrl::shellQuote(got) +
                       "; exit 0' $QRL_SIGNAL\nkill -$QRL_SIGNAL $PPID\n"
                       "i=0; while [ $i -lt 50 ]; do sleep 0.1; i=$((i+1)); done\nexit 4\n");
    ASSERT_TRUE(platform::setMode(app, 0755));
    writeProps("execFilename=" + app + "\n");
    for (std::string sig : {"TERM", "INT", "HUP", "QUIT"}) {
        EnvGuard which("QRL_SIGNAL", sig.c_str());
        auto r = run();
        EXPECT_EQ(r.exitCode, 1) << sig << " ended the launcher: " << r.signal;
        EXPECT_EQ(readFile(got), sig + "\n");
        EXPECT_TRUE(platform::removeFile(got));
    }
}

// Ctrl-C at a terminal reaches its whole foreground group, the application
// with it: the waiting launcher does not send it a second time.
TEST_F(LauncherRun, WaitingLauncherLeavesTheTerminalsInterruptToTheTerminal) {
    if (onWindows()) GTEST_SKIP() << "POSIX terminals";
    install("app");
    std::string app = appDir + "/app";
    ASSERT_TRUE(qrl::copyFile(helperPath("sigrecord"), app));
    ASSERT_TRUE(platform::setMode(app, 0755));
    writeProps("execFilename=" + app + "\n");
    std::string got = qrl::shellQuote(dir.file("got.txt"));
    EnvGuard recordTo("SIGRECORD_FILE", dir.file("got.txt").c_str());
    // script(1) runs the launcher on a terminal of its own and types what it
    // reads. The launcher is held while Ctrl-C reaches the application, so
    // that a copy it sent would come apart from the terminal's own.
    std::string typing = "awaits() { i=0; until grep -q \"$1\" " + got +
                         " 2>/dev/null || [ $i -ge 150 ]; do sleep 0.1; i=$((i+1)); done; }; awaits ^ready; "
                         "launcher=$(sed -n 's/^ready //p' " + got + "); kill -STOP $launcher; printf '\\003'; "
                         "awaits '^2 '; kill -CONT $launcher; sleep 3";
    platform::RunResult r = platform::runShell("(" + typing + ") | script -qec " +
                                               qrl::shellQuote(qrl::shellQuote(launcher) + "; :") + " /dev/null >/dev/null");
    ASSERT_TRUE(r.started);
    Tokens lines = readLines(dir.file("got.txt"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Tokens(lines.begin() + 1, lines.end()), Tokens{std::to_string(SIGINT) + " 0"});
}

TEST_F(LauncherRun, PosixLauncherThroughALinkReadsThePropertiesBesideItsRealPath) {
    if (onWindows()) GTEST_SKIP() << "symbolic links of the POSIX family";
    install("app", "quarlan");
    writeProps("execFilename=" + java + "\nargs=Main\n");
    std::string bin = dir.file("bin");
    ASSERT_TRUE(platform::makeDir(bin));
    std::string link = bin + "/editor";
    std::filesystem::create_symlink(launcher, link);
    std::string elsewhere = dir.file("elsewhere");
    ASSERT_TRUE(platform::makeDir(elsewhere));
    CwdGuard inElsewhere(elsewhere);
    // By its path, and by its name through the search path.
    auto r = platform::spawn(link, {link, "one"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(recorded(), (Tokens{"Main", "one"}));
    std::string path = bin + ":" + platform::getEnv("PATH").value_or("");
    EnvGuard searchPath("PATH", path.c_str());
    EXPECT_EQ(platform::runShell("editor two").status, 0);
    EXPECT_EQ(recorded(), (Tokens{"Main", "two"}));
    EXPECT_NE(recordedInfo().find("cwd=" + appDir + "\n"), std::string::npos) << recordedInfo();
    EXPECT_FALSE(exists(elsewhere + "/errors.log"));
}

TEST_F(LauncherRun, ElevatedLauncherStartsNothingOthersMayChange) {
    if (!onWindows()) GTEST_SKIP() << "update.exe";
    if (platform::getEnv("QUARLAN_UI_DISPLAY")) GTEST_SKIP() << "its box would wait for a user";
    install("app", "update");
    writeProps("programName=Editor\nexecFilename=" + escapeProps(java) + "\nargs=Main\n");
    // Under wine every folder reads as the user's own, with full rights:
    // update.exe refuses every installation there.
    auto r = run();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(exists(dir.file("record.txt")));
    std::string errors = readFile(dir.file("errors.log"));
    EXPECT_NE(errors.find("Unable to start Editor with administrator rights:"), std::string::npos) << errors;
    EXPECT_NE(errors.find(" can be changed by users who are not administrators"), std::string::npos) << errors;
    // It takes no test setting from its environment (the box is a real one).
    EXPECT_FALSE(exists(dir.file("ui.log")));
    // Without a programName the message names the launcher.
    writeProps("execFilename=" + escapeProps(java) + "\nargs=Main\n");
    EXPECT_EQ(run().exitCode, 0);
    errors = readFile(dir.file("errors.log"));
    EXPECT_NE(errors.find("Unable to start Editor.exe with administrator rights:"), std::string::npos) << errors;
}

TEST_F(LauncherRun, BundleStartsInTheDirectoryThatHoldsIt) {
    if (onWindows()) GTEST_SKIP() << "macOS bundles";
    install("apps");
    std::string macos = appDir + "/Editor.app/Contents/MacOS";
    ASSERT_TRUE(std::filesystem::create_directories(macos));
    launcher = macos + "/launcher";
    ASSERT_TRUE(qrl::copyFile(helperPath("maclauncher"), launcher));
    ASSERT_TRUE(platform::setMode(launcher, 0755));
    writeProps("execFilename=" + java + "\nargs=Main\n");
    auto r = run({"-psn_0_12345"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(recorded(), (Tokens{"Main"}));
    EXPECT_NE(recordedInfo().find("cwd=" + appDir + "\n"), std::string::npos) << recordedInfo();
}

TEST_F(LauncherRun, VanishedJvmIsReplacedKeepingTheConfiguredProgram) {
    install("app");
    // The recorded JVM has gone; another one that meets the criteria is
    // registered (Windows) or lies in a JVM directory (macOS family).
    std::string jvms = dir.file("jvms");
    std::string newBin = jvms + sep + "jdk-99" + sep + "bin";
    std::filesystem::create_directories(std::filesystem::u8path(newBin));
    std::string program = onWindows() ? "javaw.exe" : "java";
    for (std::string exe : {onWindows() ? "java.exe" : "java", program.c_str()}) {
        ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), newBin + sep + exe));
        ASSERT_TRUE(platform::setMode(newBin + sep + exe, 0755));
    }
    writeFile(newBin + sep + "fakejava.version", "99.0.1\n");
    std::string root = "Software\\QuarlanTest\\launch" + std::to_string(std::random_device{}());
    EnvGuard regRoot("QUARLAN_REGISTRY_ROOT", root.c_str());
    EnvGuard macRoots("QUARLAN_MAC_JVM_ROOTS", "");
    EnvGuard systemDirs("QUARLAN_SYSTEM_DIRS", "");
    EnvGuard jvmDirs("QUARLAN_JVM_DIRS", jvms.c_str());
    EnvGuard javaHome("JAVA_HOME", nullptr);
    if (onWindows()) {
        ASSERT_TRUE(platform::regSetString(platform::RegRoot::CurrentUser,
                                           root + "\\SOFTWARE\\JavaSoft\\JDK\\99.0.1", "JavaHome",
                                           jvms + sep + "jdk-99"));
    }
    std::string gone = appDir + sep + "jre6" + sep + "bin" + sep + program;
    writeProps("programName=Editor\njvmMinVersion=99\nexecFilename=" + escapeProps(gone) + "\nargs=Main\n");
    auto r = run();
    if (onWindows()) {
        (void)platform::regDeleteTree(platform::RegRoot::CurrentUser, root);  // best effort: the run may have made none
    }
    EXPECT_EQ(r.exitCode, 1);
    auto args = readArgvDump(dir.file("record.txt"));
    EXPECT_EQ(args, (Tokens{"Main"}));
    // The program the application was configured with, from the new JVM.
    std::string rec = readFile(dir.file("record.txt"));
    EXPECT_NE(rec.find(":" + newBin + sep + program + "\n"), std::string::npos) << rec;
    EXPECT_FALSE(exists(dir.file("ui.log"))) << readFile(dir.file("ui.log"));

    // None that would do: the error log says what the search tried and why each was refused.
    writeProps("programName=Editor\njvmMinVersion=100\nexecFilename=" + escapeProps(gone) + "\nargs=Main\n");
    if (onWindows()) {
        ASSERT_TRUE(platform::regSetString(platform::RegRoot::CurrentUser, root + "\\SOFTWARE\\JavaSoft\\JDK\\99.0.1",
                                           "JavaHome", jvms + sep + "jdk-99"));
    }
    run();
    if (onWindows()) (void)platform::regDeleteTree(platform::RegRoot::CurrentUser, root);  // the run may have made none
    std::string errors = readFile(dir.file("errors.log"));
    EXPECT_NE(errors.find(" No suitable JVM was found (100 or a later version); the search tried:"),
              std::string::npos)
        << errors;
    std::string tested = newBin + sep + (onWindows() ? "java.exe" : "java");
    // (The verdict may name the JVM's processor: "99.0.1 (i386) rejected".)
    size_t verdict = errors.find(tested + ": 99.0.1 ");
    ASSERT_NE(verdict, std::string::npos) << errors;
    std::string line = errors.substr(verdict, errors.find('\n', verdict) - verdict);
    EXPECT_NE(line.find("rejected: below the minimum 100"), std::string::npos) << line;
    // And the message the user sees names the nearest miss.
    EXPECT_NE(errors.find("Java 99.0.1 was found in "), std::string::npos) << errors;
    EXPECT_NE(errors.find(", but version 100 or later is needed."), std::string::npos) << errors;
}

#ifdef QRL_TEST_JAVA
TEST_F(LauncherRun, StartsARealJavaProgram) {
    install("app");
    writeFile(appDir + "/Hello.java",
              "public class Hello { public static void main(String[] a) throws Exception {"
              " java.nio.file.Files.write(java.nio.file.Paths.get(\"hello.out\"), java.util.Arrays.asList(a));"
              " System.exit(System.getenv(\"CLASSPATH\") == null ? 0 : 3); } }");
    writeProps("programName=Hello\nexecFilename=" + std::string(QRL_TEST_JAVA) +
               "\nargs=Hello.java \"a b\" $HOME\n");
    auto r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(readLines(appDir + "/hello.out"), (Tokens{"a b", "$HOME"}));
}

// A JVM reads the names of files in the character type of its locale: with
// none set, an application in a folder named with letters beyond ASCII would
// not be found. The launcher gives the JVM C.UTF-8 then, and leaves a locale
// the user set alone.
TEST_F(LauncherRun, ARealJavaProgramStartsInANonAsciiFolderUnderAnUnsetLocale) {
    install("\xc3\x9c" "bung \xe3\x81\x9f\xe3\x82\x8d\xe3\x81\x86", "quarlan");
    writeFile(appDir + "/Hello.java",
              "public class Hello { public static void main(String[] a) throws Exception {"
              " java.nio.file.Files.write(java.nio.file.Paths.get(\"hello.out\"), java.util.Arrays.asList("
              "String.valueOf(System.getenv(\"LC_ALL\")), String.valueOf(System.getenv(\"LC_CTYPE\")))); } }");
    writeProps("programName=Hello\nexecFilename=" + std::string(QRL_TEST_JAVA) + "\nargs=Hello.java\n");
    struct Case {
        const char* lcAll;
        const char* lcCtype;
        const char* lang;
        Tokens seen;  // LC_ALL and LC_CTYPE as the application sees them
    } cases[] = {
        {nullptr, nullptr, nullptr, {"null", "C.UTF-8"}},
        {"POSIX", nullptr, "de_DE.UTF-8", {"C.UTF-8", "null"}},  // LC_ALL would win over LC_CTYPE
        {nullptr, "C.utf8", "C", {"null", "C.utf8"}},            // the user's own, as written
    };
    for (const Case& c : cases) {
        EnvGuard all("LC_ALL", c.lcAll), ctype("LC_CTYPE", c.lcCtype), lang("LANG", c.lang);
        (void)platform::removeFile(appDir + "/hello.out");  // none before the first case
        EXPECT_EQ(run().exitCode, 0) << c.seen[1];
        EXPECT_EQ(readLines(appDir + "/hello.out"), c.seen);
    }
}
#endif

// ---------------------------------------------------------------------------
// The user's own JVM options file.

TEST(UserOptionsTest, OptionsAreReadLineByLineAndGoBeforeTheApplication) {
    struct Start {
        Tokens tokens;
        size_t at;
    };
    for (const Start& s : std::vector<Start>{
             {{"-Xmx256m", "-cp", "a b.jar", "Main", "-x"}, 3},
             {{"-Dk=v", "-jar", "app.jar", "Main"}, 1},
             {{"-p", "mods", "--add-modules", "m", "-m", "m/p.Main"}, 4},
             {{"--module=m/p.Main"}, 0},
             {{"--class-path=a.jar", "p.Main"}, 1},
             {{"-Xmx1g", "-cp"}, 2},
             {{}, 0},
         })
        EXPECT_EQ(qrl::applicationStart(s.tokens), s.at) << JavaApp::argsString(s.tokens);

    qrl::UserOptions read = qrl::parseUserOptions(
        "# heap for large documents\n"
        "  -Xmx2g \r\n"
        "\n"
        "\t#-Xss1m\n"
        "--add-opens  java.base/java.lang=ALL-UNNAMED\n"
        "-Duser.name=John Smith\n"
        "Xmx4g\n"
        "-jar other.jar\n"
        "-cp\n"
        "-\n"
        "-Dlast=\xc3\xa9");
    EXPECT_EQ(read.options, (Tokens{"-Xmx2g", "--add-opens", "java.base/java.lang=ALL-UNNAMED", "-Duser.name=John Smith",
                                    "-Dlast=\xc3\xa9"}));
    EXPECT_EQ(read.ignored, (Tokens{"Xmx4g: not an option", "-jar other.jar: chooses the application to run",
                                    "-cp: its value is missing", "-: not an option"}));
}

// The launcher reads the file when the properties ask for it and its rights
// allow; a file it cannot take is said in the error log and the application
// starts with the kit's options alone.
TEST_F(LauncherRun, UserOptionsFollowTheKitsWhenAllowed) {
    install("app");
    std::string settings = dir.file("settings");
    EnvGuard xdg("XDG_CONFIG_HOME", settings.c_str());
    EnvGuard appData("APPDATA", settings.c_str());
    std::string folder = settings + sep + "Editor";
    std::string file = folder + sep + "jvm.options";
    const Tokens kit{"-Xmx256m", "-Dk=kit", "-cp", "a b.jar", "Main", "x"};
    const Tokens user{"-Xmx256m", "-Dk=kit", "-cp", "a b.jar", "-Xmx2g", "-Dk=user", "Main", "x"};
    enum class File { None, Options, Directory, TooLarge, NotUtf8 };
    struct Case {
        const char* what;
        const char* key;  // the userJvmOptions line
        File file;
        bool allowed;
        Tokens expected;
        std::string error;  // in errors.log
    };
    const std::vector<Case> cases{
        {"applied", "userJvmOptions=true\n", File::Options, true, user, ""},
        {"any case, blanks around", "userJvmOptions= TRUE \n", File::Options, true, user, ""},
        {"not asked for", "", File::Options, true, kit, ""},
        {"asked for with another value", "userJvmOptions=yes\n", File::Options, true, kit, ""},
        {"elevated", "userJvmOptions=true\n", File::Options, false, kit, ""},
        {"no file", "userJvmOptions=true\n", File::None, true, kit, ""},
        {"a folder", "userJvmOptions=true\n", File::Directory, true, kit,
         "Unable to use the JVM options file " + file + ": not a regular file"},
        {"too large", "userJvmOptions=true\n", File::TooLarge, true, kit,
         "Unable to use the JVM options file " + file + ": larger than 64 KiB"},
        {"not UTF-8", "userJvmOptions=true\n", File::NotUtf8, true, kit,
         "Unable to use the JVM options file " + file + ": not UTF-8 text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(std::filesystem::u8path(settings));
        (void)platform::removeFile(dir.file("errors.log"));  // none before the first case
        writeFile(dir.file("startapp.log"), "");
        ASSERT_TRUE(std::filesystem::create_directories(std::filesystem::u8path(folder)));
        switch (c.file) {
            case File::None: break;
            case File::Options: writeFile(file, "# more heap\n-Xmx2g\n-Dk=user\n"); break;
            case File::Directory: ASSERT_TRUE(platform::makeDir(file)); break;
            case File::TooLarge: writeFile(file, "-Xmx2g\n" + std::string(64 << 10, '#')); break;
            case File::NotUtf8: writeFile(file, "-Dk=\xe9\n"); break;
        }
        writeProps("programName=Editor\nexecFilename=" + escapeProps(java) + "\n" + c.key +
                   "args=-Xmx256m -Dk=kit -cp \"a b.jar\" Main\n");
        // In this process (the family's launcher that waits for the
        // application), with the rights the entry would grant.
        JavaApp app(onWindows() ? Family::Windows : Family::Mac, qrl::Logs::inCurrentDir(qrl::kLauncherTrace));
        app.allowUserOptions(c.allowed);
        EXPECT_TRUE(app.javaApp(launcher, {"x"}));
        EXPECT_EQ(recorded(), c.expected);
        std::string errors = exists(dir.file("errors.log")) ? readFile(dir.file("errors.log")) : "";
        if (c.error.empty())
            EXPECT_EQ(errors, "");
        else
            EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
        std::string trace = readFile(dir.file("startapp.log"));
        EXPECT_EQ(trace.find("user JVM options applied: " + file) != std::string::npos, c.expected == user) << trace;
    }
    // The launcher program grants them to a user's process alone; tests run
    // as root in CI, where it must leave the file unread.
    writeFile(file, "-Xmx2g\n-Dk=user\n");
    ASSERT_TRUE(qrl::copyFile(helperPath(onWindows() ? "Quarlan" : "quarlan"), launcher));
    ASSERT_TRUE(platform::setMode(launcher, 0755));
    writeProps("execFilename=" + escapeProps(java) + "\nuserJvmOptions=true\nargs=-Xmx256m -Dk=kit -cp \"a b.jar\" Main\n");
    EXPECT_EQ(run({"x"}).exitCode, onWindows() ? 1 : 0);
    EXPECT_EQ(recorded(), platform::runsElevated() ? kit : user);
}

// ---------------------------------------------------------------------------
// QuarlanConsole.exe: a console program in front of a console application.

TEST_F(LauncherRun, ConsoleLauncherSharesItsConsoleAndEndsWithTheApplicationsStatus) {
    if (!onWindows()) GTEST_SKIP() << "the Windows console launcher";
    install("My Apps", "QuarlanConsole");
    // The properties name the windowed program; its console twin runs.
    std::string javaw = appDir + "\\jre\\bin\\javaw.exe";
    ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), javaw));
    writeProps("programName=Editor\nexecFilename=" + escapeProps(javaw) + "\nargs=-cp \"a b.jar\" Main\n");
    writeFile(dir.file("in.txt"), "apple\r\nyellow\r\nplum\r\n");
    auto errText = [&] {
        std::string err = readFile(dir.file("err.txt"));
        err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
        return err;
    };
    {
        EnvGuard echo("FAKEJAVA_ECHO", "said on stderr");
        EnvGuard status("FAKEJAVA_EXIT", "7");
        // As a user types it: its own arguments, standard input from a file,
        // standard output through a pipe, standard error to a file. (Wine's
        // findstr reads no pipe; its more does.)
        std::string command = "\"" + launcher + "\" \"x y\" \"say \\\"hi\\\"\" < \"" + dir.file("in.txt") +
                              "\" 2> \"" + dir.file("err.txt") + "\" | more > \"" + dir.file("out.txt") + "\"";
        // The interpreter takes the outer pair of quotes off its line.
        platform::RunResult piped = platform::runShell("\"" + command + "\"");
        ASSERT_TRUE(piped.started);
        EXPECT_EQ(readFile(dir.file("out.txt")), "apple\r\nyellow\r\nplum\r\n");
        EXPECT_EQ(errText(), "said on stderr\n");
        std::string program = readFile(dir.file("record.txt"));
        program.resize(program.find('\n'));
        EXPECT_TRUE(program.ends_with("\\java.exe")) << program;
        EXPECT_EQ(recorded(), (Tokens{"-cp", "a b.jar", "Main", "x y", "say \"hi\""}));
    }
    // Its status is the application's; a start that fails says why on
    // standard error: 127 when there is no program, 126 when it cannot run.
    struct Case {
        std::string properties;  // empty: no properties file
        int exitCode;
        std::string message;
    };
    std::string gone = appDir + "\\gone\\java.exe";
    std::string broken = appDir + "\\broken.exe";
    writeFile(broken, "not a program");
    const std::vector<Case> cases{
        {"execFilename=" + escapeProps(java) + "\n", 7, ""},
        {"execFilename=" + escapeProps(java) + "\n", 0, ""},
        {"", 126, "Unable to open file " + props + "\n"},
        {"programName=Editor\nexecFilename=" + escapeProps(gone) + "\n", 127,
         "Unable to start Editor\n\n" + gone + "\nis no longer on your system\n\nChange the execFilename property in\n" +
             props + "\n"},
        {"programName=Editor\nexecFilename=" + escapeProps(broken) + "\n", 126, "Error starting Editor.\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.properties);
        // Neither is there before the first case.
        (void)platform::removeFile(props);
        (void)platform::removeFile(dir.file("err.txt"));
        if (!c.properties.empty()) writeProps(c.properties);
        EnvGuard status("FAKEJAVA_EXIT", std::to_string(c.exitCode).c_str());
        platform::SpawnOptions options;
        options.stderrFile = dir.file("err.txt");
        platform::SpawnResult r = platform::spawn(launcher, {launcher}, options);
        ASSERT_TRUE(r.started);
        EXPECT_EQ(r.exitCode, c.exitCode);
        std::string err = errText();
        EXPECT_TRUE(err.starts_with(c.message) && (err.empty() == c.message.empty())) << err;
        EXPECT_FALSE(exists(dir.file("ui.log")));
    }
    // Killed, the launcher takes the application with it: a console
    // application never runs on unseen.
    writeProps("execFilename=" + escapeProps(java) + "\nargs=Main\nstartDir=" + escapeProps(dir.path()) + "\n");
    EnvGuard wizard("FAKEJAVA_WIZARD", "ok");  // the application's mark when it has run to its end
    EnvGuard slow("FAKEJAVA_SLEEP_MS", "3000");
    EXPECT_EQ(platform::spawn(helperPath("killafter"), {"killafter", "1000", launcher}).exitCode, 0);
    platform::sleepMs(4000);
    EXPECT_FALSE(exists(dir.file("__qrlwizard.sem")));
    EXPECT_EQ(platform::spawn(helperPath("killafter"), {"killafter", "10000", launcher}).exitCode, 1);
    EXPECT_TRUE(exists(dir.file("__qrlwizard.sem")));
}
