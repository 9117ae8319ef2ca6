#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "common/paths.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;

namespace {

std::string sub(const std::string& dir, const std::string& name) {
    return dir + (onWindows() ? "\\" : "/") + name;
}

void makeTree(const std::string& root) {
    ASSERT_TRUE(platform::makeDir(root));
    ASSERT_TRUE(platform::makeDir(sub(root, "bin")));
    ASSERT_TRUE(platform::makeDir(sub(root, "lib")));
    ASSERT_TRUE(platform::makeDir(sub(sub(root, "lib"), "security")));
    writeFile(sub(sub(root, "bin"), "java"), "#!");
    writeFile(sub(sub(sub(root, "lib"), "security"), "java.security"), "x=y\n");
    writeFile(sub(root, ".hidden"), "dot file");
    ASSERT_TRUE(platform::makeDir(sub(root, ".dotdir")));
    writeFile(sub(sub(root, ".dotdir"), ".inner"), "x");
}

}  // namespace

TEST(RootPathTest, EmptyPathsAndRootsOfEveryKind) {
    for (const char* p : {"", "/", "//", "///"}) EXPECT_TRUE(qrl::isRootPath(p, Family::Posix)) << p;
    for (const char* p : {"/tmp", "/usr/lib/jvm", "./x", "relative"})
        EXPECT_FALSE(qrl::isRootPath(p, Family::Posix)) << p;
    for (const char* p : {"", "\\", "C:", "C:\\", "c:/", "D:\\\\", "\\\\server", "\\\\server\\share",
                          "\\\\server\\share\\", "//server/share", "\\\\?\\C:\\", "\\\\.\\C:",
                          "\\\\?\\UNC\\server\\share"})
        EXPECT_TRUE(qrl::isRootPath(p, Family::Windows)) << p;
    for (const char* p : {"C:\\jvm", "\\\\server\\share\\dir", "C:\\Program Files\\x", "\\\\?\\C:\\x"})
        EXPECT_FALSE(qrl::isRootPath(p, Family::Windows)) << p;
}

TEST(DelDirTreeTest, RemovesNestedTreesAndDotEntries) {
    TempDir dir;
    std::string root = sub(dir.path(), "jvm");
    makeTree(root);
    EXPECT_TRUE(qrl::delDirTree(root, nativeFamily()));
    EXPECT_FALSE(exists(root));
    EXPECT_TRUE(exists(dir.path()));
    // A directory that is already gone counts as removed.
    EXPECT_TRUE(qrl::delDirTree(root, nativeFamily()));
}

TEST(DelDirTreeTest, RefusesEmptyPathsAndRoots) {
    EXPECT_FALSE(qrl::delDirTree("", nativeFamily()));
    if (onWindows()) {
        EXPECT_FALSE(qrl::delDirTree("C:\\", Family::Windows));
        EXPECT_FALSE(qrl::delDirTree("C:", Family::Windows));
    } else {
        EXPECT_FALSE(qrl::delDirTree("/", Family::Posix));
        // A path that only resolves to the root is refused too.
        TempDir dir;
        std::string climb = dir.path();
        for (char c : dir.path())
            if (c == '/') climb += "/..";
        EXPECT_FALSE(qrl::delDirTree(climb, Family::Posix));
    }
    EXPECT_TRUE(exists(onWindows() ? "C:\\windows" : "/usr"));
}

TEST(DelDirTreeTest, ReadOnlyAndHiddenEntriesAreRemovedLikeAnyOther) {
    TempDir dir;
    std::string root = sub(dir.path(), "tree");
    makeTree(root);
    std::string ro = sub(root, "readonly");
    ASSERT_TRUE(platform::makeDir(ro));
    writeFile(sub(ro, "file.txt"), "x");
    writeFile(sub(root, "after.txt"), "x");
    if (onWindows()) {
        ASSERT_EQ(platform::runShell("attrib +r +h \"" + ro + "\"").status, 0);
        ASSERT_EQ(platform::runShell("attrib +r \"" + sub(ro, "file.txt") + "\"").status, 0);
    } else {
        std::filesystem::permissions(sub(ro, "file.txt"), std::filesystem::perms::owner_read);
    }
    EXPECT_TRUE(qrl::delDirTree(root, nativeFamily()));
    EXPECT_FALSE(exists(root));
}

TEST(DelDirTreeTest, LinksAreRemovedNotFollowed) {
    TempDir dir;
    std::string outside = sub(dir.path(), "outside");
    ASSERT_TRUE(platform::makeDir(outside));
    writeFile(sub(outside, "precious.txt"), "keep me");
    std::string root = sub(dir.path(), "tree");
    makeTree(root);

    std::error_code ec;
    namespace fs = std::filesystem;
    fs::path linkToDir = fs::u8path(sub(root, "link-to-outside"));
    fs::path linkToFile = fs::u8path(sub(root, "link-to-file"));
    fs::create_directory_symlink(fs::u8path(outside), linkToDir, ec);
    if (ec && onWindows()) {
        // Fall back to a junction where symbolic links are not allowed.
        int rc = platform::runShell("mklink /J \"" + sub(root, "link-to-outside") + "\" \"" + outside + "\" >NUL").status;
        if (rc != 0) GTEST_SKIP() << "no directory links on this system";
    } else {
        ASSERT_FALSE(ec) << ec.message();
    }
    fs::create_symlink(fs::u8path(sub(outside, "precious.txt")), linkToFile, ec);

    EXPECT_TRUE(qrl::delDirTree(root, nativeFamily()));
    EXPECT_FALSE(exists(root));
    EXPECT_EQ(readFile(sub(outside, "precious.txt")), "keep me");

    // A tree given as a link: the link goes, its target stays.
    std::string top = sub(dir.path(), "top-link");
    fs::create_directory_symlink(fs::u8path(outside), fs::u8path(top), ec);
    if (!ec) {
        EXPECT_TRUE(qrl::delDirTree(top, nativeFamily()));
        EXPECT_FALSE(platform::isLink(top));
        EXPECT_EQ(readFile(sub(outside, "precious.txt")), "keep me");
    }
}

TEST(DelDirTreeTest, AFileIsNotATree) {
    TempDir dir;
    writeFile(dir.file("plain"), "x");
    EXPECT_FALSE(qrl::delDirTree(dir.file("plain"), nativeFamily()));
    EXPECT_TRUE(exists(dir.file("plain")));
}
