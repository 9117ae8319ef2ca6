// kitcheck --jvm reads the kit only through the bounded copy and tidies up
// on every exit: a control file that is no plain file (or far too large) is
// refused at once, and a TERM or HUP while a JVM is being tested ends that
// JVM, removes the scratch directory and ends the program with 128+N.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/shellquote.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;
namespace fs = std::filesystem;

namespace {

class KitcheckScratch : public ::testing::Test {
protected:
    TempDir root;
    std::string kit = root.file("kit");
    std::string tmp = root.file("tmp");
    EnvGuard tmpdir{"TMPDIR", tmp.c_str()};
    EnvGuard home{"HOME", root.file("home").c_str()};
    EnvGuard javaHome{"JAVA_HOME", root.file("jvm").c_str()};
    EnvGuard jvmDirs{"QUARLAN_JVM_DIRS", ""};
    EnvGuard systemDirs{"QUARLAN_SYSTEM_DIRS", ""};

    void SetUp() override {
        for (const auto& d : {kit, tmp, root.file("home")}) fs::create_directories(d);
    }

    // kitcheck --jvm with no search path, the shell replaced by it.
    std::string start() const {
        return "cd " + qrl::shellQuote(root.path()) + " && exec /usr/bin/env PATH=/nonexistent " +
               qrl::shellQuote(helperPath("kitcheck")) + " --jvm --family posix " + qrl::shellQuote(kit) +
               " >/dev/null 2>" + qrl::shellQuote(root.file("err.txt"));
    }
    bool scratchLeft() const { return !fs::is_empty(tmp); }
};

// Gone, or a zombie nobody reaps (an orphan of a container without init).
bool gone(pid_t pid) {
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return stat.empty() || (close != std::string::npos && stat.compare(close, 4, ") Z ") == 0);
}

}  // namespace

TEST_F(KitcheckScratch, ControlFilesThatAreNoPlainFileAreRefusedAtOnce) {
    std::string control = kit + "/qrl.control";
    auto plant = [&](const std::string& kind) {
        (void)platform::removeFile(control);  // none before the first plant
        if (kind == "fifo") {
            ASSERT_EQ(::mkfifo(control.c_str(), 0600), 0);
        }
        if (kind == "device") fs::create_symlink("/dev/zero", control);
        if (kind == "sparse") {
            writeFile(control, "");
            fs::resize_file(control, std::uintmax_t{4} << 30);
        }
    };
    for (const std::string kind : {"fifo", "device", "sparse"}) {
        SCOPED_TRACE(kind);
        plant(kind);
        EXPECT_EQ(platform::runShell(start()).exitCode(), 1);
        std::string err = readFile(root.file("err.txt"));
        std::string why = kind == "sparse" ? "larger than 4 MiB" : "not a regular file";
        EXPECT_NE(err.find(control + " cannot be read (" + why + ")"), std::string::npos) << err;
        EXPECT_FALSE(scratchLeft());
    }
}

TEST_F(KitcheckScratch, StoppedDuringAJvmTestItEndsTheJvmAndRemovesItsScratch) {
    writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\njvmCommandName=java\n");
    std::string pidFile = root.file("java.pid");
    fs::create_directories(root.file("jvm/bin"));
    writeFile(root.file("jvm/bin/java"), "#!/bin/sh\necho $$ > " + qrl::shellQuote(pidFile) + ".new\n/bin/mv " +
                                              qrl::shellQuote(pidFile + ".new") + " " + qrl::shellQuote(pidFile) +
                                              "\nexec /bin/sleep 30\n");
    ASSERT_TRUE(platform::setMode(root.file("jvm/bin/java"), 0755));
    for (int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        (void)platform::removeFile(pidFile);  // none before the first signal
        std::string kitcheckPid = root.file("kitcheck.pid"), status = root.file("status");
        std::thread runner([&] {
            platform::runShell("(" + start() + ") & echo $! > " + qrl::shellQuote(kitcheckPid) + "; wait $!; echo $? > " +
                               qrl::shellQuote(status));
        });
        for (int i = 0; i < 200 && !exists(pidFile); ++i) platform::sleepMs(50);
        ASSERT_TRUE(exists(pidFile)) << readFile(root.file("err.txt"));
        pid_t java = std::atoi(readFile(pidFile).c_str());
        ::kill(std::atoi(readFile(kitcheckPid).c_str()), signal);
        runner.join();
        EXPECT_EQ(readFile(status), std::to_string(128 + signal) + "\n");
        EXPECT_FALSE(scratchLeft());
        bool ended = false;
        for (int i = 0; i < 100 && !(ended = gone(java)); ++i) platform::sleepMs(50);
        EXPECT_TRUE(ended) << "the JVM under test outlived kitcheck";
    }
}
