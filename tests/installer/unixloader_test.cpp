// The built unixloader on kits in temporary directories, with stand-in JVMs
// and wizards and with this machine's JDK.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/files.h"
#include "common/shellquote.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

const char* kControl =
    "jvmMinVersion=1.8\n"
    "jvmCommandName=java\n"
    "jvmClasspathSwitch=-cp\n"
    "loaderClasspath=.;install.jar\n"
    "loaderJavaCommand=DemoInstaller --flag\n";

struct LoaderRun {
    int status = -1;
    std::string out;
    std::string err;
};

class UnixloaderTest : public ::testing::Test {
protected:
    TempDir root;
    std::string kit = root.file("kit work");
    std::string start = root.file("start");
    std::string jvm = root.file("jvm");
    EnvGuard path{"PATH", (root.path() + "/jvm/bin").c_str()};
    EnvGuard home{"HOME", root.path().c_str()};
    EnvGuard sys{"QUARLAN_SYSTEM_DIRS", ""};
    EnvGuard dirs{"QUARLAN_JVM_DIRS", ""};
    EnvGuard installDirs{"QUARLAN_INSTALL_DIRS", ""};  // never a JVM below /usr, /opt or /bin
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard lang{"LANG", "C"};
    EnvGuard lcAll{"LC_ALL", nullptr};
    EnvGuard wizard{"FAKEJAVA_WIZARD", "ok"};
    EnvGuard record{"FAKEJAVA_RECORD", root.file("wizard-argv.txt").c_str()};

    void SetUp() override {
        for (const auto& d : {start, jvm, jvm + "/bin"}) ASSERT_TRUE(platform::makeDir(d));
        ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), jvm + "/bin/java"));
        ASSERT_TRUE(platform::setMode(jvm + "/bin/java", 0755));
        writeFile(jvm + "/bin/fakejava.version", "17.0.15\n");
        makeKit(kControl);
    }

    // A fresh kit as the unpacker leaves it (a run removes the previous one).
    void makeKit(const std::string& control) {
        std::error_code ec;
        std::filesystem::remove_all(kit, ec);
        ASSERT_TRUE(platform::makeDir(kit));
        writeFile(kit + "/qrl.control", control);
        writeFile(kit + "/install.jar", "stand-in");
        writeFile(kit + "/TestJvm.class", "stand-in");
        writeFile(kit + "/startdir.txt", start + "\n");
    }

    // The arguments of the last wizard start, if there was one.
    std::vector<std::string> wizardArgv() {
        std::vector<std::string> argv = readArgvDump(root.file("wizard-argv.txt"));
        bool wizard = false;
        for (const auto& a : argv) wizard = wizard || a == "DemoInstaller";
        return wizard ? argv : std::vector<std::string>{};
    }

    LoaderRun run(const std::string& args = "") {
        std::string cmd = "cd " + qrl::shellQuote(kit) + " && " + qrl::shellQuote(QRL_UNIXLOADER) + " " + args +
                          " >" + qrl::shellQuote(root.file("out.txt")) + " 2>" + qrl::shellQuote(root.file("err.txt"));
        LoaderRun r;
        r.status = platform::runShell(cmd).exitCode();
        r.out = readFile(root.file("out.txt"));
        r.err = readFile(root.file("err.txt"));
        return r;
    }
};

}  // namespace

TEST_F(UnixloaderTest, SuccessRemovesTheKitAndSavesTheLogs) {
    writeFile(kit + "/jinstall.log", "");  // the user asked for a trace
    LoaderRun r = run();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_FALSE(exists(kit));
    std::string trace = readFile(start + "/jinstall.log");
    EXPECT_NE(trace.find("Found correct version of JVM: " + jvm + "/bin/java"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Java wizard launched successfully: true"), std::string::npos);
    EXPECT_FALSE(exists(start + "/errors.log"));
    EXPECT_NE(r.out.find("Preparing wizard..."), std::string::npos);
    EXPECT_NE(r.out.find("Starting the wizard..."), std::string::npos);
    // The wizard's command line, class path switch and class path included.
    EXPECT_EQ(wizardArgv(), (std::vector<std::string>{"-cp", ".:install.jar", "DemoInstaller", "--flag"}));
    EXPECT_NE(readFile(root.file("wizard-argv.txt.info")).find("classpath=\n"), std::string::npos);
}

TEST_F(UnixloaderTest, WizardThatNeverStartsFailsWithBothTexts) {
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Unable to start the install wizard."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Are the destination or temporary directories out of disk space?"), std::string::npos);
    EXPECT_NE(r.err.find("Unable to start the install wizard."), std::string::npos) << r.err;
    std::string trace = readFile(start + "/jinstall.log");
    EXPECT_NE(trace.find("Java wizard not started properly"), std::string::npos);
    EXPECT_NE(trace.find("install ok: false"), std::string::npos);
    std::string errors = readFile(start + "/errors.log");
    EXPECT_NE(errors.find("Java wizard not started properly"), std::string::npos);
    // The message's parts are lines of their own, as a POSIX reader expects.
    EXPECT_EQ(errors.find('\r'), std::string::npos) << errors;
    EXPECT_NE(errors.find("Unable to start the install wizard.\n\nAre the destination"), std::string::npos) << errors;
    EXPECT_FALSE(exists(kit));
}

