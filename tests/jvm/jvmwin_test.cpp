#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/files.h"
#include "jvm/findjvm.h"
#include "jvm/jvmwin.h"
#include "jvm/winvers.h"
#include "platform/registry.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::JvmCriteria;
using qrl::JvmWin;

namespace {

using platform::RegRoot;

TEST(RegistryOrderTest, GreatestVersionIsNumericallyGreatest) {
    std::vector<std::string> v{"1.9", "1.10", "1.4.2", "1.4.2_05", "1.4", "17.0.2", "1.8.0_392", "9"};
    std::sort(v.begin(), v.end(), qrl::registryVersionLess);
    EXPECT_EQ(v, (std::vector<std::string>{"1.4", "1.4.2", "1.4.2_05", "1.8.0_392", "1.9", "9", "1.10", "17.0.2"}));
}

TEST(WinVersionTest, NtNineXAndBadWords) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    writeFile("jinstall.log", "");
    qrl::WinVersion w(logsHere());
    EXPECT_TRUE(w.classify(0x23F00206UL));   // NT 6.2
    EXPECT_FALSE(w.classify(0xC0000A04UL));  // 9x 4.10
    EXPECT_TRUE(readFile("jinstall.log").empty());
    EXPECT_FALSE(w.classify(0x80000003UL));  // Win32s
    EXPECT_NE(readFile("jinstall.log").find("Bad version of windows"), std::string::npos);
    if (onWindows()) { EXPECT_TRUE(w.winNT()); }
}

// Registry keys of the tests live below a unique key of HKEY_CURRENT_USER,
// removed afterwards; the search reads them through QUARLAN_REGISTRY_ROOT.
class RegistrySearch : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    std::string root = "Software\\QuarlanTest\\run" + std::to_string(std::random_device{}());
    EnvGuard rootEnv{"QUARLAN_REGISTRY_ROOT", root.c_str()};
    EnvGuard javaHome{"JAVA_HOME", nullptr};

    void SetUp() override {
        if (!onWindows()) GTEST_SKIP() << "the Windows registry";
        writeFile("jinstall.log", "");
    }
    void TearDown() override {
        if (onWindows()) {
            // Only this test's own key: the tests of other programs may be
            // using theirs below the same parent at this moment.
            EXPECT_TRUE(platform::regDeleteTree(RegRoot::CurrentUser, root));
        }
    }

    // A JVM home holding bin\java.exe and bin\javaw.exe (stand-ins).
    std::string jvm(const std::string& name) {
        std::string home = dir.file(name);
        std::filesystem::create_directories(std::filesystem::u8path(home + "\\bin"));
        for (const char* exe : {"java.exe", "javaw.exe"}) EXPECT_TRUE(qrl::copyFile(helperPath("fakejava"), home + "\\bin\\" + exe));
        return home;
    }
    void reg(const std::string& product, const std::string& version, const std::string& home,
             const char* micro = nullptr, const char* homeValue = "JavaHome") {
        std::string key = root + "\\SOFTWARE\\JavaSoft\\" + product + "\\" + version;
        ASSERT_TRUE(platform::regSetString(RegRoot::CurrentUser, key, homeValue, home));
        if (micro) { ASSERT_TRUE(platform::regSetString(RegRoot::CurrentUser, key, "MicroVersion", micro)); }
    }
    bool search(JvmCriteria c, std::string& exeName, std::string& exePath, std::string_view jvmName = "JRE") {
        return JvmWin(logsHere()).searchWindowsForJvm(c, jvmName, exeName, exePath);
    }
    std::vector<std::string> trace() { return readLines("jinstall.log"); }
    bool traced(const std::string& tail) {
        for (const auto& l : trace())
            if (l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0) return true;
        return false;
    }
};

}  // namespace

TEST_F(RegistrySearch, GreatestAcceptableVersionOfTheRuntimeKey) {
    std::string old = jvm("jre131"), cur = jvm("jre14");
    reg("Java Runtime Environment", "1.3.1", old, "0");
    reg("Java Runtime Environment", "1.4", cur, "2");
    std::string exeName = "javaw.exe", exePath;
    ASSERT_TRUE(search({"", "1.4", ""}, exeName, exePath));
    EXPECT_EQ(exePath, cur + "\\bin\\javaw.exe");
    EXPECT_TRUE(traced(" available versions: 2"));
    EXPECT_TRUE(traced(" found jvm version: 1.4.2"));
    // Required 1.3: 1.4 is tried first and refused, then 1.3.1 is taken.
    ASSERT_TRUE(search({"1.3", "", ""}, exeName, exePath));
    EXPECT_EQ(exePath, old + "\\bin\\javaw.exe");
}

TEST_F(RegistrySearch, NumericOrderPrefersOneTenOverOneNine) {
    std::string nine = jvm("j19"), ten = jvm("j110");
    reg("Java Runtime Environment", "1.9", nine, "0");
    reg("Java Runtime Environment", "1.10", ten, "0");
    std::string exeName = "java.exe", exePath;
    ASSERT_TRUE(search({}, exeName, exePath));
    EXPECT_EQ(exePath, ten + "\\bin\\java.exe");
}

