// installer.exe end to end (Windows, run under wine): a kit unpacked in a
// working directory, a stand-in JVM registered under the JavaSoft keys that
// plays the wizard's side, and the start directory that receives the logs.
// The WinInstallerUi cases need a desktop (wine under Xvfb, see
// tests/xvfb-wine.sh) and watch the real windows with the uiprobe helper.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "common/files.h"
#include "platform/codepage.h"
#include "platform/encoding.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using platform::RegRoot;

namespace {

namespace fs = std::filesystem;

// A directory of the Linux build tree as wine sees it.
std::string winPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

bool eventually(const std::function<bool()>& test, int seconds = 30) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (test()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return test();
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class WinInstaller : public ::testing::Test {
protected:
    TempDir base;
    std::string root = "Software\\QuarlanTest\\inst" + std::to_string(std::random_device{}());
    EnvGuard rootEnv{"QUARLAN_REGISTRY_ROOT", root.c_str()};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard wizard{"FAKEJAVA_WIZARD", "ok"};
    std::string record = base.file("wizard-args.txt");
    EnvGuard recordEnv{"FAKEJAVA_RECORD", record.c_str()};
    std::string uiLog = base.file("ui.log");
    EnvGuard uiEnv{"QUARLAN_UI_LOG", uiLog.c_str()};
    std::string kit;
    std::string start = base.file("start");

    // The kit's directory: long, with blanks and letters beyond ASCII.
    virtual std::string kitName() {
        std::string name = "Kit J\xC3\xBCrgen \xC5\x81ukasz \xE3\x81\x9F\xE3\x82\x8D\xE3\x81\x86";
        while (base.path().size() + name.size() < 250) name += " x";
        return name;
    }

    void SetUp() override {
        if (!onWindows()) GTEST_SKIP() << "installer.exe runs on Windows";
        if (!platform::getEnv("QRL_DEMO_KIT")) GTEST_SKIP() << "QRL_DEMO_KIT names the native build's demo kit";
        fs::create_directories(fs::u8path(start));
        layKit(base.file(kitName()));
    }
    // Unpacks the demo kit into dir, which becomes the kit of the next run.
    void layKit(const std::string& dir) {
        kit = dir;
        fs::create_directories(fs::u8path(kit));
        for (const char* p : {"installer", "cleanup"})
            ASSERT_TRUE(qrl::copyFile(helperPath(p), kit + "\\" + p + ".exe"));
        std::string demo = winPath(*platform::getEnv("QRL_DEMO_KIT"));
        for (const char* f : {"install.jar", "qrl.control", "TestJvm.class"})
            ASSERT_TRUE(qrl::copyFile(demo + "\\" + f, kit + "\\" + f)) << demo;
        writeFile(kit + "\\startdir.txt", start + "\n");
    }
    void TearDown() override {
        if (onWindows()) (void)platform::regDeleteTree(RegRoot::CurrentUser, root);  // a test may have made none
    }

    // A stand-in JVM under the JavaSoft keys of the test root.
    void registerJvm() {
        std::string home = base.file("jre8");
        fs::create_directories(fs::u8path(home + "\\bin"));
        for (const char* exe : {"java.exe", "javaw.exe"})
            ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), home + "\\bin\\" + exe));
        writeFile(home + "\\bin\\fakejava.version", "1.8.0_392\n");
        ASSERT_TRUE(platform::regSetString(
            RegRoot::CurrentUser, root + "\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_392", "JavaHome", home));
    }
    void setLocale(const char* name) {
        ASSERT_TRUE(platform::regSetString(RegRoot::CurrentUser, root + "\\Control Panel\\International", "LocaleName",
                                           name));
    }

    // Runs installer.exe in the kit and answers its exit status.
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), "installer.exe");
        platform::SpawnResult r;
        {
            CwdGuard cwd(kit);
            r = platform::spawn(kit + "\\installer.exe", args);
        }
        EXPECT_TRUE(r.started);
        return r.exitCode;
    }
    std::vector<std::string> wizardArgs() { return readArgvDump(record); }
    // Emptied by the cleanup program: nothing is left but its own running copy,
    // which cannot remove itself.
    bool kitGone() {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::u8path(kit), ec))
            if (e.path().filename() != "__cleanup.exe") return false;
        return true;
    }
};

