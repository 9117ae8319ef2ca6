// The macOS installer: its private working directory, its switches, the
// operating-system check, the error script, and the built macsetup on kits
// with stand-in JVMs and with this machine's JDK below an injected JVM root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/execcmd.h"
#include "common/files.h"
#include "common/shellquote.h"
#include "installer/commandline.h"
#include "installer/macsteps.h"
#include "installer/status.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;
namespace fs = std::filesystem;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::vector<std::string> tmpqrlDirs(const std::string& base) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(base))
        if (e.path().filename().string().rfind("tmpqrl", 0) == 0) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// A kit directory, a base for the working directories and a start directory.
class TempKitTest : public ::testing::Test {
protected:
    TempDir root;
    std::string base = root.file("T");
    std::string kit = root.file("My Disk");
    EnvGuard tmp{"TMPDIR", (root.path() + "/T/").c_str()};

    void SetUp() override {
        ASSERT_TRUE(platform::makeDir(base));
        ASSERT_TRUE(platform::makeDir(kit));
        ASSERT_TRUE(platform::makeDir(kit + "/jre"));
        writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\n");
        writeFile(kit + "/jre/jre-setup.sh", "#!/bin/sh\n");
    }
};

}  // namespace

TEST_F(TempKitTest, BaseDirectoryFromTmpdir) {
    EXPECT_EQ(qrl::tempDirBase(), base);  // the trailing "/" goes
    {
        EnvGuard missing("TMPDIR", root.file("missing").c_str());
        EXPECT_EQ(qrl::tempDirBase(), "/tmp");
        EnvGuard unset("TMPDIR", nullptr);
        EXPECT_EQ(qrl::tempDirBase(), "/tmp");
    }
    // Unusable: the root, a file, a directory that takes no file (names held
    // by directories stand in for a read-only one), a name too long for the
    // run's files.
    std::string file = root.file("file");
    writeFile(file, "x");
    std::string full = root.file("full");
    ASSERT_TRUE(platform::makeDir(full));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(platform::makeDir(full + "/__qrltest" + (i ? std::to_string(i) : std::string()) + ".zos"));
    std::string deep = root.path() + "/" + std::string(200, 'd');
    ASSERT_TRUE(platform::makeDir(deep));
    while (deep.size() < 1000) {
        deep += "/" + std::string(150, 'd');
        ASSERT_TRUE(platform::makeDir(deep));
    }
    for (const std::string& bad : {std::string("/"), file, full, deep}) {
        EnvGuard unusable("TMPDIR", bad.c_str());
        EXPECT_EQ(qrl::tempDirBase(), "/tmp") << bad;
    }
}

TEST_F(TempKitTest, ADirectoryLockLastsWhileAnyProcessOfTheRunLives) {
    std::string dir = base + "/tmpqrl01";
    ASSERT_TRUE(platform::makeDir(dir));
    std::string pidFile = root.file("pid");
    {
        platform::DirLock lock;
        ASSERT_TRUE(lock.tryLock(dir));
        // A program the run started outlives the run's own hold.
        ASSERT_EQ(platform::runShell("sleep 30 >/dev/null 2>&1 & echo $! > " + qrl::shellQuote(pidFile)).exitCode(),
                  0);
    }
    platform::DirLock other;
    EXPECT_FALSE(other.tryLock(dir));
    pid_t pid = std::atoi(readFile(pidFile).c_str());
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    bool freed = false;
    for (int i = 0; i < 100 && !freed; ++i) {
        freed = other.tryLock(dir).ok();
        if (!freed) platform::sleepMs(50);
    }
    EXPECT_TRUE(freed);
}

