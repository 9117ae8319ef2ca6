// kitpack's command line and the names it derives, and where macsetup finds
// its kit inside and outside an application bundle.
#include <gtest/gtest.h>

#include "installer/macbundle.h"
#include "kitpack/kitpack.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;

TEST(KitpackArgs, WhatIsAcceptedAndWhatIsRefused) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    } cases[] = {
        {{"--family", "posix", "--name", "Acme", "kit", "out.run"}, true},
        {{"--family", "windows", "--name", "Acme", "--version", "2.1", "--icon", "a.ico", "--force", "kit", "out"},
         true},
        {{"--jvm-archive", "--family", "macos", "runtime", "jre.run"}, true},  // no name needed
        {{"--name", "Acme", "kit", "out"}, false},                              // no family
        {{"--family", "beos", "--name", "Acme", "kit", "out"}, false},
        {{"--family", "posix", "kit", "out"}, false},                            // no name
        {{"--family", "posix", "--name", "a/b", "kit", "out"}, false},
        {{"--family", "posix", "--name", "..", "kit", "out"}, false},
        {{"--family", "posix", "--name", "Acme", "kit"}, false},
        {{"--family", "posix", "--name", "Acme", "--quiet", "kit", "out"}, false},
        {{"--family", "posix", "--name"}, false},
    };
    for (const auto& c : cases) {
        std::string error;
        auto o = qrl::parsePackArgs(c.args, error);
        EXPECT_EQ(o.has_value(), c.ok) << ::testing::PrintToString(c.args) << ": " << error;
        EXPECT_EQ(error.empty(), c.ok) << error;
    }
    std::string error;
    auto o = qrl::parsePackArgs({"--family", "windows", "--name", "Acme Suite", "kit/", "out"}, error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->family, qrl::Family::Windows);
    EXPECT_EQ(o->kitDir, "kit");
    EXPECT_EQ(qrl::packedFileName(o->family, o->outFile), "out.exe");
    EXPECT_EQ(qrl::packedFileName(qrl::Family::Mac, "a.zip"), "a.zip");
    EXPECT_EQ(qrl::packedFileName(qrl::Family::Posix, "a"), "a");
}

TEST(KitpackArgs, VersionResourceNumbers) {
    const std::pair<const char*, const char*> cases[] = {
        {"2.5-beta", "2.5.0.0"}, {"1.2.3.4.5", "1.2.3.4"}, {"", "0.0.0.0"},
        {"beta", "0.0.0.0"},     {"99999.1", "65535.1.0.0"}, {"3..4", "3.0.0.0"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(qrl::fourPartVersion(in), want) << in;
}

TEST(MacPlaces, KitAndStartFolderInsideAndOutsideABundle) {
    TempDir root;
    const std::string app = root.file("Acme Setup.app");
    ASSERT_TRUE(platform::makeDir(app));
    ASSERT_TRUE(platform::makeDir(app + "/Contents"));
    ASSERT_TRUE(platform::makeDir(app + "/Contents/MacOS"));
    ASSERT_TRUE(platform::makeDir(app + "/Contents/Resources"));
    ASSERT_TRUE(platform::makeDir(root.file("Plain")));
    ASSERT_TRUE(platform::makeDir(root.file("Plain/Contents")));
    ASSERT_TRUE(platform::makeDir(root.file("Plain/Contents/MacOS")));
    ASSERT_TRUE(platform::makeDir(root.file("Plain/Contents/Resources")));

    qrl::MacPlaces in = qrl::macPlaces(app + "/Contents/MacOS/");
    EXPECT_EQ(in.kitDir, app + "/Contents/Resources");
    EXPECT_EQ(in.startDir, root.path());
    // Not a bundle: not named .app, or no Resources beside the program.
    for (const std::string& dir : {root.file("Plain/Contents/MacOS"), root.file("Kit"), std::string("/")}) {
        qrl::MacPlaces out = qrl::macPlaces(dir);
        EXPECT_EQ(out.kitDir, dir);
        EXPECT_EQ(out.startDir, dir);
    }
    ASSERT_TRUE(platform::removeDir(app + "/Contents/Resources"));
    EXPECT_EQ(qrl::macPlaces(app + "/Contents/MacOS").kitDir, app + "/Contents/MacOS");
}

// The installer's windows carry the packed name unless the kit names its
// product itself.
TEST(KitpackControl, TheKitsOwnProductNameElseThePackedOne) {
    struct Row {
        std::string text, expected;
    } rows[] = {
        {"jvmMinVersion=1.8\n", "jvmMinVersion=1.8\nproductName=Acme\n"},
        {"jvmMinVersion=1.8", "jvmMinVersion=1.8\nproductName=Acme\n"},
        {"productName=Widget\njvmMinVersion=1.8\n", "productName=Widget\njvmMinVersion=1.8\n"},
        {"", "productName=Acme\n"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(qrl::withProductName(r.text, "Acme", qrl::Family::Windows), r.expected) << r.text;
}