TEST_F(WinInstaller, QuietInstallOfTheDemoKitWithALongDetailsPath) {
    registerJvm();
    // The answers file lies in the kit's long directory, its name has a blank.
    std::string details = kit + "\\answers file.properties";
    writeFile(details, "installDir=C:\\\\App\n");
    writeFile(start + "\\jinstall.log", "an earlier run\n");
    // Its blanks make it a quoted word of the command line.
    EXPECT_EQ(run({"-q", details}), 0);
    auto args = wizardArgs();
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[args.size() - 2], "-q");
    EXPECT_EQ(args.back(), details);
    EXPECT_NE(std::find(args.begin(), args.end(), ".;install.jar"), args.end());
    EXPECT_FALSE(exists(uiLog)) << readFile(uiLog);
    // The cleanup program removes the working directory after the installer ended.
    EXPECT_TRUE(eventually([&] { return kitGone(); })) << kit;
    EXPECT_FALSE(exists(start + "\\errors.log"));
    EXPECT_EQ(readFile(start + "\\jinstall.log"), "an earlier run\n");
}

TEST_F(WinInstaller, PropertiesSwitchAndTheCaseOfTheStartDirectory) {
    registerJvm();
    // The start directory is the working directory in other letters: nothing
    // is removed but the cleanup program.
    std::string upper = kit;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    writeFile(kit + "\\startdir.txt", upper + "\n");
    EXPECT_EQ(run({"-s", "answers.properties"}), 0);
    auto args = wizardArgs();
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[args.size() - 2], "-s");
    EXPECT_EQ(args.back(), "answers.properties");
    EXPECT_TRUE(exists(kit + "\\qrl.control"));
    EXPECT_FALSE(exists(kit + "\\__cleanup.exe"));
    EXPECT_FALSE(exists(kit + "\\cleanup.exe"));
}

TEST_F(WinInstaller, AFoundJvmThatCannotRunTheWizardFailsWithOneBoxAndStatusOne) {
    registerJvm();
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    // A semaphore left behind by an earlier run does not pass for a wizard.
    writeFile(kit + "\\__qrlwizard.sem", "");
    writeFile(start + "\\errors.log", "an earlier failure\n");
    EXPECT_EQ(run({}), 1);
    std::string ui = readFile(uiLog);
    EXPECT_EQ(ui.rfind("[Quarlan Installer: Error] Unable to start the install wizard.", 0), 0u) << ui;
    EXPECT_EQ(ui.find("[Quarlan", 1), std::string::npos) << "one box only:\n" << ui;
    EXPECT_TRUE(contains(ui, "\r\rOther possible causes for errors:")) << ui;
    // The JVM installation was tried after the first start failed.
    std::string trace = readFile(start + "\\jinstall.log");
    EXPECT_TRUE(contains(trace, "Starting the installer...")) << trace;
    EXPECT_TRUE(contains(trace, "Installing the JVM...")) << trace;
    std::string errors = readFile(start + "\\errors.log");
    EXPECT_EQ(errors.rfind("an earlier failure\n", 0), 0u) << errors;
    EXPECT_TRUE(contains(errors, "Java wizard not started properly")) << errors;
    EXPECT_TRUE(eventually([&] { return kitGone(); }));
}

