#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "common/execcmd.h"
#include "common/files.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/stopsignal.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::ExecCommand;
using qrl::Family;

namespace {

class ExecTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    EnvGuard dumpFile{"ARGVDUMP_FILE", nullptr};

    std::string dump() const { return dir.file("argv.txt"); }
    void useDumpFile() { dumpGuard = std::make_unique<EnvGuard>("ARGVDUMP_FILE", dump().c_str()); }
    std::unique_ptr<EnvGuard> dumpGuard;
};

}  // namespace

TEST(ArgsStringTest, BlanksAreQuotedOnceForTheLog) {
    EXPECT_EQ(ExecCommand::argsString({"javaw.exe", "-cp", "C:\\My Files", "Main"}),
              "javaw.exe -cp \"C:\\My Files\" Main");
    EXPECT_EQ(ExecCommand::argsString({"a", "say \"hi\" now"}), "a say \"hi\" now");
    EXPECT_EQ(ExecCommand::argsString({}), "");
}

TEST(FormatCommandTest, PosixPrefixesBareNamesAndQuotesForTheShell) {
    ExecCommand exec(Family::Posix, logsHere());
    EXPECT_EQ(exec.formatCommand("install.bin"), "./install.bin");
    EXPECT_EQ(exec.formatCommand("/opt/kit/install.bin"), "/opt/kit/install.bin");
    EXPECT_EQ(exec.formatCommand("/opt/my kit/install.bin"), "'/opt/my kit/install.bin'");
    EXPECT_EQ(exec.formatCommand("/opt/$HOME/`id`/it's"), "'/opt/$HOME/`id`/it'\\''s'");
    EXPECT_EQ(exec.formatCommand("\"/opt/my kit/x\""), "\"/opt/my kit/x\"");
    ExecCommand win(Family::Windows, logsHere());
    EXPECT_EQ(win.formatCommand("C:\\My Kit\\setup.exe"), "C:\\My Kit\\setup.exe");
}

TEST(ReportExecErrorTest, NamesTheProgramAndTheReason) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    ExecCommand exec(nativeFamily(), logsHere());
    exec.reportExecError("/kit/install.bin", -1, 2);
    auto lines = readLines("errors.log");
    auto said = [&](const std::string& tail) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.ends_with(tail); });
    };
    EXPECT_TRUE(said(" Unable to execute command: /kit/install.bin"));
    EXPECT_TRUE(said(" errno 2"));
}

TEST_F(ExecTest, LaunchFileHoldsTheCommandAndRemovesTheSemaphore) {
    ExecCommand exec(nativeFamily(), logsHere());
    ASSERT_TRUE(exec.createLaunchFile("./install.bin", ">__temp.log"));
    EXPECT_EQ(readFile(qrl::kWaitSemaphore), onWindows() ? "\r\n" : "\n");
    auto lines = readLines(ExecCommand::launchFileName(nativeFamily()));
    if (onWindows()) {
        EXPECT_EQ(lines, (std::vector<std::string>{"@echo off", "./install.bin >__temp.log", "del __qrlwait.sem"}));
    } else {
        EXPECT_EQ(lines, (std::vector<std::string>{"./install.bin >__temp.log", "qrl_status=$?",
                                                   "rm -f __qrlwait.sem", "exit $qrl_status"}));
    }
    ASSERT_TRUE(exec.createLaunchFile("setup", ""));
    EXPECT_EQ(readLines(ExecCommand::launchFileName(nativeFamily())).at(onWindows() ? 1 : 0), "setup");
}

TEST_F(ExecTest, ALaunchFileThatCannotBeMadeIsLoggedWithTheSystemsReason) {
    ExecCommand exec(nativeFamily(), logsHere());
    std::string launch = ExecCommand::launchFileName(nativeFamily());
    ASSERT_TRUE(platform::makeDir(launch));  // a directory stands where the file would go
    EXPECT_FALSE(exec.createLaunchFile("setup", ""));
    auto lines = readLines("errors.log");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[lines.size() - 2].find("Unable to create file " + launch), std::string::npos);
    // The line after it says why, in the system's words, with the number.
    std::string reason = lines.back();
    EXPECT_NE(reason.find("  reason: "), std::string::npos) << reason;
    EXPECT_NE(reason.find(onWindows() ? "(5)" : "(21)"), std::string::npos) << reason;  // access denied / is a directory
}

