#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cleanup/cleanup_job.h"
#include "platform/cmdline.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;
namespace fs = std::filesystem;

namespace {

char sep() { return onWindows() ? '\\' : '/'; }

// A short timer so that a directory that never empties ends the loop quickly.
constexpr qrlcleanup::Limits kFast{5, 20};

}  // namespace

TEST(CleanupArgumentTest, EverythingAfterTheProgramNameBlanksIncluded) {
    EXPECT_EQ(qrlcleanup::directoryArgument("__cleanup.exe C:\\My Kit\\dir"), "C:\\My Kit\\dir");
    EXPECT_EQ(qrlcleanup::directoryArgument("\"C:\\kit\\__cleanup.exe\"   \"C:\\My Kit\""), "C:\\My Kit");
    EXPECT_EQ(qrlcleanup::directoryArgument("__cleanup.exe"), "");
    EXPECT_EQ(qrlcleanup::directoryArgument("__cleanup.exe \"\""), "");
    // The installer's quoting of the working directory comes back unchanged.
    for (std::string dir : {"C:\\Kit dir\\", "C:\\Kit \"quoted\" dir", "C:\\J\xC3\xBCrgen\\a  b", "C:\\kit\\\\"}) {
        std::string line = platform::buildWindowsCommandLine({"__cleanup.exe", dir});
        EXPECT_EQ(qrlcleanup::directoryArgument(line), dir) << line;
    }
}

TEST(CleanupRefusalTest, EmptyAndRootDirectoriesAreNeverEmptied) {
    for (std::string_view d : {"", "   ", "/", "\\", "C:\\", "C:", "C:/", "\\\\server\\share", "\\\\server\\share\\",
                               "\\\\?\\C:\\"}) {
        if (onWindows() || d.empty() || d.find_first_not_of(" /") == std::string_view::npos) {
            EXPECT_TRUE(qrlcleanup::isRefused(d)) << d;
        }
    }
    TempDir dir;
    EXPECT_FALSE(qrlcleanup::isRefused(dir.path()));
    // An empty argument must not touch the current directory or its drive.
    CwdGuard cwd(dir.path());
    writeFile(dir.file("keep.txt"), "x");
    EXPECT_FALSE(qrlcleanup::cleanUp("", kFast));
    EXPECT_TRUE(exists(dir.file("keep.txt")));
}

TEST(CleanupRefusalTest, TheUsersAndTheSystemsFoldersAreNeverEmptied) {
    TempDir dir;
    std::string profile = dir.file("profile"), windows = dir.file("windows"), programs = dir.file("programs");
    EnvGuard home(onWindows() ? "USERPROFILE" : "HOME", profile.c_str());
    EnvGuard windowsDir("QUARLAN_WINDOWS_DIR", windows.c_str());
    EnvGuard programFiles("QUARLAN_PROGRAM_FILES", programs.c_str());
    std::vector<std::string> refused{profile, profile + sep() + "Desktop", profile + sep() + "Documents",
                                     profile + sep() + "Downloads"};
    if (onWindows()) refused.insert(refused.end(), {windows, programs});
    for (const auto& d : refused) {
        ASSERT_TRUE(platform::makeDir(d)) << d;
        writeFile(d + sep() + "mine.txt", "x");
        EXPECT_FALSE(qrlcleanup::cleanUp(d, kFast)) << d;
        EXPECT_TRUE(exists(d + sep() + "mine.txt")) << d;
    }
    // Their other names, and a folder that holds the profile.
    std::vector<std::string> aliases{profile + sep() + "Desktop" + sep() + ".." + sep() + "Documents" + sep(),
                                     dir.path()};
    if (std::string z = wineUnixView(profile + sep() + "Desktop"); !z.empty()) aliases.push_back(z);
    writeFile(dir.file("mine.txt"), "x");
    for (const auto& d : aliases) EXPECT_FALSE(qrlcleanup::cleanUp(d, kFast)) << d;
    for (const auto& d : refused) EXPECT_TRUE(exists(d + sep() + "mine.txt")) << d;
    EXPECT_TRUE(exists(dir.file("mine.txt")));
    // A kit unpacked in a folder of the profile is emptied as any other.
    std::string kit = profile + sep() + "Downloads" + sep() + "kit";
    ASSERT_TRUE(platform::makeDir(kit));
    writeFile(kit + sep() + "install.jar", "x");
    EXPECT_TRUE(qrlcleanup::cleanUp(kit, kFast));
    EXPECT_FALSE(exists(kit));
}

TEST(CleanupTest, FilesGoThenTheDirectory) {
    TempDir dir;
    std::string kit = dir.file("kit dir \xc3\xa9");
    ASSERT_TRUE(platform::makeDir(kit));
    for (std::string f : {"install.jar", "qrl.control", "a b.txt", "\xe3\x81\x9f.log"})
        writeFile(kit + sep() + f, "x");
    EXPECT_TRUE(qrlcleanup::removeFiles(dir.file("missing")));
    EXPECT_FALSE(qrlcleanup::removeFiles(kit));  // found some: not done yet
    EXPECT_TRUE(qrlcleanup::removeFiles(kit));
    writeFile(kit + sep() + "again.txt", "x");
    EXPECT_TRUE(qrlcleanup::cleanUp(kit, kFast));
    EXPECT_FALSE(exists(kit));
}