TEST_F(WinInstaller, AFoundJvmThatCannotRunTheWizardMakesWayForTheKitsJvm) {
    registerJvm();
    writeFile(base.file("jre8") + "\\bin\\fakejava.nowizard", "");
    std::string programs = base.file("Program Files"), windows = base.file("Windows");
    for (const auto& d : {programs, windows}) fs::create_directories(fs::u8path(d));
    EnvGuard programsEnv{"QUARLAN_PROGRAM_FILES", programs.c_str()};
    EnvGuard windowsEnv{"QUARLAN_WINDOWS_DIR", windows.c_str()};
    std::string java = helperPath("fakejava");
    EnvGuard kitJava{"FAKEJVMKIT_JAVA", java.c_str()};
    writeFile(kit + "\\qrl.control",
              "jvmMinVersion=1.8\njvmVersion=17.0.15\njvmName=JRE\njvmCommandName=javaw.exe\njvmClasspathSwitch=-cp\n"
              "loaderJavaCommand=DemoInstaller\njvmInstallerType=selfExtratorJvmInstaller\njvmSelfExtractor=jre.exe\n");
    ASSERT_TRUE(qrl::copyFile(helperPath("fakejvmkit"), kit + "\\jre.exe"));
    EXPECT_EQ(run({"-q", base.file("answers.properties")}), 0) << readFile(uiLog);
    // The wizard ran the second time with the JVM the kit brought.
    // The first start's failure is in the logs; the second one's wizard ran.
    EXPECT_TRUE(contains(readFile(start + "\\errors.log"), "Java wizard not started properly"));
    EXPECT_TRUE(exists(programs + "\\JavaSoft\\JRE17.0\\17.0.15\\bin\\javaw.exe"));
    EXPECT_FALSE(exists(start + "\\jinstall.log"));  // a successful run keeps no trace it made itself
    EXPECT_TRUE(platform::regKeyExists(RegRoot::CurrentUser,
                                       root + "\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\17.0",
                                       platform::RegView::Own));
    EXPECT_TRUE(eventually([&] { return kitGone(); }));
}

TEST_F(WinInstaller, WithoutARegisteredJvmTheBoxNamesTheJvmToInstallAndTheKitNamesTheBox) {
    const std::string control = readFile(kit + "\\qrl.control");
    for (const std::string product : {"", "Acme \xC3\xA9"}) {
        // Each run's cleanup empties its own kit, perhaps after the next run began.
        if (!product.empty()) layKit(base.file("second kit"));
        writeFile(kit + "\\qrl.control", control + (product.empty() ? "" : "productName=" + product + "\n"));
        fs::remove(fs::u8path(uiLog));
        EXPECT_EQ(run({}), 1);
        EXPECT_EQ(readFile(uiLog),
                  "[" + (product.empty() ? std::string("Quarlan") : product) +
                      " Installer: Error] The correct version of the JRE was not found on your system.\r\r"
                      "Please install JRE 1.8 or a later version and then restart this installation program.\n");
    }
}

TEST_F(WinInstaller, AQuietFailureShowsNoBoxAndKeepsItsReasonInTheLogs) {
    EXPECT_EQ(run({"-q", "answers.properties"}), 1);
    EXPECT_FALSE(exists(uiLog)) << readFile(uiLog);
    EXPECT_TRUE(contains(readFile(start + "\\errors.log"), "The correct version of the JRE was not found"));
}

TEST_F(WinInstaller, ErrorsWithoutDetailsEndWithTheHintOfTheUsersLanguage) {
    setLocale("de-DE");
    fs::remove(fs::u8path(kit + "\\qrl.control"));
    EXPECT_EQ(run({}), 1);
    std::string ui = readFile(uiLog);
    EXPECT_EQ(ui.rfind("[Quarlan Installer: Error] Unable to open qrl.control\n\nBitte \xC3\xBC" "berpr\xC3\xBC" "fen Sie",
                       0),
              0u)
        << ui;
}