TEST_F(UnixloaderTest, MissingInstallJarStartsNothing) {
    ASSERT_TRUE(platform::removeFile(kit + "/install.jar"));
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(readFile(start + "/errors.log").find("install.jar does not exist."), std::string::npos);
    EXPECT_TRUE(wizardArgv().empty());
}

TEST_F(UnixloaderTest, NoSuitableJvmNamesWhatToInstall) {
    writeFile(kit + "/qrl.control", std::string(kControl) + "jvmMinVersion=99\n");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0);
    // The message names the nearest miss; message and details reach both streams.
    for (const std::string& text : {r.out, r.err}) {
        EXPECT_NE(text.find("The correct version of the JRE was not found on your system. Java 17.0.15 was found in " +
                            jvm + "/bin, but version 99 or later is needed.\n"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("Please install JRE 99 or a later version and then restart"), std::string::npos) << text;
    }
    std::string errors = readFile(start + "/errors.log");
    EXPECT_NE(errors.find("Please install JRE 99 or a later version and then restart this installation program."),
              std::string::npos)
        << errors;
    // Every JVM the search tried, with its verdict, as kitcheck --jvm tells it.
    EXPECT_NE(errors.find(" No suitable JVM was found (99 or a later version); the search tried:\n"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("  1. PATH " + jvm + "/bin/java: 17.0.15 rejected: below the minimum 99\n"),
              std::string::npos)
        << errors;

    makeKit(std::string(kControl) + "jvmMinVersion=99\njvmSelfExtractor=jre-kit.bin\n");
    r = run();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Unable to find JRE 99 or a later version on your system."), std::string::npos) << r.out;
}

TEST_F(UnixloaderTest, CrLfControlFileAndQuietDetails) {
    std::string crlf;
    for (char c : std::string(kControl)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    writeFile(kit + "/qrl.control", crlf);
    std::string details = root.file("my answers.properties");
    writeFile(details, "installDir=/nowhere\n");
    LoaderRun r = run("-q " + qrl::shellQuote("\"" + details + "\""));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.out, "");  // quiet: no progress texts
    std::vector<std::string> argv = wizardArgv();
    ASSERT_GE(argv.size(), 2u);
    EXPECT_EQ(argv[argv.size() - 2], "-q");
    EXPECT_EQ(argv.back(), details);

    // The shell split the quoted name at its blank: the pieces are joined again.
    makeKit(kControl);
    r = run("-q '\"" + root.file("my") + "' 'answers.properties\"'");
    EXPECT_EQ(r.status, 1);
    ASSERT_FALSE(wizardArgv().empty());
    EXPECT_EQ(wizardArgv().back(), details);
}

TEST_F(UnixloaderTest, StartDirectoryEqualToTheWorkingDirectoryKeepsIt) {
    writeFile(kit + "/startdir.txt", kit + "\n");
    writeFile(kit + "/jinstall.log", "");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(exists(kit));
    EXPECT_TRUE(exists(kit + "/qrl.control"));
    EXPECT_FALSE(exists(kit + "/startdir.txt"));
    EXPECT_FALSE(exists(start + "/jinstall.log"));
}

TEST_F(UnixloaderTest, ProgressInTheUsersLanguageAndEncoding) {
    {
        EnvGuard fr("LANG", "fr_FR.UTF-8");
        LoaderRun r = run();
        EXPECT_NE(r.out.find("Pr\xC3\xA9paration Wizard..."), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("D\xC3\xA9marrage Wizard..."), std::string::npos);
    }
    makeKit(kControl);
    EnvGuard fr("LANG", "fr_FR.ISO-8859-1");
    LoaderRun r = run();
    EXPECT_NE(r.out.find("Pr\xE9paration Wizard..."), std::string::npos) << r.out;
}

TEST_F(UnixloaderTest, GuiAlreadyRunningIsNotStartedAgain) {
    writeFile(kit + "/qrl.control", std::string(kControl) + "startGuiCommand=/usr/bin/touch " + root.file("started") +
                                        "\ncheckGuiRunningCommand=true >" + root.file("check.out") + "\n");
    writeFile(kit + "/jinstall.log", "");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists(root.file("started")));
    EXPECT_FALSE(exists(root.file("check.out")));  // the check's redirection target is removed
    EXPECT_NE(readFile(start + "/jinstall.log").find("GUI already running"), std::string::npos);
}