TEST_F(TempKitTest, PrivateCopyOfTheWholeKit) {
    CwdGuard cwd(root.path());
    // A leftover of an earlier run of this user, which no run holds any more.
    ASSERT_TRUE(platform::makeDir(base + "/tmpqrl01"));
    ASSERT_TRUE(platform::makeDir(base + "/tmpqrl01/old"));
    writeFile(base + "/tmpqrl01/old/x.txt", "old");
    platform::DirLock lock;
    std::string dir;
    ASSERT_TRUE(qrl::createTempDir(kit, lock, dir));
    EXPECT_EQ(dir, base + "/tmpqrl01");
    EXPECT_EQ(platform::currentDir().value_or(""), dir);
    EXPECT_FALSE(exists(dir + "/old"));
    EXPECT_EQ(readFile(dir + "/startdir.txt"), kit + "\n");
    EXPECT_EQ(readFile(dir + "/jre/jre-setup.sh"), "#!/bin/sh\n");  // subdirectories come along
    EXPECT_EQ(modeOf(dir), 0700u);
    EXPECT_EQ(modeOf(dir + "/jre/jre-setup.sh"), 0755u);

    // While this run holds it, another run takes the next number.
    platform::DirLock second;
    std::string other;
    ASSERT_TRUE(qrl::createTempDir(kit, second, other));
    EXPECT_EQ(other, base + "/tmpqrl02");
    EXPECT_TRUE(exists(dir + "/qrl.control"));
}

TEST_F(TempKitTest, CandidatesThatAreNotThisRunsAreNeverTouched) {
    CwdGuard cwd(root.path());
    // A link to someone's files, and a directory with a run still alive in it.
    std::string victim = root.file("victim");
    ASSERT_TRUE(platform::makeDir(victim));
    writeFile(victim + "/keep.txt", "keep");
    fs::create_symlink(victim, base + "/tmpqrl01");
    ASSERT_TRUE(platform::makeDir(base + "/tmpqrl02"));
    writeFile(base + "/tmpqrl02/busy.txt", "busy");
    platform::DirLock alive;
    ASSERT_TRUE(alive.tryLock(base + "/tmpqrl02"));
    bool root_ = ::geteuid() == 0;
    if (root_) {
        // Another user's directory (only root can make one for the test).
        ASSERT_TRUE(platform::makeDir(base + "/tmpqrl03"));
        writeFile(base + "/tmpqrl03/theirs.txt", "theirs");
        ASSERT_EQ(::chown((base + "/tmpqrl03").c_str(), 65534, 65534), 0);
    }
    platform::DirLock lock;
    std::string dir;
    ASSERT_TRUE(qrl::createTempDir(kit, lock, dir));
    EXPECT_EQ(dir, base + (root_ ? "/tmpqrl04" : "/tmpqrl03"));
    EXPECT_EQ(readFile(victim + "/keep.txt"), "keep");
    EXPECT_TRUE(platform::isLink(base + "/tmpqrl01"));
    EXPECT_EQ(readFile(base + "/tmpqrl02/busy.txt"), "busy");
    if (root_) {
        EXPECT_EQ(readFile(base + "/tmpqrl03/theirs.txt"), "theirs");
    }
}

TEST_F(TempKitTest, RunFromInsideACandidateKeepsIt) {
    std::string inside = base + "/tmpqrl01";
    ASSERT_TRUE(platform::makeDir(inside));
    writeFile(inside + "/qrl.control", "kit");
    CwdGuard cwd(inside);
    platform::DirLock lock;
    std::string dir;
    ASSERT_TRUE(qrl::createTempDir(inside, lock, dir));
    EXPECT_EQ(dir, base + "/tmpqrl02");
    EXPECT_EQ(readFile(inside + "/qrl.control"), "kit");
    EXPECT_EQ(readFile(dir + "/qrl.control"), "kit");
}

TEST_F(TempKitTest, LinksAreNotFollowedOutOfTheKit) {
    std::string outside = root.file("secret.txt");
    writeFile(outside, "secret");
    fs::create_symlink(outside, kit + "/leak.txt");
    fs::create_symlink(kit + "/qrl.control", kit + "/alias.control");
    fs::create_symlink(root.path(), kit + "/up");
    std::string to = root.file("copy");
    ASSERT_TRUE(platform::makeDir(to, 0700));
    qrl::copyKitToTempDir(kit, to);
    EXPECT_FALSE(exists(to + "/leak.txt"));
    EXPECT_FALSE(exists(to + "/up"));
    EXPECT_EQ(readFile(to + "/alias.control"), "jvmMinVersion=1.8\n");
    EXPECT_FALSE(platform::isLink(to + "/alias.control"));
    // The mode change does not go through links either.
    ::chmod(outside.c_str(), 0600);
    fs::create_symlink(outside, to + "/planted");
    qrl::ExecCommand exec(qrl::Family::Mac, qrl::Logs::in(root.path(), "trace.log"));
    exec.setPermissions(to);
    EXPECT_EQ(modeOf(outside), 0600u);
    EXPECT_EQ(modeOf(to + "/jre"), 0755u);
}

