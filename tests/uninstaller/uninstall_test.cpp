#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "common/paths.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"
#include "uninstaller/uninstall.h"

using namespace qrltest;
using qrl::Uninstaller;

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

class UninstallTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    EnvGuard record{"FAKEUNINSTALL_RECORD", dir.file("record.txt").c_str()};
    EnvGuard done{"FAKEUNINSTALL_DONE", "1"};
    EnvGuard ui{"QUARLAN_UI_LOG", dir.file("ui.log").c_str()};
    std::string install = dir.file("My App \xc3\xa9");
    std::string startDir = dir.file("start");

    void SetUp() override {
        for (std::string sub : {"", "Quarlan", "JRE1.8", "JRE1.8/bin", "jvm", "Java-home", "javadoc", "jav", "lib"})
            fs::create_directories(fs::u8path(install + "/" + sub));
        fs::create_directories(fs::u8path(startDir));
        writeFile(path("Quarlan/Editor.properties"), "x");
        writeFile(path("JRE1.8/bin/java"), "x");
        writeFile(path("jre.txt"), "x");
        writeFile(path("lib/app.jar"), "x");
        ASSERT_TRUE(qrl::copyFile(helperPath("fakeuninstall"), path(qrl::kUninstallExe)));
        ASSERT_TRUE(platform::setMode(path(qrl::kUninstallExe), 0755));
        writeFile(startDir + sep() + "juninstall.log", "");
    }

    static std::string sep() { return onWindows() ? "\\" : "/"; }
    std::string path(std::string rel) const {
        if (onWindows()) std::replace(rel.begin(), rel.end(), '/', '\\');
        return install + sep() + rel;
    }
    Uninstaller make() {
        Uninstaller u(nativeFamily(), startDir);
        u.setRetryDelay(10);
        return u;
    }
    std::string log() const { return readFile(startDir + sep() + "juninstall.log"); }
    bool logHas(const std::string& text) const { return log().find(text) != std::string::npos; }
};

}  // namespace

TEST_F(UninstallTest, CompletedUninstallRemovesWhatTheJavaSideLeaves) {
    Uninstaller u = make();
    u.run({"QuarlanUninstaller.exe", install, "-Q", "ignored"});
    EXPECT_EQ(readArgvDump(dir.file("record.txt")), (Lines{"-q"}));
    EXPECT_NE(readFile(dir.file("record.txt.info")).find("cwd=" + install), std::string::npos);
    for (std::string gone : {"Quarlan", "JRE1.8", "jvm", "Java-home", "javadoc", qrl::kUninstallExe,
                             qrl::kUninstallDone})
        EXPECT_FALSE(exists(path(gone))) << gone;
    for (std::string kept : {"jav", "lib/app.jar", "jre.txt"}) EXPECT_TRUE(exists(path(kept))) << kept;
    // Not empty: the installation directory stays, and the log says so.
    EXPECT_TRUE(logHas("removed " + install + " dir: -1"));
    EXPECT_TRUE(logHas("uninstalled app result: 7"));
    EXPECT_TRUE(logHas("args for java uninstaller: 3"));
    EXPECT_TRUE(logHas("uninstaller.exe removed result: 0"));
    EXPECT_TRUE(logHas("finished removing any locally installed JREs"));
    EXPECT_EQ(platform::currentDir().value_or(""), startDir);  // back where it started
}

TEST_F(UninstallTest, NoMarkerNoRemoval) {
    EnvGuard notDone("FAKEUNINSTALL_DONE", nullptr);
    Uninstaller u = make();
    u.run({"QuarlanUninstaller.exe", install, "-x"});
    EXPECT_EQ(readArgvDump(dir.file("record.txt")), Lines{});  // not quiet
    for (std::string kept : {"Quarlan/Editor.properties", "JRE1.8/bin/java", "jvm", qrl::kUninstallExe})
        EXPECT_TRUE(exists(path(kept))) << kept;
    EXPECT_TRUE(logHas("args for java uninstaller: 2"));
}