TEST_F(UnixloaderTest, GuiStartedByTheFirstProcessWhileTheChildInstalls) {
    std::string flag = root.file("gui-up");
    writeFile(kit + "/qrl.control", std::string(kControl) + "startGuiCommand=/usr/bin/touch " + flag +
                                        "\ncheckGuiRunningCommand=test -f " + flag + "\n");
    writeFile(kit + "/jinstall.log", "");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0);  // the first process became the desktop's start command
    EXPECT_NE(r.out.find("Starting GUI. Screen may blank. Please wait..."), std::string::npos);
    EXPECT_TRUE(exists(flag));
    // The installation goes on in the child: wait for its logs.
    for (int i = 0; i < 300 && exists(kit); ++i) platform::sleepMs(100);
    EXPECT_FALSE(exists(kit));
    std::string trace = readFile(start + "/jinstall.log");
    EXPECT_NE(trace.find("about to start GUI with command: /usr/bin/touch " + flag), std::string::npos) << trace;
    EXPECT_NE(trace.find("Java wizard launched successfully: true"), std::string::npos);
}

TEST_F(UnixloaderTest, StoppedWhileTheWizardRunsItPassesTheSignalOnAndTidiesUp) {
    writeFile(kit + "/jinstall.log", "");
    EnvGuard slow("FAKEJAVA_SLEEP_MS", "30000");
    std::string pidFile = root.file("pid"), statusFile = root.file("status");
    std::thread runner([&] {
        platform::runShell("cd " + qrl::shellQuote(kit) + " && " + qrl::shellQuote(QRL_UNIXLOADER) +
                           " >/dev/null 2>&1 & echo $! > " + qrl::shellQuote(pidFile) + "; wait $!; echo $? > " +
                           qrl::shellQuote(statusFile));
    });
    for (int i = 0; i < 300 && wizardArgv().empty(); ++i) platform::sleepMs(100);
    EXPECT_FALSE(wizardArgv().empty());
    pid_t pid = std::atoi(readFile(pidFile).c_str());
    if (pid > 0) ::kill(pid, SIGTERM);
    runner.join();
    EXPECT_EQ(readFile(statusFile), "143\n");
    // The logs are saved and the working directory goes, as after any run.
    EXPECT_FALSE(exists(kit));
    std::string trace = readFile(start + "/jinstall.log");
    EXPECT_NE(trace.find("java wizard ended by signal 15"), std::string::npos) << trace;
    EXPECT_NE(trace.find("installation stopped by signal 15"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Unable to start the install wizard"), std::string::npos) << trace;
}

TEST_F(UnixloaderTest, DemoKitInstallsWithThisMachinesJdk) {
    const std::string jdk = "/usr/lib/jvm/java-17-openjdk-amd64";
    if (!exists(jdk + "/bin/java")) GTEST_SKIP() << "no JDK 17 on this machine";
    std::error_code ec;
    std::filesystem::remove_all(kit, ec);
    std::filesystem::copy(QRL_DEMO_KIT, kit, ec);
    ASSERT_FALSE(ec) << ec.message();
    writeFile(kit + "/startdir.txt", start + "\n");
    EnvGuard jdkPath("PATH", (jdk + "/bin").c_str());
    std::string target = root.file("installed app");
    writeFile(root.file("answers.properties"), "installDir=" + target + "\n");
    LoaderRun r = run("-q " + qrl::shellQuote(root.file("answers.properties")));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_FALSE(exists(kit));
    EXPECT_TRUE(exists(target + "/lib/demo-app.jar"));
    std::string props = readFile(target + "/Quarlan/DemoApp.properties");
    EXPECT_NE(props.find("execFilename=" + jdk + "/bin/java\n"), std::string::npos) << props;
    EXPECT_NE(props.find("demo.App"), std::string::npos) << props;

    // Run again in a kit that stays: what the wizard unpacked is removed by
    // its manifest, the kit's own files stay.
    std::filesystem::copy(QRL_DEMO_KIT, kit, ec);
    ASSERT_FALSE(ec) << ec.message();
    writeFile(kit + "/startdir.txt", kit + "\n");
    r = run("-q " + qrl::shellQuote(root.file("answers.properties")));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(exists(kit + "/qrl.control"));
    EXPECT_FALSE(exists(kit + "/demo-app.jar"));
    EXPECT_FALSE(exists(kit + "/META-INF"));
    EXPECT_FALSE(exists(kit + "/install.jar"));
    EXPECT_FALSE(exists(kit + "/native.properties"));
}

TEST_F(UnixloaderTest, JvmFoundThroughALinkTellsTheWizardItsRealHome) {
    std::string links = root.file("links");
    ASSERT_TRUE(platform::makeDir(links));
    std::filesystem::create_symlink(jvm + "/bin/java", links + "/java");
    EnvGuard linked("PATH", links.c_str());
    writeFile(kit + "/startdir.txt", kit + "\n");
    writeFile(kit + "/jinstall.log", "");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    std::string trace = readFile(kit + "/jinstall.log");
    EXPECT_NE(trace.find("Found correct version of JVM: " + links + "/java"), std::string::npos) << trace;
    EXPECT_NE(trace.find("jvm home dir " + jvm + "\n"), std::string::npos) << trace;
}

TEST_F(UnixloaderTest, StaleWizardSemaphoreIsNoSuccessAndTheWizardsStatusIsRecorded) {
    // A semaphore left by an earlier, killed run: this run's wizard never starts.
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    writeFile(kit + "/__qrlwizard.sem", "");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(readFile(start + "/errors.log").find("Java wizard not started properly"), std::string::npos);

    // A wizard that started and then failed: the outcome stays by the
    // semaphore, its status goes to errors.log.
    (void)platform::removeFile(start + "/errors.log");  // none may be there
    makeKit(kControl);
    EnvGuard wizard("FAKEJAVA_WIZARD", "ok");
    EnvGuard failing("FAKEJAVA_WIZARD_EXIT", "3");
    r = run();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(readFile(start + "/errors.log").find("java wizard exit status 3"), std::string::npos);
}

TEST_F(UnixloaderTest, LinksInTheKitOrTheStartDirectoryAreNeitherWrittenThroughNorCopied) {
    namespace fs = std::filesystem;
    std::string victim = root.file("victim.txt"), secret = root.file("secret.txt");
    writeFile(victim, "precious");
    writeFile(secret, "secret");
    writeFile(kit + "/jinstall.log", "");
    fs::create_symlink(victim, kit + "/__qrl.control");
    fs::create_symlink(secret, kit + "/stolen.log");
    fs::create_symlink(victim, start + "/__qrltest.zos");
    fs::create_symlink(victim, start + "/jinstall.log");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0) << r.out << r.err;  // the logs are not where they belong
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(start + "/__qrltest.zos"));
    EXPECT_FALSE(exists(start + "/stolen.log"));
    // The trace could not be saved beside the link: it stays in the kit, and
    // the user is told where.
    EXPECT_NE(readFile(kit + "/jinstall.log").find("Java wizard launched successfully: true"), std::string::npos);
    EXPECT_NE(r.out.find("could not be saved in " + start + "; they are in " + kit), std::string::npos) << r.out;
    EXPECT_TRUE(exists(kit + "/qrl.control"));
}