TEST(MacCommandLineTest, WholeSwitchesAndTheDetailsAfterThem) {
    using V = std::vector<std::string>;
    // The shell split "/Volumes/My Disk/details.txt" at its blank.
    auto cl = qrl::parseMacCommandLine(V{"/Volumes/Kit/macsetup", "-q", "\"/Volumes/My", "Disk/details.txt\""});
    EXPECT_TRUE(cl.quiet);
    EXPECT_FALSE(cl.properties);
    EXPECT_EQ(cl.details, "/Volumes/My Disk/details.txt");
    cl = qrl::parseMacCommandLine(V{"./macsetup", "-s", "props.txt"});
    EXPECT_TRUE(cl.properties);
    EXPECT_EQ(cl.details, "props.txt");
    // A path that merely contains "-q" is no switch, neither as an argument
    // nor as the program's directory; the argument after a switch is the
    // details file whatever it holds.
    cl = qrl::parseMacCommandLine(V{"/srv/my-qkit/macsetup", "/srv/answers-quick.properties"});
    EXPECT_FALSE(cl.quiet);
    EXPECT_EQ(cl.details, "");
    cl = qrl::parseMacCommandLine(V{"./macsetup", "-q", "-s"});
    EXPECT_TRUE(cl.quiet);
    EXPECT_FALSE(cl.properties);
    EXPECT_EQ(cl.details, "-s");
    cl = qrl::parseMacCommandLine(V{"./macsetup", "-Q", "x", "-q"});
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, "");
    cl = qrl::parseMacCommandLine(V{"./macsetup", "-q", "\"unclosed", "a", "b"});
    EXPECT_EQ(cl.details, "unclosed a b");
}

TEST(OsCheckTest, DarwinReleasesComparedAsNumbers) {
    for (const char* ok : {"11.3.0", "11.4.2", "12.0", "23.4.0", "24.0.0\n", "100.1"})
        EXPECT_TRUE(qrl::darwinReleaseOk(ok)) << ok;
    for (const char* refused : {"10.6.8", "10.8.0", "11.2.9", "9.8.0", "", "Darwin", ".1"})
        EXPECT_FALSE(qrl::darwinReleaseOk(refused)) << refused;
}

TEST(OsCheckTest, ReleaseTracedAndJudged) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    writeFile("jinstall.log", "");
    qrl::Logs trace = logsHere();
    {
        EnvGuard release("QUARLAN_OS_RELEASE", "23.4.0");
        EXPECT_TRUE(qrl::isOsVersionOk(trace));
    }
    std::string log = readFile("jinstall.log");
    EXPECT_NE(log.find("   os release: 23.4.0"), std::string::npos) << log;
    EXPECT_NE(log.find("os version ok to install jre: true"), std::string::npos) << log;
    {
        EnvGuard release("QUARLAN_OS_RELEASE", "10.6.8");
        EXPECT_FALSE(qrl::isOsVersionOk(trace));
    }
    // Without the variable the system's own release answers (Linux here: too
    // old a number for a Darwin release, but read).
    EnvGuard none("QUARLAN_OS_RELEASE", nullptr);
    qrl::isOsVersionOk(trace);
    EXPECT_EQ(readFile("jinstall.log").find("   os release: \n"), std::string::npos);
}

