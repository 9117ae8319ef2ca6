#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;

// Every spelling of one folder is that folder; neighbours and parents are not.
TEST(IdentityTest, AFolderIsItselfUnderEverySpellingAndNothingElse) {
    TempDir dir;
    const std::string kit = dir.file("kit");
    ASSERT_TRUE(platform::makeDir(kit));
    ASSERT_TRUE(platform::makeDir(dir.file("other")));
    writeFile(platform::pathIn(kit, "a.txt"), "x");
    std::error_code ec;
    std::filesystem::create_directory_symlink(kit, dir.file("link"), ec);
    const bool links = !ec;

    struct Row {
        std::string name;
        bool same;
    } rows[] = {
        {kit, true},
        {kit + "/", true},
        {platform::pathIn(kit, "."), true},
        {platform::pathIn(platform::pathIn(dir.file("other"), ".."), "kit"), true},
        {dir.file("other"), false},
        {dir.path(), false},
        {platform::pathIn(kit, "a.txt"), false},
        {dir.file("missing"), false},
    };
    for (const auto& row : rows) EXPECT_EQ(platform::sameFile(row.name, kit), row.same) << row.name;
    if (links) {
        EXPECT_TRUE(platform::sameFile(dir.file("link"), kit));
    }
    EXPECT_FALSE(platform::sameFile(dir.file("missing"), dir.file("missing")));
}

TEST(IdentityTest, WithinWalksUpByIdentityAlongTheNameAndThroughLinks) {
    TempDir dir;
    const std::string home = dir.file("home");
    const std::string desk = platform::pathIn(home, "Desktop");
    ASSERT_TRUE(platform::makeDir(home));
    ASSERT_TRUE(platform::makeDir(desk));
    ASSERT_TRUE(platform::makeDir(dir.file("elsewhere")));

    EXPECT_TRUE(platform::isWithin(desk, home));
    EXPECT_TRUE(platform::isWithin(home, home));
    EXPECT_TRUE(platform::isWithin(platform::pathIn(desk, "not-yet/made"), home));
    EXPECT_TRUE(platform::isWithin(platform::pathIn(dir.file("elsewhere"), "../home/Desktop"), desk));
    EXPECT_FALSE(platform::isWithin(home, desk));
    EXPECT_FALSE(platform::isWithin(dir.file("elsewhere"), home));
    EXPECT_FALSE(platform::isWithin(desk, dir.file("missing")));

    // A link elsewhere that leads into the home directory lies within it.
    std::error_code ec;
    std::filesystem::create_directory_symlink(desk, platform::pathIn(dir.file("elsewhere"), "d"), ec);
    if (!ec) {
        EXPECT_TRUE(platform::isWithin(platform::pathIn(dir.file("elsewhere"), "d"), home));
        EXPECT_TRUE(platform::isWithin(platform::pathIn(dir.file("elsewhere"), "d/new"), home));
    }
}

// A protected folder is refused under every name it has, and so is every
// folder that holds one; what lies below it is not protected.
TEST(ProtectedDirTest, EveryNameOfAProtectedFolderAndEveryFolderAboveItIsRefused) {
    namespace fs = std::filesystem;
    TempDir dir;
    const char sep = onWindows() ? '\\' : '/';
    const std::string users = dir.file("users"), profile = users + sep + "me", desk = profile + sep + "Desktop";
    EnvGuard home(onWindows() ? "USERPROFILE" : "HOME", profile.c_str());
    ASSERT_TRUE(fs::create_directories(fs::u8path(desk + sep + "kit")));
    ASSERT_TRUE(platform::makeDir(dir.file("other")));
    auto expect = [](const std::string& name, bool refused) {
        EXPECT_EQ(platform::isProtectedDir(name), refused) << name;
    };
    auto link = [](const std::string& to, const std::string& name) {
        std::error_code ec;
        fs::create_directory_symlink(fs::u8path(to), fs::u8path(name), ec);
        return !ec;
    };

    expect("", true);
    expect(profile, true);
    expect(desk + sep, true);
    expect(desk + sep + "." + sep, true);
    expect(desk + sep + "kit" + sep + "..", true);
    expect(dir.file("other") + sep + ".." + sep + "users" + sep + "me", true);
    expect(users, true);       // holds the profile
    expect(dir.path(), true);  // holds it further down
    expect(desk + sep + "kit", false);
    expect(profile + sep + "Downloads" + sep + "kit", false);
    expect(dir.file("other"), false);
    if (link(desk, dir.file("d"))) {
        expect(dir.file("d"), true);
        expect(dir.file("d") + sep + "kit", false);
    }
    if (link(users, dir.file("u"))) expect(dir.file("u"), true);
#ifdef _WIN32
    expect("\\\\?\\" + desk, true);
    expect("\\\\?\\" + desk + "\\kit", false);
    // Under wine the Z: drive shows C: a second time.
    if (std::string z = wineUnixView(desk); !z.empty()) {
        expect(z, true);
        expect(z + "\\kit", false);
        expect(wineUnixView(users), true);
        expect(z + "\\..", true);
    }
    // A junction, where the system makes one (wine does not).
    if (platform::runShell("mklink /J \"" + dir.file("j") + "\" \"" + profile + "\" >NUL 2>NUL").status == 0 &&
        platform::sameFile(platform::pathIn(dir.file("j"), "Desktop"), desk)) {
        expect(dir.file("j"), true);
    }
#else
    // The password file's home stays protected while HOME names another.
    if (const struct passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && platform::exists(pw->pw_dir))
        expect(pw->pw_dir, true);
    expect("/tmp/..", true);
    expect("//", true);
    // A bind mount is one more name of the folder, where this system lets
    // the test make one.
    const std::string bind = dir.file("bind");
    ASSERT_TRUE(platform::makeDir(bind));
    if (platform::runShell("mount --bind '" + desk + "' '" + bind + "' 2>/dev/null").status == 0) {
        expect(bind, true);
        expect(bind + "/kit", false);
        platform::runShell("umount '" + bind + "'");
    }
#endif
}