TEST_F(UnixloaderTest, LogsStayWithTheKitWhenNoDirectoryTakesThemAndBothRunsLogsSurvive) {
    // Two installations from one start directory: the second run's logs are
    // appended to the first run's.
    writeFile(kit + "/jinstall.log", "");
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    ASSERT_EQ(run().status, 0);
    makeKit(kControl);
    writeFile(kit + "/jinstall.log", "");
    ASSERT_EQ(run().status, 0);
    std::string errors = readFile(start + "/errors.log"), trace = readFile(start + "/jinstall.log");
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(errors, "Java wizard not started properly"), 2u) << errors;
    EXPECT_EQ(count(trace, "Preparing Java install wizard"), 2u) << trace;

    // Neither the start directory nor the home directory takes a file (names
    // held by directories stand in for a read-only medium, which root cannot
    // otherwise have here): the logs stay with the kit, and the user is told.
    std::string otherHome = root.file("other home");
    for (const std::string& dir : {start, otherHome}) {
        // The start directory is there already, and names held already block
        // as well.
        (void)platform::makeDir(dir);
        for (const char* name : {"__qrltest.zos", "jinstall.log", "errors.log"}) {
            (void)platform::removeFile(dir + "/" + name);
            (void)platform::makeDir(dir + "/" + name);
        }
        for (int i = 1; i < 10; ++i) (void)platform::makeDir(dir + "/__qrltest" + std::to_string(i) + ".zos");
    }
    EnvGuard blockedHome("HOME", otherHome.c_str());
    makeKit(kControl);
    writeFile(kit + "/jinstall.log", "");
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(readFile(kit + "/errors.log").find("Java wizard not started properly"), std::string::npos);
    EXPECT_NE(r.out.find("could not be saved in " + start + "; they are in " + kit), std::string::npos) << r.out;
    EXPECT_TRUE(exists(kit + "/qrl.control"));  // the kit stays with its logs
}