TEST_F(RegistrySearch, DevelopmentKitWhenNoRuntimeAndPluginOnlyWhenAsked) {
    std::string jdk = jvm("jdk15"), plugin = jvm("plugin14");
    reg("Java Development Kit", "1.5", jdk, "0_06");
    reg("Java Plug-in", "1.4", plugin);  // no MicroVersion: the criteria give it
    std::string exeName = "jre", exePath;
    // "jre" becomes javaw.exe while the trace file exists.
    ASSERT_TRUE(search({"", "1.4", ""}, exeName, exePath));
    EXPECT_EQ(exePath, jdk + "\\bin\\javaw.exe");
    EXPECT_EQ(exeName, "javaw.exe");
    exeName = "jre";
    ASSERT_TRUE(search({"", "1.4.2", ""}, exeName, exePath, "java plug-in"));
    EXPECT_EQ(exePath, plugin + "\\bin\\javaw.exe");
    EXPECT_TRUE(traced(" no known minor version for SOFTWARE\\JavaSoft\\Java Plug-in"));
    EXPECT_TRUE(traced(" found jvm version: 1.4.2"));
}

TEST_F(RegistrySearch, HomeWithoutExecutableFallsToTheNextVersion) {
    std::string empty = dir.file("empty");
    std::filesystem::create_directories(std::filesystem::u8path(empty));
    std::string good = jvm("good");
    reg("Java Runtime Environment", "1.6", good, "0");
    reg("Java Runtime Environment", "1.7", empty, "0");
    reg("Java Runtime Environment", "1.8", "", "0");  // no home at all: never the drive's root
    std::string exeName = "javaw.exe", exePath;
    ASSERT_TRUE(search({}, exeName, exePath));
    EXPECT_EQ(exePath, good + "\\bin\\javaw.exe");
    EXPECT_TRUE(traced(" no home directory for jvm"));
}

TEST_F(RegistrySearch, NothingFoundLeavesTheExecutableNameAsGiven) {
    std::string old = jvm("old");
    reg("Java Runtime Environment", "1.3", old, "1");
    std::string exeName = "jre", exePath;
    EXPECT_FALSE(search({"", "1.5", ""}, exeName, exePath));
    EXPECT_EQ(exeName, "jre");
    EXPECT_TRUE(traced(" unable to find a compatible Jvm"));
}

TEST_F(RegistrySearch, TodaysKeysWithFullVersionsAndNoMicroVersion) {
    std::string jdk17 = jvm("jdk17"), jdk21 = jvm("jdk21"), jre11 = jvm("jre11");
    reg("JDK", "17.0.2", jdk17);
    reg("JDK", "21.0.1", jdk21);
    reg("JRE", "11.0.20", jre11);
    reg("Java Runtime Environment", "1.6", jvm("jre16"), "0");  // refused below
    std::string exeName = "javaw.exe", exePath;
    ASSERT_TRUE(search({"", "11", "17"}, exeName, exePath));
    EXPECT_EQ(exePath, jdk17 + "\\bin\\javaw.exe");
    ASSERT_TRUE(search({"", "18", ""}, exeName, exePath));
    EXPECT_EQ(exePath, jdk21 + "\\bin\\javaw.exe");
    ASSERT_TRUE(search({"11", "", ""}, exeName, exePath));
    EXPECT_EQ(exePath, jre11 + "\\bin\\javaw.exe");
    // The classic keys are asked first: a match there wins.
    ASSERT_TRUE(search({"", "1.6", "1.6"}, exeName, exePath));
    EXPECT_EQ(exePath, dir.file("jre16") + "\\bin\\javaw.exe");
}

TEST_F(RegistrySearch, OtherViewAndJavaHomeAreTheLastResort) {
    std::string user = jvm("user-jdk");
    writeFile(user + "\\release", "JAVA_VERSION=\"21.0.3\"\n");
    EnvGuard home("JAVA_HOME", user.c_str());
    std::string exeName = "java.exe", exePath;
    ASSERT_TRUE(search({"", "21", ""}, exeName, exePath));
    EXPECT_EQ(exePath, user + "\\bin\\java.exe");
    EXPECT_FALSE(search({"", "22", ""}, exeName, exePath));
    // The 64-bit view, read by a 32-bit program (here the same view).
    reg("JDK", "22.0.1", jvm("jdk22"));
    JvmWin win(logsHere());
    win.setReadOtherView(true);
    ASSERT_TRUE(win.searchExtensions({"", "22", ""}, exeName, exePath));
    EXPECT_EQ(exePath, dir.file("jdk22") + "\\bin\\java.exe");
}

TEST_F(RegistrySearch, FindJvmHandsTheSearchToTheRegistry) {
    std::string jre = jvm("jre8");
    reg("Java Runtime Environment", "1.8", jre, "0_392");
    std::string exeName = "jre", exePath;
    qrl::FindJvm find(qrl::Family::Windows, logsHere());
    ASSERT_TRUE(find.searchRegistry(JvmCriteria{"", "1.8", ""}, "JRE", exeName, exePath));
    EXPECT_EQ(exePath, jre + "\\bin\\javaw.exe");  // the trace file exists: javaw.exe
}