TEST_F(UninstallTest, EmptyInstallDirectoryGoesAtTheEnd) {
    fs::remove_all(fs::u8path(path("lib")));
    fs::remove_all(fs::u8path(path("jav")));
    ASSERT_TRUE(platform::removeFile(path("jre.txt")));
    make().run({"QuarlanUninstaller.exe", install});
    EXPECT_FALSE(exists(install));
    EXPECT_TRUE(logHas("removed " + install + " dir: 0"));
}

TEST_F(UninstallTest, MissingUninstallProgramOrArgumentsDoNothing) {
    Uninstaller u = make();
    u.run({"QuarlanUninstaller.exe"});
    EXPECT_TRUE(logHas("total args: 1"));
    EXPECT_TRUE(platform::removeFile(path(qrl::kUninstallExe)));
    u.run({"QuarlanUninstaller.exe", install});
    EXPECT_TRUE(logHas("unable to find " + path(qrl::kUninstallExe)));
    EXPECT_TRUE(exists(path("Quarlan/Editor.properties")));
}

TEST_F(UninstallTest, RootOrEmptyInstallDirectoryIsRefused) {
    Uninstaller u = make();
    u.run({"QuarlanUninstaller.exe", ""});
    u.run({"QuarlanUninstaller.exe", onWindows() ? "C:\\" : "/"});
    u.run({"QuarlanUninstaller.exe", onWindows() ? "C:\\Windows\\.." : "/tmp/.."});
    EXPECT_FALSE(exists(dir.file("record.txt")));
    size_t refusals = 0;
    for (size_t at = log().find("refusing to uninstall from "); at != std::string::npos;
         at = log().find("refusing to uninstall from ", at + 1))
        ++refusals;
    EXPECT_EQ(refusals, 3u);
}

// A folder that is not an installation, or one that users and the system
// keep their own java*, jre* and jvm* folders in, under any of its names: the
// Java uninstaller is not run and nothing is removed; the user is told why.
TEST_F(UninstallTest, ProtectedFoldersAndFoldersThatAreNoInstallationAreRefused) {
    std::string users = dir.file("users"), profile = users + sep() + "me";
    EnvGuard home(onWindows() ? "USERPROFILE" : "HOME", profile.c_str());
    auto layOut = [&](const std::string& at, bool launchers, bool uninstall) {
        for (std::string sub : {"", "java-projects", "jre17"}) fs::create_directories(fs::u8path(at + sep() + sub));
        if (launchers) fs::create_directories(fs::u8path(at + sep() + "Quarlan"));
        if (uninstall) {
            ASSERT_TRUE(qrl::copyFile(helperPath("fakeuninstall"), at + sep() + qrl::kUninstallExe));
            ASSERT_TRUE(platform::setMode(at + sep() + qrl::kUninstallExe, 0755));
        }
    };
    layOut(profile, true, true);
    layOut(users, true, true);
    std::string desktop = profile + sep() + "Desktop";
    layOut(desktop, true, true);
    std::string other = dir.file("other");
    layOut(other, false, true);
    std::string bare = dir.file("bare");
    layOut(bare, true, false);
    std::vector<std::string> refused{profile, users, desktop, desktop + sep() + "." + sep(),
                                     users + sep() + "me" + sep() + ".." + sep() + "me", other, bare};
    std::error_code ec;
    fs::create_directory_symlink(fs::u8path(profile), fs::u8path(dir.file("link")), ec);
    if (!ec) refused.push_back(dir.file("link"));
    for (const auto& target : refused) {
        for (bool quiet : {false, true}) {
            (void)platform::removeFile(dir.file("ui.log"));  // none before the first case
            Lines args{"QuarlanUninstaller.exe", target};
            if (quiet) args.push_back("-q");
            make().run(args);
            EXPECT_FALSE(exists(dir.file("record.txt"))) << target;
            EXPECT_EQ(exists(dir.file("ui.log")), !quiet) << target;
            if (!quiet) {
                EXPECT_NE(readFile(dir.file("ui.log")).find("nothing was removed"), std::string::npos) << target;
            }
        }
    }
    for (const auto& at : {profile, users, desktop, other, bare})
        EXPECT_TRUE(exists(at + sep() + "jre17") && exists(at + sep() + "java-projects")) << at;
    EXPECT_TRUE(logHas("(it holds no Quarlan folder): nothing was removed.")) << log();
    EXPECT_TRUE(logHas("(it holds no Uninstall.exe): nothing was removed.")) << log();
    // An installation beside them is uninstalled as usual.
    make().run({"QuarlanUninstaller.exe", install, "-q"});
    EXPECT_FALSE(exists(path("JRE1.8")));
}