TEST_F(ExecTest, WindowsVectorEntriesArriveExactlyAsBuilt) {
    if (!onWindows()) GTEST_SKIP() << "Windows process start";
    useDumpFile();
    std::vector<std::string> args{"a b", "say \"hi\"", "C:\\Program Files\\x\\", "", "&|<>^%PATH%",
                                  "たろう\\é ł", "tail\\\\", "\"", "\\\"quoted\\\""};
    std::vector<std::string> argv{"argvdump.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    ExecCommand exec(Family::Windows, logsHere());
    qrl::ExecResult r = exec.run({.program = helperPath("argvdump"), .argv = argv});
    ASSERT_TRUE(r.started) << r.reason;
    EXPECT_EQ(readArgvDump(dump()), args);
}

TEST_F(ExecTest, WindowsArgumentStringSplitsAtEveryBlank) {
    if (!onWindows()) GTEST_SKIP() << "Windows process start";
    useDumpFile();
    ExecCommand exec(Family::Windows, logsHere());
    ASSERT_TRUE(exec.run({.program = helperPath("argvdump"), .args = "-x  two"}).started);
    EXPECT_EQ(readArgvDump(dump()), (std::vector<std::string>{"-x", "", "two"}));
}

TEST_F(ExecTest, WindowsFailedStartIsReportedInWords) {
    if (!onWindows()) GTEST_SKIP() << "Windows process start";
    ExecCommand exec(Family::Windows, logsHere());
    qrl::ExecResult r = exec.run({.program = dir.file("missing.exe"), .argv = {"missing.exe"}});
    EXPECT_FALSE(r.started);
    // The system's own words and number, never an errno's.
    EXPECT_TRUE(r.reason.ends_with(" (2)")) << r.reason;
    EXPECT_EQ(r.reason.find("File or path is not found"), std::string::npos) << r.reason;
    r = exec.run({.program = helperPath("argvdump"), .argv = {"argvdump", std::string(40000, 'x')}});
    EXPECT_FALSE(r.started);
    EXPECT_TRUE(r.reason.ends_with(" (206)")) << r.reason;
    EXPECT_FALSE(exec.run({.program = dir.file("missing.exe")}).started);
    auto lines = readLines("errors.log");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("result -1"), std::string::npos);
    EXPECT_NE(lines[2].find("errno 2"), std::string::npos);
}