TEST_F(WinInstaller, NoCleanupWithoutAReadableKitNorInTheUsersProfile) {
    // The kit's cleanup program is a stand-in that would empty nothing: only
    // the installer's own refusal keeps the directory.
    ASSERT_TRUE(qrl::copyFile(helperPath("argvdump"), kit + "\\cleanup.exe"));
    EnvGuard dump("ARGVDUMP_FILE", base.file("cleanup-args.txt").c_str());
    writeFile(kit + "\\notes.txt", "mine");
    std::string control = readFile(kit + "\\qrl.control");
    fs::remove(fs::u8path(kit + "\\qrl.control"));
    EXPECT_EQ(run({"-q", "answers.properties"}), 1);
    // Not started: its copy, the one file this run made, is gone again.
    EXPECT_FALSE(exists(kit + "\\__cleanup.exe"));
    for (const char* name : {"notes.txt", "cleanup.exe", "install.jar", "startdir.txt"})
        EXPECT_TRUE(exists(kit + "\\" + name)) << name;
    EXPECT_TRUE(contains(readFile(start + "\\errors.log"), "Unable to open qrl.control"));

    // A kit unpacked straight into the user's profile installs, and stays.
    writeFile(kit + "\\qrl.control", control);
    registerJvm();
    EnvGuard profile("USERPROFILE", kit.c_str());
    EXPECT_EQ(run({"-q", "answers.properties"}), 0);
    EXPECT_FALSE(exists(kit + "\\__cleanup.exe"));
    EXPECT_TRUE(exists(kit + "\\notes.txt"));
    EXPECT_FALSE(exists(base.file("cleanup-args.txt")));
}

TEST_F(WinInstaller, AKitThatTakesNoFileLogsInTheStartDirectory) {
    // Names held by directories stand in for a read-only medium.
    for (const char* name : {"__qrltest.zos", "errors.log", "jinstall.log"})
        fs::create_directories(fs::u8path(kit + "\\" + name));
    for (int i = 1; i < 10; ++i) fs::create_directories(fs::u8path(kit + "\\__qrltest" + std::to_string(i) + ".zos"));
    registerJvm();
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    EXPECT_EQ(run({"-q", "answers.properties"}), 1);
    EXPECT_TRUE(contains(readFile(start + "\\errors.log"), "See " + start + "\\errors.log"))
        << readFile(start + "\\errors.log");
}

TEST_F(WinInstaller, QuietRunsShowNoBoxWhenTheControlFileIsMissing) {
    fs::remove(fs::u8path(kit + "\\qrl.control"));
    EXPECT_EQ(run({"-s", "answers.properties"}), 1);
    EXPECT_FALSE(exists(uiLog)) << readFile(uiLog);
    EXPECT_TRUE(contains(readFile(start + "\\errors.log"), "Unable to open qrl.control"));
}

// Another switch installs nothing and removes nothing: the usage goes to the
// kit's errors.log and, unless quiet, into a box.
TEST_F(WinInstaller, OtherSwitchesGiveTheUsageAndChangeNothing) {
    registerJvm();
    struct Row {
        std::vector<std::string> args;
        bool quiet;
    } rows[] = {{{"--help"}, false}, {{"/?"}, false}, {{"-x", "a"}, false}, {{"-q", "a", "--quiet", "x"}, true}};
    for (const auto& row : rows) {
        fs::remove(fs::u8path(uiLog));
        fs::remove(fs::u8path(kit + "\\errors.log"));
        EXPECT_EQ(run(row.args), 1) << row.args[0];
        EXPECT_TRUE(contains(readFile(kit + "\\errors.log"), "unknown option " + row.args[row.quiet ? 2 : 0]));
        EXPECT_TRUE(contains(readFile(kit + "\\errors.log"), "Usage: installer.exe [-q FILE | -s FILE]"));
        EXPECT_EQ(exists(uiLog), !row.quiet) << row.args[0];
    }
    EXPECT_FALSE(exists(record));
    EXPECT_FALSE(exists(start + "\\errors.log"));
    for (const char* kept : {"qrl.control", "install.jar", "startdir.txt", "cleanup.exe"})
        EXPECT_TRUE(exists(kit + "\\" + kept)) << kept;
    EXPECT_FALSE(exists(kit + "\\__cleanup.exe"));
    fs::remove(fs::u8path(uiLog));
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_TRUE(contains(readFile(uiLog), "installer.exe (Quarlan native programs) ")) << readFile(uiLog);
    EXPECT_FALSE(exists(record));
}