TEST_F(UninstallTest, RelativeInstallDirectoryIsResolvedOnce) {
    make().run({"QuarlanUninstaller.exe", "My App \xc3\xa9", "-q"});
    EXPECT_FALSE(exists(path("Quarlan")));
    EXPECT_FALSE(exists(path(qrl::kUninstallDone)));
}

TEST_F(UninstallTest, LinksOutOfTheInstallationAreNeverFollowed) {
    std::string outside = dir.file("outside");
    fs::create_directories(fs::u8path(outside + "/keep"));
    writeFile(outside + sep() + "precious.txt", "x");
    for (std::string link : {"jre-link", "Quarlan/linked"}) {
        std::error_code ec;
        fs::create_directory_symlink(fs::u8path(outside), fs::u8path(path(link)), ec);
        if (ec && onWindows()) {
            // A junction where symbolic links are not allowed.
            int rc = platform::runShell("mklink /J \"" + path(link) + "\" \"" + outside + "\" >NUL").status;
            if (rc != 0) GTEST_SKIP() << "no directory links on this system";
        } else {
            ASSERT_FALSE(ec) << ec.message();
        }
    }
    make().run({"QuarlanUninstaller.exe", install, "-q"});
    EXPECT_TRUE(exists(outside + sep() + "precious.txt"));
    EXPECT_TRUE(exists(outside + sep() + "keep"));
    EXPECT_FALSE(exists(path("Quarlan")));
    EXPECT_FALSE(platform::isLink(path("jre-link")));
}

TEST(UninstallStartDirTest, ProgramDirectoryOrTheCurrentOne) {
    EXPECT_EQ(Uninstaller::startDirectory("\"C:\\Apps\\QuarlanUninstaller.exe\"", qrl::Family::Windows), "C:\\Apps");
    EXPECT_EQ(Uninstaller::startDirectory("C:\\Apps\\QuarlanUninstaller.exe", qrl::Family::Windows), "C:\\Apps");
    TempDir dir;
    CwdGuard cwd(dir.path());
    EXPECT_EQ(Uninstaller::startDirectory("QuarlanUninstaller.exe", nativeFamily()),
              qrl::getCurrentDir(nativeFamily()));
}

#ifdef _WIN32
TEST_F(UninstallTest, TheProgramRunsTheWholeUninstall) {
    std::string program = startDir + "\\QuarlanUninstaller.exe";
    ASSERT_TRUE(qrl::copyFile(helperPath("QuarlanUninstaller"), program));
    auto r = platform::spawn(program, {program, install, "-q"});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(readArgvDump(dir.file("record.txt")), (Lines{"-q"}));
    EXPECT_FALSE(exists(path("Quarlan")));
    EXPECT_FALSE(exists(path("JRE1.8")));
    EXPECT_TRUE(exists(path("lib/app.jar")));
    EXPECT_TRUE(logHas("start dir: " + startDir));
    EXPECT_TRUE(logHas("installDir: " + install));
}
#endif
