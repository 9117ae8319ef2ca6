// The macOS installer's copy of the kit, run by the built macsetup: a kit
// that shares its folder with the user's own files is refused before
// anything is copied, and a copy that does not arrive whole (a full TMPDIR)
// ends the run before the wizard.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "common/shellquote.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;
namespace fs = std::filesystem;

namespace {

class KitCopyTest : public ::testing::Test {
protected:
    TempDir root;
    std::string home = root.file("home");
    std::string base = root.file("T");
    EnvGuard tmp{"TMPDIR", base.c_str()};
    EnvGuard homeVar{"HOME", home.c_str()};
    EnvGuard roots{"QUARLAN_MAC_JVM_ROOTS", root.file("JVMs").c_str()};
    EnvGuard installDirs{"QUARLAN_INSTALL_DIRS", ""};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard wizard{"FAKEJAVA_WIZARD", "ok"};
    std::string record = root.file("wizard.record");
    EnvGuard recordVar{"FAKEJAVA_RECORD", record.c_str()};
    EnvGuard release{"QUARLAN_OS_RELEASE", "23.4.0"};

    void SetUp() override {
        for (const auto& d : {home, base}) ASSERT_TRUE(platform::makeDir(d));
        std::string bin = root.file("JVMs") + "/a.jdk/Home/bin";
        fs::create_directories(bin);
        ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), bin + "/java"));
        ASSERT_TRUE(platform::setMode(bin + "/java", 0755));
        writeFile(bin + "/fakejava.version", "17.0.15\n");
    }

    // A kit whose wizard would succeed, in `dir`.
    static void placeKit(const std::string& dir) {
        fs::create_directories(dir);
        writeFile(dir + "/qrl.control", "jvmMinVersion=1.8\njvmCommandName=java\nloaderJavaCommand=Wizard\n");
        writeFile(dir + "/install.jar", std::string(1 << 20, 'j'));
        ASSERT_TRUE(qrl::copyFile(QRL_MACSETUP, dir + "/macsetup"));
        ASSERT_TRUE(platform::setMode(dir + "/macsetup", 0755));
    }

    // Runs `program` quietly under `prefix` (shell words before it): status and standard error.
    std::pair<int, std::string> run(const std::string& program, const std::string& prefix = "") {
        std::string err = root.file("err.txt");
        std::string cmd = "cd " + qrl::shellQuote(root.path()) + " && " + prefix + qrl::shellQuote(program) +
                          " -q answers.properties >/dev/null 2>" + qrl::shellQuote(err);
        int status = platform::runShell(cmd).exitCode();
        return {status, readFile(err)};
    }

    bool workDirsLeft() const { return !fs::is_empty(base); }
};

}  // namespace

TEST_F(KitCopyTest, AKitInAFolderOfTheUsersOwnIsRefusedUnderAnyName) {
    std::string downloads = home + "/Downloads";
    placeKit(downloads);
    writeFile(downloads + "/holiday.jpg", "the user's own");
    fs::create_directory_symlink(downloads, root.file("dl"));
    placeKit(home + "/Desktop/kit");
    for (const std::string& program : {downloads + "/macsetup", root.file("dl") + "/macsetup",
                                       home + "/Desktop/kit/../macsetup"}) {
        SCOPED_TRACE(program);
        if (!exists(program)) placeKit(fs::path(program).parent_path().lexically_normal().string());
        auto [status, err] = run(program);
        EXPECT_EQ(status, 0);
        EXPECT_NE(err.find("the kit must be in a folder of its own"), std::string::npos) << err;
        EXPECT_FALSE(workDirsLeft()) << "something was copied";
        EXPECT_FALSE(exists(record)) << "a JVM ran";
    }
    EXPECT_EQ(readFile(downloads + "/holiday.jpg"), "the user's own");
    // A folder of its own below them installs.
    auto [status, err] = run(home + "/Desktop/kit/macsetup");
    EXPECT_EQ(status, 1) << err;
    EXPECT_TRUE(exists(record));
}

TEST_F(KitCopyTest, AnIncompleteCopyOfTheKitEndsTheRunBeforeTheWizard) {
    std::string kit = root.file("kit");
    placeKit(kit);
    // Files of at most 512 KiB: the megabyte of install.jar does not fit. An
    // ignored SIGXFSZ makes the write fail as on a full disk.
    auto [status, err] = run(kit + "/macsetup", "trap '' XFSZ; ulimit -f 1024; ");
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find("Unable to copy the kit into " + base + "/tmpqrl01 (" + kit + "/install.jar: "),
              std::string::npos)
        << err;
    EXPECT_FALSE(workDirsLeft());
    EXPECT_FALSE(exists(record)) << "a JVM ran";
    EXPECT_EQ(readFile(kit + "/install.jar").size(), 1u << 20);
}