TEST(MacErrorTest, ScriptGetsTheWholeTextAsOneArgumentAndTheTitleAsASecond) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    writeFile("show_error.sh", "printf '%s|%s|%s' \"$#\" \"$1\" \"$2\" > shown.txt\n");
    qrl::Status status(qrl::Family::Mac);
    std::string message = "Unable to find \"JRE\" $(touch pwned) `touch pwned2`";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    status.showError(message, "Please install it; then 'retry' & see");
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile("shown.txt"), "2|" + message + "\nPlease install it; then 'retry' & see|Quarlan Installer: Error");
    EXPECT_FALSE(exists("pwned"));
    EXPECT_FALSE(exists("pwned2"));
    EXPECT_EQ(out, "\n" + message + "\n\nPlease install it; then 'retry' & see\n");
    EXPECT_EQ(err, out);

    // The kit's product names the title the script is given.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    status.setProductName("Acme");
    status.showError("m", "d");
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile("shown.txt"), "2|m\nd|Acme Installer: Error");

    EXPECT_TRUE(platform::removeFile("shown.txt"));
    status.setQuietMode(true);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    status.showError("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(exists("shown.txt"));
}

// The built macsetup beside a kit: the start directory is the program's
// directory, the working directories go below an injected TMPDIR, the JVM is
// looked for below an injected root.
namespace {

struct MacRun {
    int status = -1;
    std::string out;
    std::string err;
};

class MacsetupTest : public ::testing::Test {
protected:
    TempDir root;
    std::string kit = root.file("Kit Volume");
    std::string base = root.file("T");
    std::string jvmRoot = root.file("JavaVirtualMachines");
    std::string home = root.file("home");
    EnvGuard tmp{"TMPDIR", (root.path() + "/T").c_str()};
    EnvGuard roots{"QUARLAN_MAC_JVM_ROOTS", (root.path() + "/JavaVirtualMachines").c_str()};
    EnvGuard homeVar{"HOME", (root.path() + "/home").c_str()};
    EnvGuard installDirs{"QUARLAN_INSTALL_DIRS", ""};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard lang{"LANG", "C"};
    EnvGuard lcAll{"LC_ALL", nullptr};
    EnvGuard wizard{"FAKEJAVA_WIZARD", "ok"};
    EnvGuard release{"QUARLAN_OS_RELEASE", "23.4.0"};

    void SetUp() override {
        for (const auto& d : {kit, base, jvmRoot, home}) ASSERT_TRUE(platform::makeDir(d));
        writeFile(kit + "/install.jar", "stand-in");
        writeFile(kit + "/TestJvm.class", "stand-in");
        writeFile(kit + "/show_error.sh", "printf '%s' \"$1\" > \"$HOME/shown.txt\"\n");
        placeProgram(kit);
    }

    static void placeProgram(const std::string& dir) {
        ASSERT_TRUE(qrl::copyFile(QRL_MACSETUP, dir + "/macsetup"));
        ASSERT_TRUE(platform::setMode(dir + "/macsetup", 0755));
    }

    // A stand-in JVM home below the JVM root (root/name/Home/bin/java).
    std::string standInJvm(const std::string& name, const std::string& version = "17.0.15") {
        std::string bin = jvmRoot + "/" + name + "/Home/bin";
        fs::create_directories(bin);
        EXPECT_TRUE(qrl::copyFile(helperPath("fakejava"), bin + "/java"));
        EXPECT_TRUE(platform::setMode(bin + "/java", 0755));
        writeFile(bin + "/fakejava.version", version + "\n");
        return bin + "/java";
    }

    std::string runAs;  // a command that runs the program as another user

    MacRun run(const std::string& args = "", const std::string& dir = "") {
        std::string from = dir.empty() ? kit : dir;
        // Started from elsewhere: the kit is where the program is.
        std::string program = runAs.rfind("PATH=", 0) == 0 ? "macsetup" : qrl::shellQuote(from + "/macsetup");
        std::string cmd = "cd " + qrl::shellQuote(root.path()) + " && " + runAs + program + " " + args + " >" +
                          qrl::shellQuote(from + ".out") + " 2>" + qrl::shellQuote(from + ".err");
        MacRun r;
        r.status = platform::runShell(cmd).exitCode();
        r.out = readFile(from + ".out");
        r.err = readFile(from + ".err");
        return r;
    }
};

}  // namespace