TEST_F(UnixloaderTest, LogsAreSavedBeforeTheKitGoesOrBothStay) {
    // The kit under another name, with a failing wizard: nothing is copied
    // onto itself and nothing removed. A start directory that cannot take
    // the logs: they stay in the kit, the kit stays, the status is a
    // failure even after a good wizard, and the message says where they are.
    ASSERT_EQ(::symlink(kit.c_str(), root.file("link").c_str()), 0);
    const std::string file = root.file("a file");
    writeFile(file, "x");
    struct Case {
        std::string startLine;
        bool wizard;
        bool kitItself;
    };
    const Case cases[] = {
        {kit + "/", false, true},         {root.file("link"), false, true}, {".", false, true},
        {"../kit work", false, true},     {root.file("missing"), true, false}, {file, true, false},
        {start, false, false},  // its errors.log is a directory
    };
    for (const Case& c : cases) {
        makeKit(kControl);
        writeFile(kit + "/startdir.txt", c.startLine + "\n");
        if (!c.kitItself) (void)platform::makeDir(start + "/errors.log");  // held already after the first case
        EnvGuard wizardOk("FAKEJAVA_WIZARD", c.wizard ? "ok" : nullptr);
        LoaderRun r = run();
        EXPECT_EQ(r.status, 0) << c.startLine;
        EXPECT_TRUE(exists(kit + "/qrl.control")) << c.startLine;
        std::string errors = readFile(kit + "/errors.log");
        if (c.kitItself) {
            size_t first = errors.find("Java wizard not started properly");
            EXPECT_NE(first, std::string::npos) << c.startLine;
            EXPECT_EQ(errors.find("Java wizard not started properly", first + 1), std::string::npos) << errors;
        } else {
            EXPECT_NE(errors.find("; they are in " + kit), std::string::npos) << c.startLine << errors;
            EXPECT_NE(r.err.find("; they are in " + kit), std::string::npos) << c.startLine << r.err;
        }
        std::filesystem::remove_all(start + "/errors.log");
    }
}