TEST_F(WinInstaller, ASecondRunInTheSameKitTouchesNothingAndAnswersOne) {
    registerJvm();
    EnvGuard slowWizard("FAKEJAVA_SLEEP_MS", "10000");
    platform::SpawnOptions background;
    background.wait = false;
    {
        CwdGuard cwd(kit);
        ASSERT_TRUE(platform::spawn(kit + "\\installer.exe", {"installer.exe", "-q", "first.properties"}, background)
                        .started);
    }
    ASSERT_TRUE(eventually([&] { return contains(readFile(record), "first.properties"); }));
    EnvGuard tmp("TMPDIR", base.path().c_str());
    EXPECT_EQ(run({}), 1);
    EXPECT_EQ(run({"-q", "second.properties"}), 1);
    EXPECT_EQ(readFile(uiLog),
              "[Quarlan Installer: Error] Another installation is running in this directory\n\n"
              "See errors.log and jinstall.log files for details.\n");
    EXPECT_TRUE(exists(kit + "\\qrl.control"));
    EXPECT_TRUE(exists(kit + "\\install.jar"));
    // The refusals are the refused runs' own, never in the first run's logs,
    // which goes on and cleans up.
    EXPECT_TRUE(contains(readFile(base.file("errors.log")), "Another installation is running in this directory"));
    EXPECT_TRUE(eventually([&] { return kitGone(); }));
    EXPECT_EQ(wizardArgs().back(), "first.properties");
    EXPECT_FALSE(exists(start + "\\errors.log")) << readFile(start + "\\errors.log");
}