TEST_F(MacsetupTest, FailureShownThroughTheKitsScriptUnlessQuiet) {
    writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\njvmCommandName=java\nloaderJavaCommand=Wizard\n");
    MacRun r = run();
    EXPECT_EQ(r.status, 0);
    const std::string message = "The correct version of the JRE was not found on your system.";
    EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(readFile(home + "/shown.txt"),
              message + "\nPlease install JRE 1.8 or a later version and then restart this installation program.");
    EXPECT_NE(readFile(kit + "/errors.log").find(message), std::string::npos);
    EXPECT_NE(readFile(kit + "/jinstall.log").find("install ok: false"), std::string::npos);
    EXPECT_TRUE(tmpqrlDirs(base).empty());

    // Found through the search path, the program's name has no directory:
    // the kit is still the directory the program lies in.
    // Either may be missing.
    (void)platform::removeFile(home + "/shown.txt");
    (void)platform::removeFile(kit + "/errors.log");
    runAs = "PATH=" + qrl::shellQuote(kit) + ":/usr/bin:/bin ";
    r = run("-q answers.properties");
    EXPECT_TRUE(exists(kit + "/errors.log"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists(home + "/shown.txt"));
}

TEST_F(MacsetupTest, StaleWizardSemaphoreAndTheSecondStartWithTheKitsJvm) {
    // The JVM found cannot run the wizard (it never says it started); the
    // kit's archive then provides one that can, and the wizard starts again.
    std::string found = standInJvm("old.jdk");
    // The archive leaves a launcher that starts the wizard, written without
    // the execute bit (the installer gives what the archive made 0755).
    std::string archive = "#!/bin/sh\nmkdir -p bin && cp " + qrl::shellQuote(helperPath("fakejava")) +
                          " bin/fakejava && echo 17.0.15 > bin/fakejava.version && chmod 0644 bin/fakejava\n"
                          "printf '#!/bin/sh\\nFAKEJAVA_WIZARD=ok exec \"$(dirname \"$0\")/fakejava\" \"$@\"\\n'"
                          " > bin/java\n";
    writeFile(kit + "/jre-setup.sh", archive);
    writeFile(kit + "/qrl.control",
              "jvmMinVersion=1.8\njvmVersion=17.0.15\njvmCommandName=java\nloaderJavaCommand=Wizard\n"
              "jvmInstallerType=selfExtratorJvmInstaller\njvmSelfExtractor=jre-setup.sh\n");
    writeFile(kit + "/jinstall.log", "");
    writeFile(kit + "/__qrlwizard.sem", "");  // left by a run that was killed
    writeFile(kit + "/startdir.txt", root.path() + "\n");  // stray: the run writes its own
    EnvGuard noWizard("FAKEJAVA_WIZARD", nullptr);
    MacRun r = run();
    // Had the stale semaphore counted, the first start would have passed.
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Restarting the installer..."), std::string::npos) << r.out;
    std::string trace = readFile(kit + "/jinstall.log");
    EXPECT_NE(trace.find("Found correct version of JVM: " + found), std::string::npos) << trace;
    EXPECT_NE(trace.find("   os release: 23.4.0"), std::string::npos);
    EXPECT_NE(trace.find("Java wizard launched successfully: true"), std::string::npos);
    // The kit's JVM went below the home directory, executable by everyone.
    std::string installed = home + "/jvm/jre17.0/17.0/bin/java";
    EXPECT_EQ(modeOf(installed), 0755u) << trace;
    EXPECT_EQ(modeOf(home + "/jvm/jre17.0/17.0/bin/fakejava"), 0755u);
    EXPECT_TRUE(tmpqrlDirs(base).empty());
}

TEST_F(MacsetupTest, TooOldASystemGetsNoKitJvm) {
    writeFile(kit + "/jre-setup.sh", "#!/bin/sh\ntouch \"$HOME/archive-ran\"\n");
    writeFile(kit + "/qrl.control",
              "jvmMinVersion=1.8\njvmCommandName=java\njvmInstallerType=selfExtratorJvmInstaller\n"
              "jvmSelfExtractor=jre-setup.sh\n");
    EnvGuard old("QUARLAN_OS_RELEASE", "10.6.8");
    MacRun r = run("-q answers.properties");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(exists(home + "/archive-ran"));
    EXPECT_NE(readFile(kit + "/errors.log").find("The correct version of the JRE was not found on your system."),
              std::string::npos);
}

TEST_F(MacsetupTest, DemoKitInstallsWithThisMachinesJdk) {
    const std::string jdk = "/usr/lib/jvm/java-17-openjdk-amd64";
    if (!exists(jdk + "/bin/java")) GTEST_SKIP() << "no JDK 17 on this machine";
    // This machine's JDK as a macOS JVM root holds it: root/<name>/Home.
    ASSERT_TRUE(platform::makeDir(jvmRoot + "/jdk-17.jdk"));
    fs::create_symlink(jdk, jvmRoot + "/jdk-17.jdk/Home");
    // Two kits started at once share one TMPDIR; each run has its own
    // working directory and both install.
    std::string kits[2] = {kit, root.file("Second Kit")};
    std::string targets[2] = {root.file("installed app"), root.file("installed app 2")};
    ASSERT_TRUE(platform::makeDir(kits[1]));
    for (int i = 0; i < 2; ++i) {
        std::error_code ec;
        fs::copy(QRL_DEMO_KIT, kits[i], fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        ASSERT_FALSE(ec) << ec.message();
        placeProgram(kits[i]);
        writeFile(kits[i] + "/jinstall.log", "");
        writeFile(root.file("answers" + std::to_string(i) + ".properties"), "installDir=" + targets[i] + "\n");
    }
    MacRun runs[2];
    std::thread second([&] { runs[1] = run("-q answers1.properties", kits[1]); });
    runs[0] = run("-q answers0.properties", kits[0]);
    second.join();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(runs[i].status, 1) << runs[i].out << runs[i].err;
        EXPECT_TRUE(exists(targets[i] + "/lib/demo-app.jar"));
        std::string props = readFile(targets[i] + "/Quarlan/DemoApp.properties");
        EXPECT_NE(props.find("execFilename=" + jvmRoot + "/jdk-17.jdk/Home/bin/java\n"), std::string::npos)
            << props;
        std::string trace = readFile(kits[i] + "/jinstall.log");
        EXPECT_NE(trace.find("Java wizard launched successfully: true"), std::string::npos) << trace;
        EXPECT_FALSE(exists(kits[i] + "/errors.log"));
    }
    EXPECT_TRUE(tmpqrlDirs(base).empty());
}

TEST_F(MacsetupTest, ReadOnlyStartDirectoryStillInstallsAndSaysWhereTheLogsAre) {
    // Root writes anywhere: the run goes as an ordinary user then.
    if (::geteuid() == 0) {
        if (platform::runShell("setpriv --reuid=65534 --regid=65534 --clear-groups true").exitCode() != 0)
            GTEST_SKIP() << "cannot run as another user";
        runAs = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\njvmCommandName=java\n");
    for (const auto& d : {base, home}) ASSERT_TRUE(platform::setMode(d, 0777));
    ASSERT_TRUE(platform::setMode(kit, 0555));
    MacRun r = run("-q answers.properties");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("could not be saved in " + kit + "; they are in " + home), std::string::npos) << r.err;
    EXPECT_NE(readFile(home + "/errors.log").find("was not found on your system"), std::string::npos);
    EXPECT_TRUE(tmpqrlDirs(base).empty());

    // Nowhere to save them: the working directory stays with the logs in it.
    ASSERT_TRUE(platform::setMode(home, 0555));
    (void)platform::removeFile(home + "/errors.log");  // none may be there
    r = run("-q answers.properties");
    ASSERT_EQ(tmpqrlDirs(base).size(), 1u) << r.err;
    std::string kept = base + "/" + tmpqrlDirs(base)[0];
    EXPECT_NE(r.err.find("they are in " + kept), std::string::npos) << r.err;
    EXPECT_TRUE(exists(kept + "/errors.log"));
    EXPECT_TRUE(platform::setMode(kit, 0755));
    EXPECT_TRUE(platform::setMode(home, 0755));
}

TEST_F(MacsetupTest, VendorInstallerRunsInThePreparedDirectoryWithItsWords) {
    // The vendor's installer puts a JVM into its current directory and notes
    // the arguments it got.
    std::string vendor = "#!/bin/sh\nprintf '%s|' \"$@\" > \"$HOME/vendor-args\"\nmkdir -p jdk/bin && cp " +
                         qrl::shellQuote(helperPath("fakejava")) +
                         " jdk/bin/fakejava && echo 17.0.15 > jdk/bin/fakejava.version\n"
                         "printf '#!/bin/sh\\nexec \"$(dirname \"$0\")/fakejava\" \"$@\"\\n' > jdk/bin/java\n";
    writeFile(kit + "/vendor.sh", vendor);
    writeFile(kit + "/qrl.control",
              "jvmMinVersion=1.8\njvmVersion=17.0.15\njvmCommandName=java\nloaderJavaCommand=Wizard\n"
              "jvmInstallerType=thirdPartyJvmInstaller\njvmInstallerBinary=vendor.sh\n"
              "jvmInstallerCommand=vendor.sh/*/*/*--dest/*/*/*/Volumes/My Disk/$(x)\n");
    writeFile(kit + "/jinstall.log", "");
    MacRun r = run();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(readFile(home + "/vendor-args"), "--dest|/Volumes/My Disk/$(x)|");
    std::string prepared = home + "/jvm/jre17.0/17.0";
    EXPECT_EQ(modeOf(prepared + "/jdk/bin/java"), 0755u);
    EXPECT_FALSE(exists(prepared + "/vendor.sh"));  // the copy of the installer goes
    std::string trace = readFile(kit + "/jinstall.log");
    EXPECT_NE(trace.find("third party jvm installer ran with no reported errors"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Java wizard launched successfully: true"), std::string::npos) << trace;
}

TEST_F(MacsetupTest, FailingVendorInstallerLeavesNoPreparedDirectory) {
    writeFile(kit + "/vendor.sh", "#!/bin/sh\nexit 3\n");
    writeFile(kit + "/qrl.control",
              "jvmMinVersion=1.8\njvmVersion=17.0.15\njvmCommandName=java\nloaderJavaCommand=Wizard\n"
              "jvmInstallerType=thirdPartyJvmInstaller\njvmInstallerBinary=vendor.sh\n"
              "jvmInstallerCommand=vendor.sh\n");
    MacRun r = run();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(readFile(kit + "/errors.log").find("The JVM installer failed with exit status 3"), std::string::npos);
    // Neither the prepared directory nor the parents this run made for it.
    EXPECT_FALSE(exists(home + "/jvm")) << readFile(kit + "/errors.log");
}

TEST_F(MacsetupTest, WithoutAPrivateDirectoryNothingIsInstalledAndTheKitIsUntouched) {
    writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\njvmCommandName=java\nloaderJavaCommand=Wizard\n");
    standInJvm("a.jdk");
    char name[16];
    for (int n = 1; n <= 99; ++n) {
        std::snprintf(name, sizeof name, "/tmpqrl%02d", n);
        writeFile(base + name, "taken");
    }
    MacRun r = run("-q answers.properties");
    EXPECT_EQ(r.status, 0);
    const std::string message = "Unable to make a private working directory (tmpqrl01 ... tmpqrl99) below " + base;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_NE(readFile(kit + "/errors.log").find(message), std::string::npos);
    EXPECT_EQ(readFile(kit + "/install.jar"), "stand-in");
    EXPECT_FALSE(exists(kit + "/jinstall.log"));
    EXPECT_FALSE(exists(home + "/shown.txt"));
}

TEST_F(MacsetupTest, UnknownSwitchesQuietRunsAndKitsWithoutTheScript) {
    // An unknown switch: the usage, and no run at all.
    MacRun r = run("-h");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Usage: macsetup [-q FILE | -s FILE]"), std::string::npos) << r.err;
    EXPECT_TRUE(tmpqrlDirs(base).empty());
    EXPECT_FALSE(exists(kit + "/errors.log"));

    // Quiet runs never start the kit's script, not even when the control file
    // is missing.
    for (const char* args : {"-q answers.properties", "-s answers.properties"}) {
        r = run(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_FALSE(exists(home + "/shown.txt")) << args;
        EXPECT_NE(readFile(kit + "/errors.log").find("Unable to open qrl.control"), std::string::npos);
    }
    // A kit without the script: the texts on both streams, nothing else.
    ASSERT_TRUE(platform::removeFile(kit + "/show_error.sh"));
    r = run();
    EXPECT_NE(r.err.find("Unable to open qrl.control"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("show_error.sh"), std::string::npos) << r.err;
}

TEST_F(MacsetupTest, StoppedWhileTheWizardRunsItPassesTheSignalOnAndTidiesUp) {
    writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\njvmCommandName=java\nloaderJavaCommand=Wizard\n");
    standInJvm("a.jdk");
    writeFile(kit + "/jinstall.log", "");
    std::string record = root.file("record");
    EnvGuard recordEnv("FAKEJAVA_RECORD", record.c_str());
    EnvGuard slow("FAKEJAVA_SLEEP_MS", "30000");
    std::string pidFile = root.file("pid"), statusFile = root.file("status");
    std::thread runner([&] {
        platform::runShell("cd " + qrl::shellQuote(root.path()) + " && " + qrl::shellQuote(kit + "/macsetup") +
                           " -q answers.properties >/dev/null 2>&1 & echo $! > " + qrl::shellQuote(pidFile) +
                           "; wait $!; echo $? > " + qrl::shellQuote(statusFile));
    });
    bool wizardRuns = false;
    for (int i = 0; i < 300 && !wizardRuns; ++i) {
        platform::sleepMs(100);
        wizardRuns = readFile(record).find("Wizard") != std::string::npos;
    }
    EXPECT_TRUE(wizardRuns);
    pid_t pid = std::atoi(readFile(pidFile).c_str());
    if (pid > 0) ::kill(pid, SIGTERM);
    runner.join();
    EXPECT_EQ(readFile(statusFile), "143\n");
    std::string trace = readFile(kit + "/jinstall.log");
    EXPECT_NE(trace.find("java wizard ended by signal 15"), std::string::npos) << trace;
    EXPECT_NE(trace.find("installation stopped by signal 15"), std::string::npos) << trace;
    EXPECT_TRUE(tmpqrlDirs(base).empty());
}

TEST_F(MacsetupTest, LogsReachAKitFolderWhateverItsNameAndOneRunHoldsTheKit) {
    standInJvm("jdk17");
    const std::string control = "jvmMinVersion=1.8\njvmCommandName=java\nloaderJavaCommand=Wizard\n";
    // A kit folder whose name ends with a blank or holds a line feed.
    for (const std::string& name : {std::string("Kit "), std::string("Kit\nTwo")}) {
        std::string dir = root.file(name);
        ASSERT_TRUE(platform::makeDir(dir));
        writeFile(dir + "/qrl.control", control);
        writeFile(dir + "/install.jar", "stand-in");
        writeFile(dir + "/TestJvm.class", "stand-in");
        writeFile(dir + "/jinstall.log", "");
        placeProgram(dir);
        MacRun r = run("", dir);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(readFile(dir + "/jinstall.log").find("Java wizard launched successfully: true"), std::string::npos)
            << name;
        EXPECT_TRUE(tmpqrlDirs(base).empty()) << name;
    }

    // A second run while the first one's wizard runs is refused; the first
    // one's logs stay its own.
    writeFile(kit + "/qrl.control", control);
    EnvGuard slow("FAKEJAVA_SLEEP_MS", "3000");
    std::string statusFile = root.file("status");
    std::thread first([&] {
        platform::runShell(qrl::shellQuote(kit + "/macsetup") + " >/dev/null 2>&1; echo $? > " +
                           qrl::shellQuote(statusFile));
    });
    for (int i = 0; i < 300 && tmpqrlDirs(base).empty(); ++i) platform::sleepMs(50);
    platform::sleepMs(300);
    MacRun second = run();
    first.join();
    EXPECT_EQ(second.status, 0);
    EXPECT_NE(second.err.find("Another installation is running in this directory"), std::string::npos) << second.err;
    EXPECT_NE(readFile(base + "/errors.log").find("Another installation is running"), std::string::npos);
    EXPECT_EQ(readFile(statusFile), "1\n");
    EXPECT_FALSE(exists(kit + "/errors.log"));
}