TEST_F(UnixloaderTest, OneRunPerKitAndARerunRemovesWhatAKilledRunLeft) {
    EnvGuard tmp("TMPDIR", root.path().c_str());
    EnvGuard slow("FAKEJAVA_SLEEP_MS", "3000");
    std::string statusFile = root.file("status");
    std::thread first([&] {
        platform::runShell("cd " + qrl::shellQuote(kit) + " && " + qrl::shellQuote(QRL_UNIXLOADER) +
                           " >/dev/null 2>&1; echo $? > " + qrl::shellQuote(statusFile));
    });
    for (int i = 0; i < 300 && wizardArgv().empty(); ++i) platform::sleepMs(50);
    LoaderRun second = run();
    first.join();
    EXPECT_EQ(second.status, 0);
    EXPECT_NE(second.err.find("Another installation is running in this directory"), std::string::npos) << second.err;
    EXPECT_NE(readFile(root.file("errors.log")).find("Another installation is running"), std::string::npos);
    // The first run went on undisturbed, its logs its own.
    EXPECT_EQ(readFile(statusFile), "1\n");
    EXPECT_FALSE(exists(start + "/errors.log"));
    EXPECT_FALSE(exists(kit));

    // A run killed while the JVM archive expanded left its files in the JVM
    // home and the note that says where: the next run removes them.
    makeKit(kControl);
    std::string home = root.file("jvm home");
    ASSERT_TRUE(platform::makeDir(home));
    writeFile(kit + "/__qrlworkdirs", home + "\n");
    for (const char* name : {"__qrllaunch", "__temp.log", "release"}) writeFile(home + "/" + name, "x");
    for (const char* name : {"__qrlvers.log", "jvmGood.txt", "__qrllaunch"}) writeFile(kit + "/" + name, "x");
    EnvGuard quick("FAKEJAVA_SLEEP_MS", nullptr);
    EXPECT_EQ(run().status, 1);
    EXPECT_FALSE(exists(home + "/__qrllaunch"));
    EXPECT_FALSE(exists(home + "/__temp.log"));
    EXPECT_TRUE(exists(home + "/release"));
}

TEST_F(UnixloaderTest, ADirectoryWithoutAReadableControlFileIsNeverEmptied) {
    // A user's folder with a stray startdir.txt, or a kit half unpacked.
    ASSERT_TRUE(platform::removeFile(kit + "/qrl.control"));
    writeFile(kit + "/notes.txt", "mine");
    writeFile(kit + "/server.log", "theirs");
    ASSERT_TRUE(platform::makeDir(kit + "/META-INF"));
    writeFile(kit + "/META-INF/MANIFEST.MF", "Name: notes.txt\n");
    LoaderRun r = run("-q answers.properties");
    EXPECT_EQ(r.status, 0);
    for (const char* name : {"notes.txt", "server.log", "install.jar", "startdir.txt", "META-INF/MANIFEST.MF"})
        EXPECT_TRUE(exists(kit + "/" + name)) << name;
    EXPECT_FALSE(exists(kit + "/jinstall.sem"));
    // The run's own logs go to the start directory as always.
    EXPECT_NE(readFile(start + "/errors.log").find("Unable to open qrl.control"), std::string::npos);
    EXPECT_FALSE(exists(start + "/server.log"));
}

TEST_F(UnixloaderTest, UnknownSwitchesPrintTheUsageAndTouchNothing) {
    for (const char* args : {"-h", "-help", "-v", "-q answers.properties -x", "-s answers.properties"}) {
        LoaderRun r = run(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_NE(r.err.find("Usage: unixloader [-q FILE]"), std::string::npos) << args << r.err;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_FALSE(exists(kit + "/errors.log")) << args;
        EXPECT_FALSE(exists(kit + "/jinstall.log")) << args;
        EXPECT_TRUE(exists(kit + "/install.jar")) << args;
    }
    // The file after -q is the details file whatever it looks like.
    LoaderRun r = run("-q -answers.properties");
    EXPECT_EQ(r.status, 1) << r.err;
    ASSERT_FALSE(wizardArgv().empty());
    EXPECT_EQ(wizardArgv().back(), "-answers.properties");
}

TEST_F(UnixloaderTest, AKitThatTakesNoFileLogsInTheStartDirectoryElseAtHome) {
    // Names held by directories stand in for a read-only medium, which root
    // cannot otherwise have here.
    auto block = [](const std::string& dir) {
        // Names held already block as well.
        for (const char* name : {"__qrltest.zos", "errors.log", "jinstall.log"})
            (void)platform::makeDir(dir + "/" + name);
        for (int i = 1; i < 10; ++i) (void)platform::makeDir(dir + "/__qrltest" + std::to_string(i) + ".zos");
    };
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    block(kit);
    LoaderRun r = run();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(readFile(start + "/errors.log").find("Java wizard not started properly"), std::string::npos);
    EXPECT_NE(r.out.find("See " + start + "/errors.log"), std::string::npos) << r.out;

    std::string home = root.file("home");
    ASSERT_TRUE(platform::makeDir(home));
    EnvGuard homeVar("HOME", home.c_str());
    makeKit(kControl);
    block(kit);
    block(start);
    r = run();
    EXPECT_NE(readFile(home + "/errors.log").find("Java wizard not started properly"), std::string::npos);
    EXPECT_NE(r.out.find("See " + home + "/errors.log"), std::string::npos) << r.out;
}