TEST_F(WinInstaller, StartDirectoryInEveryEncodingAndNoCleanupWhenItCannotTakeTheLogs) {
    registerJvm();
    // A fresh kit per run: the cleanup program of the one before may still run.
    const std::string demo = winPath(*platform::getEnv("QRL_DEMO_KIT"));
    int count = 0;
    auto freshKit = [&] {
        kit = base.file("kit " + std::to_string(++count));
        fs::create_directories(fs::u8path(kit));
        for (const char* p : {"installer", "cleanup"}) ASSERT_TRUE(qrl::copyFile(helperPath(p), kit + "\\" + p + ".exe"));
        for (const char* f : {"install.jar", "qrl.control", "TestJvm.class"})
            ASSERT_TRUE(qrl::copyFile(demo + "\\" + f, kit + "\\" + f));
        writeFile(kit + "\\jinstall.log", "");
    };
    // The start folder in UTF-8 with a mark, in UTF-16 as PowerShell writes
    // it, and in the system's code page as cmd's echo writes it (where that
    // code page has the letter).
    const std::string folder = base.file("start D\xC3\xA9mo");
    fs::create_directories(fs::u8path(folder));
    std::string utf16 = "\xFF\xFE";
    for (char16_t u : platform::utf8ToUtf16(folder + "\r\n")) utf16 += std::string{char(u & 0xFF), char(u >> 8)};
    std::vector<std::string> files = {"\xEF\xBB\xBF" + folder + "\r\n", utf16};
    if (platform::systemCodePageToUtf8("\xE9") == "\xC3\xA9") files.push_back(base.file("start D\xE9mo") + " \r\n");
    for (const std::string& bytes : files) {
        freshKit();
        writeFile(kit + "\\startdir.txt", bytes);
        EXPECT_EQ(run({"-q", "answers.properties"}), 0) << readFile(kit + "\\errors.log");
        EXPECT_TRUE(eventually([&] { return kitGone(); })) << bytes;
        EXPECT_TRUE(contains(readFile(folder + "\\jinstall.log"), "Java wizard launched successfully: true")) << bytes;
        fs::remove(fs::u8path(folder + "\\jinstall.log"));
    }
    // A folder that does not exist or whose errors.log is a directory: the
    // logs and the kit stay, no cleanup program starts, status 1. The kit
    // itself by other names, with a failing wizard: no log is appended to
    // itself, nothing is removed.
    fs::create_directories(fs::u8path(start + "\\errors.log"));
    // The kit through wine's view of the whole disk.
    auto prefix = platform::getEnv("WINEPREFIX");
    auto zView = [&](bool slashes) {
        std::string z = winPath(*prefix + "/drive_c") + kit.substr(2);
        for (char& c : z)
            if (slashes && c == '\\') c = '/';
        return z;
    };
    struct Case {
        std::function<std::string()> line;
        bool kitItself;
    };
    std::vector<Case> cases = {{[&] { return base.file("missing"); }, false},
                               {[&] { return start; }, false},
                               {[&] { return kit + "\\"; }, true},
                               {[] { return std::string("."); }, true}};
    if (prefix && base.path().rfind("C:\\", 0) == 0) {
        cases.push_back({[&] { return zView(false) + "\\"; }, true});
        cases.push_back({[&] { return zView(true); }, true});
    }
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    for (const Case& c : cases) {
        freshKit();
        const std::string line = c.line();
        writeFile(kit + "\\startdir.txt", line + "\r\n");
        EXPECT_EQ(run({"-q", "answers.properties"}), 1) << line;
        EXPECT_TRUE(exists(kit + "\\qrl.control")) << line;
        EXPECT_FALSE(exists(kit + "\\__cleanup.exe")) << line;
        std::string errors = readFile(kit + "\\errors.log");
        size_t first = errors.find("Java wizard not started properly");
        EXPECT_NE(first, std::string::npos) << line;
        EXPECT_EQ(errors.find("Java wizard not started properly", first + 1), std::string::npos) << line;
        EXPECT_EQ(contains(errors, "; they are in " + kit), !c.kitItself) << line << errors;
    }
}

// The real windows, watched by the probe.
class WinInstallerUi : public WinInstaller {
protected:
    EnvGuard realBoxes{"QUARLAN_UI_LOG", nullptr};
    std::string probeLog = base.file("probe.log");

    void SetUp() override {
        if (!platform::getEnv("QUARLAN_UI_DISPLAY")) GTEST_SKIP() << "needs a desktop (tests/xvfb-wine.sh)";
        WinInstaller::SetUp();
    }
    void startProbe(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"uiprobe.exe", probeLog, kit};
        args.insert(args.end(), extra.begin(), extra.end());
        platform::SpawnOptions options;
        options.wait = false;
        ASSERT_TRUE(platform::spawn(helperPath("uiprobe"), args, options).started);
        ASSERT_TRUE(eventually([&] { return exists(probeLog); }, 10));
    }
    // What the probe saw, once it has ended.
    std::vector<std::string> stopProbe() {
        writeFile(probeLog + ".stop", "");
        EXPECT_TRUE(eventually([&] { return exists(probeLog + ".done"); }, 10));
        return readLines(probeLog);
    }
    static long timeOf(const std::vector<std::string>& lines, const std::string& event) {
        for (const auto& l : lines)
            if (l.rfind(event + " ", 0) == 0) return std::stol(l.substr(event.size() + 1));
        return -1;
    }
    static std::string textOf(const std::vector<std::string>& lines, const std::string& event) {
        for (const auto& l : lines)
            if (l.rfind(event + " ", 0) == 0) {
                size_t blank = l.find(' ', event.size() + 1);
                return blank == std::string::npos ? "" : l.substr(blank + 1);
            }
        return "<none>";
    }
};