TEST(CleanupTest, SemaphoreIsKeptAndOwnCopyNotCounted) {
    TempDir dir;
    writeFile(dir.file("__QRLEXPAND.SEM"), "");
    writeFile(dir.file("__Cleanup.exe"), "x");
    EXPECT_TRUE(qrlcleanup::removeFiles(dir.path()));
    EXPECT_TRUE(exists(dir.file("__QRLEXPAND.SEM")));
    EXPECT_FALSE(exists(dir.file("__Cleanup.exe")));  // deleted when it can be
    EXPECT_TRUE(qrlcleanup::cleanUp(dir.path(), kFast));
    EXPECT_TRUE(exists(dir.path()));  // the semaphore keeps the directory
}

TEST(CleanupTest, SubdirectoryKeepsEveryPassFalseUntilTheLimit) {
    TempDir dir;
    std::string kit = dir.file("kit");
    fs::create_directories(fs::u8path(kit + sep() + "sub"));
    writeFile(kit + sep() + "sub" + sep() + "inner.txt", "x");
    writeFile(kit + sep() + "top.txt", "x");
    EXPECT_TRUE(qrlcleanup::cleanUp(kit, kFast));
    EXPECT_FALSE(exists(kit + sep() + "top.txt"));
    EXPECT_TRUE(exists(kit + sep() + "sub" + sep() + "inner.txt"));  // never entered
}

#ifdef _WIN32
// The program itself, with files that another process still holds open.
TEST(CleanupProgramTest, HeldFilesGoWhenReleased) {
    TempDir dir;
    std::string kit = dir.file("kit dir \xe3\x81\x9f");
    ASSERT_TRUE(platform::makeDir(kit));
    for (std::string f : {"held.jar", "free.txt", "held2.log"}) writeFile(kit + "\\" + f, "x");
    std::string program = kit + "\\__cleanup.exe";
    ASSERT_TRUE(platform::exists(helperPath("cleanup")));
    std::string ready = dir.file("ready");
    platform::SpawnOptions noWait;
    noWait.wait = false;
    auto holder = platform::spawn(helperPath("holdfiles"),
                                  {"holdfiles", "1000", ready, kit + "\\held.jar", kit + "\\held2.log"}, noWait);
    ASSERT_TRUE(holder.started);
    for (int i = 0; i < 200 && !exists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(exists(ready));
    // Held open, the file cannot go yet.
    EXPECT_FALSE(platform::removeFile(kit + "\\held.jar"));
    // Started as the installer starts it: its copy inside the directory.
    ASSERT_TRUE(platform::renameFile(ready, ready + ".seen"));
    std::filesystem::copy_file(std::filesystem::u8path(helperPath("cleanup")), std::filesystem::u8path(program));
    auto r = platform::spawn(program, {"__cleanup.exe", kit});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0);
    for (std::string f : {"held.jar", "free.txt", "held2.log"}) EXPECT_FALSE(exists(kit + "\\" + f)) << f;
    // The running copy may or may not have gone with the directory.
    if (exists(kit)) {
        std::vector<platform::DirEntry> left;
        (void)platform::listDir(kit, left);  // one gone meanwhile holds nothing
        for (const auto& e : left) EXPECT_EQ(e.name, "__cleanup.exe");
    }
}

TEST(CleanupProgramTest, DirectoryGoesWhenCleanupRunsFromElsewhere) {
    TempDir dir;
    std::string kit = dir.file("kit");
    ASSERT_TRUE(platform::makeDir(kit));
    writeFile(kit + "\\a.txt", "x");
    auto r = platform::spawn(helperPath("cleanup"), {"cleanup.exe", kit});
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(exists(kit));
}

TEST(CleanupProgramTest, EmptyArgumentTouchesNothing) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    writeFile(dir.file("keep.txt"), "x");
    auto r = platform::spawn(helperPath("cleanup"), {"__cleanup.exe"});
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(exists(dir.file("keep.txt")));
}
#endif

TEST(CleanupTest, DirectoryIsResolvedOnceAndNeverReachedThroughALink) {
    TempDir dir;
    std::string kit = dir.file("kit"), target = dir.file("target");
    for (const auto& d : {kit, target, target + sep() + "sub"}) ASSERT_TRUE(platform::makeDir(d));
    writeFile(kit + sep() + "a.txt", "x");
    std::vector<platform::DirEntry> rootEntries;
    bool rootHoldsFiles = !platform::listDir(kit.substr(0, 3), rootEntries) ||
                          std::any_of(rootEntries.begin(), rootEntries.end(),
                                      [](const platform::DirEntry& e) { return !e.isDirectory; });
    // Only where a regression would find nothing to delete in the drive's root.
    if (onWindows() && !rootHoldsFiles) {
        // "C:" names the current directory of the drive: that directory is
        // the one emptied, never the drive's root.
        CwdGuard cwd(kit);
        EXPECT_TRUE(qrlcleanup::cleanUp(kit.substr(0, 2), kFast));
        EXPECT_FALSE(exists(kit + sep() + "a.txt"));
    }
    writeFile(target + sep() + "precious.txt", "keep");
    writeFile(target + sep() + "sub" + sep() + "precious.txt", "keep");
    std::error_code ec;
    fs::create_directory_symlink(fs::u8path(target), fs::u8path(dir.file("link")), ec);
    if (ec) GTEST_SKIP() << "no directory links here: " << ec.message();
    for (const std::string& through : {dir.file("link"), dir.file("link") + sep() + "sub",
                                       dir.file("link") + sep() + "sub" + sep() + ".."}) {
        EXPECT_FALSE(qrlcleanup::cleanUp(through, kFast)) << through;
    }
    EXPECT_TRUE(exists(target + sep() + "precious.txt"));
    EXPECT_TRUE(exists(target + sep() + "sub" + sep() + "precious.txt"));
}