TEST_F(ExecTest, WindowsLaunchFileRunsAndCleansUp) {
    if (!onWindows()) GTEST_SKIP() << "Windows batch files";
    useDumpFile();
    ExecCommand exec(Family::Windows, logsHere());
    EXPECT_TRUE(exec.run({.program = "\"" + helperPath("argvdump") + "\"", .args = "one two", .launchFile = true}).started);
    EXPECT_EQ(readArgvDump(dump()), (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(exists(qrl::kWaitSemaphore));
    EXPECT_FALSE(exists("__qrllaunch.bat"));
}

TEST_F(ExecTest, WindowsCommandInterpreterIsNeverOneOfTheCurrentDirectory) {
    if (!onWindows()) GTEST_SKIP() << "Windows command interpreter";
    useDumpFile();
    ASSERT_TRUE(qrl::copyFile(helperPath("argvdump"), dir.file("cmd.exe")));
    EnvGuard comspec("COMSPEC", nullptr);
    writeFile("job.cmd", "@echo job> job.txt\r\n");
    ExecCommand exec(Family::Windows, logsHere());
    qrl::ExecResult r = exec.run({.program = dir.file("job.cmd"), .argv = {"job.cmd"}});
    EXPECT_TRUE(r.started) << r.reason;
    EXPECT_TRUE(platform::runShell("echo shell> shell.txt").started);
    EXPECT_TRUE(exists("job.txt"));
    EXPECT_TRUE(exists("shell.txt"));
    EXPECT_FALSE(exists(dump()));
}

TEST_F(ExecTest, PosixPathsWithBlanksQuotesAndDollarsAreTakenLiterally) {
    if (onWindows()) GTEST_SKIP() << "POSIX shell commands";
    useDumpFile();
    std::string weird = dir.file("my kit $HOME `touch pwned1` $(touch pwned2) \"dq\" 'sq' \\bs");
    ASSERT_TRUE(platform::makeDir(weird));
    std::string program = weird + "/run me";
    ASSERT_TRUE(qrl::copyFile(helperPath("argvdump"), program));
    ExecCommand exec(Family::Posix, logsHere());
    EXPECT_TRUE(exec.run({.program = program, .args = "first 'second arg'"}).started);
    EXPECT_EQ(readArgvDump(dump()), (std::vector<std::string>{"first", "second arg"}));
    EXPECT_FALSE(exists("pwned1"));
    EXPECT_FALSE(exists("pwned2"));

    std::remove(dump().c_str());
    qrl::ExecResult r = exec.run({.program = program, .args = "via-launch-file >out.txt", .launchFile = true});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(readArgvDump(dump()), (std::vector<std::string>{"via-launch-file"}));
    EXPECT_FALSE(exists(qrl::kWaitSemaphore));
    EXPECT_FALSE(exists("__qrllaunch"));
    EXPECT_FALSE(exists("zos.zos"));
    EXPECT_TRUE(exists("out.txt"));
    EXPECT_FALSE(exists("pwned1"));
    EXPECT_EQ(r.exitCode, 0);

    // The launch file hands on the command's own exit status.
    std::string failing = dir.file("fails.sh");
    writeFile(failing, "#!/bin/sh\nexit 3\n");
    r = exec.run({.program = failing, .args = ">out.txt", .launchFile = true});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(exists(qrl::kWaitSemaphore));
}

TEST_F(ExecTest, PosixMissingCommandFileIsNotRun) {
    if (onWindows()) GTEST_SKIP() << "POSIX shell commands";
    ExecCommand exec(Family::Posix, logsHere());
    EXPECT_FALSE(exec.run({.program = dir.file("missing.bin")}).started);
    EXPECT_FALSE(exec.run({.program = dir.file("missing.bin"), .launchFile = true}).started);
    auto lines = readLines("errors.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Unable to make file executable " + dir.file("missing.bin")), std::string::npos);
    EXPECT_FALSE(exists("__qrllaunch"));
}

#ifndef _WIN32
// A run stopped while a command line runs through the shell (a JVM archive,
// a vendor installer, the desktop check): the shell it waits for gets the
// signal and the wait ends at once. The run is a child process, so that the
// stop it records stays its own.
TEST_F(ExecTest, PosixStopSignalReachesTheShellCommandAndEndsTheWait) {
    std::string pidFile = dir.file("shell.pid");
    // The script (no "#!") runs in a shell of its own below the one that reads
    // the command line; it tells its process id through a child of its own.
    writeFile(dir.file("slow.sh"), "sh -c 'echo $PPID' > " + pidFile + ".new; mv " + pidFile + ".new " + pidFile +
                                       "; sleep 20\n");
    auto begun = std::chrono::steady_clock::now();
    pid_t run = ::fork();
    ASSERT_GE(run, 0);
    if (run == 0) {
        ::setsid();  // no terminal: as a service or a remote session runs it
        platform::PassStopSignals passOn;
        ExecCommand exec(Family::Posix, logsHere());
        bool started = exec.run({.program = "slow.sh"}).started;
        ::_exit(started && platform::stopSignal() == SIGTERM ? 0 : 1);
    }
    for (int i = 0; i < 100 && !exists(pidFile); ++i) platform::sleepMs(50);
    ASSERT_TRUE(exists(pidFile));
    pid_t shell = std::atoi(readFile(pidFile).c_str());
    ::kill(run, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(run, &status, 0), run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(10));
    // Gone, or a zombie nobody reaps (an orphan of a container without init).
    auto gone = [](pid_t pid) {
        std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
        size_t close = stat.rfind(')');
        return stat.empty() || (close != std::string::npos && stat.compare(close, 4, ") Z ") == 0);
    };
    bool ended = false;
    for (int i = 0; i < 100 && !(ended = gone(shell)); ++i) platform::sleepMs(50);
    EXPECT_TRUE(ended) << "the script outlived the stop";
}
#endif