TEST_F(WinInstallerUi, TheDialogStaysUntilTheWizardStartsAndTheProcessUntilItEnds) {
    registerJvm();
    EnvGuard slowWizard("FAKEJAVA_SLEEP_MS", "13000");
    // Written to the build tree ("tests" beside "tests\\bin").
    std::string bin = helperPath("uiprobe");
    bin = bin.substr(0, bin.find_last_of('\\'));
    std::string png = bin.substr(0, bin.find_last_of('\\')) + "\\status-dialog.png";
    startProbe({"png", png});
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(run({}), 0);
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begin).count();
    auto lines = stopProbe();
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_EQ(textOf(lines, "shown"), "Unpacking the installer...") << all;
    long gone = timeOf(lines, "showgone"), hidden = timeOf(lines, "hidden");
    ASSERT_GE(gone, 0) << all;
    ASSERT_GE(hidden, 0) << all;
    // Hidden about ten seconds after the wizard started, while the wizard
    // (and so the installer) still ran.
    EXPECT_GE(hidden - gone, 8000) << all;
    EXPECT_LE(hidden - gone, 12000) << all;
    EXPECT_GE(seconds, 13);
    EXPECT_NE(timeOf(lines, "png"), -1) << all;
    EXPECT_TRUE(eventually([&] { return kitGone(); }));
}

TEST_F(WinInstallerUi, GermanDialogAndARealErrorBoxPressedByTheProbe) {
    setLocale("de-DE");
    fs::remove(fs::u8path(kit + "\\qrl.control"));
    startProbe();
    EXPECT_EQ(run({}), 1);
    auto lines = stopProbe();
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_EQ(textOf(lines, "shown"), "Bereite Wizard..") << all;
    std::string box = textOf(lines, "error");
    EXPECT_EQ(box.rfind("Unable to open qrl.control\\n\\nBitte", 0), 0u) << all;
    EXPECT_NE(timeOf(lines, "hidden"), -1) << all;
}

TEST_F(WinInstallerUi, TheKitsProductNameTitlesTheDialogAndTheBox) {
    writeFile(kit + "\\qrl.control", readFile(kit + "\\qrl.control") + "productName=Acme\n");
    startProbe({"product", "Acme"});
    EXPECT_EQ(run({}), 1);
    auto lines = stopProbe();
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_EQ(textOf(lines, "shown"), "Unpacking the installer...") << all;
    EXPECT_EQ(textOf(lines, "error").rfind("The correct version of the JRE was not found", 0), 0u) << all;
}

TEST_F(WinInstallerUi, EscapeTakesTheDialogAwayAndTheInstallationGoesOn) {
    registerJvm();
    EnvGuard slowWizard("FAKEJAVA_SLEEP_MS", "3000");
    startProbe({"escape"});
    EXPECT_EQ(run({}), 0);
    auto lines = stopProbe();
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_NE(timeOf(lines, "escape"), -1) << all;
    EXPECT_NE(timeOf(lines, "hidden"), -1) << all;
    EXPECT_TRUE(eventually([&] { return kitGone(); }));
}

TEST_F(WinInstallerUi, QuietShowsNoWindow) {
    registerJvm();
    startProbe();
    EXPECT_EQ(run({"-q", "answers.properties"}), 0);
    auto lines = stopProbe();
    EXPECT_EQ(timeOf(lines, "shown"), -1);
}

TEST_F(WinInstallerUi, HandshakeFilesLeftByAnEarlierRunAreRemovedFirst) {
    registerJvm();
    // Neither can be opened for writing: the window thread waited for ever
    // for the directory to go.
    fs::create_directories(fs::u8path(kit + "\\__qrlinstall.sem"));
    writeFile(kit + "\\__qrlshow.sem", "ok\n");
    fs::permissions(fs::u8path(kit + "\\__qrlshow.sem"), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(run({"-q", "answers.properties"}), 0);
    EXPECT_EQ(wizardArgs().back(), "answers.properties");
    EXPECT_TRUE(eventually([&] { return kitGone(); }));
}

}  // namespace
