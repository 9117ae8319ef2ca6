#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/files.h"
#include "jvm/findjvm.h"
#include "jvm/jvmwin.h"
#include "jvm/winvers.h"
#include "platform/env.h"
#include "platform/registry.h"
#include "provision/jvmregistration.h"
#include "tests/jvm/standin.h"
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
        return took(JvmWin(logsHere()).searchWindowsForJvm(c, jvmName, exeName), exeName, exePath);
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
    ASSERT_TRUE(took(win.searchExtensions({"", "22", ""}, exeName), exeName, exePath));
    EXPECT_EQ(exePath, dir.file("jdk22") + "\\bin\\java.exe");
}

TEST_F(RegistrySearch, FindJvmHandsTheSearchToTheRegistry) {
    std::string jre = jvm("jre8");
    reg("Java Runtime Environment", "1.8", jre, "0_392");
    std::string exeName = "jre", exePath;
    qrl::FindJvm find(qrl::Family::Windows, logsHere());
    ASSERT_TRUE(took(find.searchRegistry(JvmCriteria{"", "1.8", ""}, "JRE", exeName), exeName, exePath));
    EXPECT_EQ(exePath, jre + "\\bin\\javaw.exe");  // the trace file exists: javaw.exe
}

// A PE image's first bytes, as a linker writes them: "MZ", the offset of the
// PE header at 0x3c, there "PE\0\0" and the machine.
static std::string peImage(std::uint16_t machine, std::uint32_t header = 0x80) {
    std::string image(header + 24, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    for (int i = 0; i < 4; ++i) image[0x3c + i] = static_cast<char>(header >> (8 * i));
    image.replace(header, 4, std::string("PE\0\0", 4));
    image[header + 4] = static_cast<char>(machine & 0xff);
    image[header + 5] = static_cast<char>(machine >> 8);
    return image;
}

TEST(JvmArchitectureTest, ViewOfTheMachineInThePeHeader) {
    using platform::RegView;
    std::string noSignature = peImage(0x14c);
    noSignature[0x80] = 'X';
    std::string headerFarOut = peImage(0x14c);
    headerFarOut[0x3d] = '\x7f';  // the header offset points past the bytes
    const struct {
        const char* what;
        std::string image;
        std::optional<RegView> view;
    } rows[] = {
        {"i386", peImage(0x14c), RegView::Bits32},
        {"x86_64", peImage(0x8664), RegView::Bits64},
        {"arm64", peImage(0xaa64), RegView::Bits64},
        {"header right after the DOS header", peImage(0x8664, 0x40), RegView::Bits64},
        {"another processor (ia64)", peImage(0x200), std::nullopt},
        {"no PE signature", noSignature, std::nullopt},
        {"header offset out of the bytes", headerFarOut, std::nullopt},
        {"cut before the machine", peImage(0x14c).substr(0, 0x85), std::nullopt},
        {"cut before the header offset", peImage(0x14c).substr(0, 0x3e), std::nullopt},
        {"an ELF program", std::string("\x7f" "ELF\x01\x01\x01", 7) + std::string(200, '\0'), std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& row : rows) {
        auto machine = qrl::peMachine(row.image);
        EXPECT_EQ(machine ? qrl::registryViewOfMachine(*machine) : std::nullopt, row.view) << row.what;
    }
    // A program of this build: the view of its own width.
    if (onWindows()) { EXPECT_EQ(qrl::registryViewOfProgram(helperPath("fakejava")), platform::ownRegView()); }
    EXPECT_EQ(qrl::registryViewOfProgram(helperPath("no-such-program")), std::nullopt);
}

// The real JavaSoft keys of HKEY_LOCAL_MACHINE in both views, as 64-bit
// Windows keeps them apart: only in a wine prefix thrown away after the run
// (wine-run.sh --fresh), where 32-bit and 64-bit programs see one registry.
class RealRegistryViews : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    EnvGuard root{"QUARLAN_REGISTRY_ROOT", nullptr};
    EnvGuard javaHome{"JAVA_HOME", nullptr};

    void SetUp() override {
        if (!onWindows() || platform::getEnv("QUARLAN_FRESH_REGISTRY").value_or("") != "1")
            GTEST_SKIP() << "the machine's own registry: run in a throwaway wine prefix (wine-run.sh --fresh)";
        writeFile("jinstall.log", "");
        clear();
    }
    void clear() {
        for (auto view : {platform::RegView::Bits32, platform::RegView::Bits64})
            ASSERT_TRUE(platform::regDeleteTree(RegRoot::LocalMachine, "SOFTWARE\\JavaSoft", view));
    }
    std::string home(const std::string& name, const std::string& javaw) {
        std::string h = dir.file(name);
        std::filesystem::create_directories(std::filesystem::u8path(h + "\\bin"));
        writeFile(h + "\\bin\\javaw.exe", javaw);
        return h;
    }
    // A JVM this program can start (a stand-in of its own width).
    std::string runnable(const std::string& name) {
        std::string h = home(name, "");
        EXPECT_TRUE(qrl::copyFile(helperPath("fakejava"), h + "\\bin\\javaw.exe"));
        return h;
    }
    void reg(platform::RegView view, const std::string& key, const std::string& h, const char* micro) {
        std::string k = "SOFTWARE\\JavaSoft\\" + key;
        ASSERT_TRUE(platform::regSetString(RegRoot::LocalMachine, k, "JavaHome", h, view));
        if (micro) { ASSERT_TRUE(platform::regSetString(RegRoot::LocalMachine, k, "MicroVersion", micro, view)); }
    }
};

// Every program finds a JVM registered in either view, its own view first:
// the 32-bit JVMs that 64-bit launchers never saw, and a 32-bit installer's
// registrations. Run by both widths (wine.* and wine32.*).
TEST_F(RealRegistryViews, EveryProgramFindsJvmsOfBothViewsItsOwnFirst) {
    using platform::RegView;
    const RegView own = platform::ownRegView(), other = platform::otherRegView(RegView::Own);
    const struct {
        const char* what;
        RegView view;
        const char* key;
        const char* micro;
        const char* jvmName = "JRE";
    } rows[] = {
        {"classic runtime key, own view", own, "Java Runtime Environment\\1.8", "0_392"},
        {"classic runtime key, other view", other, "Java Runtime Environment\\1.8", "0_392"},
        {"classic development kit key, other view", other, "Java Development Kit\\1.8", "0_392"},
        {"today's key, own view", own, "JDK\\17.0.15", nullptr},
        {"today's key, other view", other, "JDK\\17.0.15", nullptr},
        {"the plug-in alone, other view", other, "Java Plug-in\\1.8", "0_392", "Java Plug-in"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        clear();
        std::string h = runnable("jvm");
        reg(row.view, row.key, h, row.micro);
        // The views are apart: the key is not seen in the other one.
        EXPECT_FALSE(platform::regKeyExists(RegRoot::LocalMachine, std::string("SOFTWARE\\JavaSoft\\") + row.key,
                                            platform::otherRegView(row.view)));
        std::string exeName = "javaw.exe", exePath;
        EXPECT_TRUE(took(JvmWin(logsHere()).searchWindowsForJvm({}, row.jvmName, exeName), exeName, exePath));
        EXPECT_EQ(exePath, h + "\\bin\\javaw.exe");
        std::filesystem::remove_all(std::filesystem::u8path(h));
    }
    // The same version in both views: this program's own view wins, and a
    // program reading as the 32-bit installer takes the 32-bit one.
    clear();
    std::string mine = runnable("mine"), theirs = runnable("theirs");
    reg(own, "Java Runtime Environment\\1.8", mine, "0_392");
    reg(other, "Java Runtime Environment\\1.8", theirs, "0_392");
    std::string exeName = "javaw.exe", exePath;
    EXPECT_TRUE(took(JvmWin(logsHere()).searchWindowsForJvm({}, "JRE", exeName), exeName, exePath));
    EXPECT_EQ(exePath, mine + "\\bin\\javaw.exe");
    JvmWin as32(logsHere());
    as32.readAs32BitProgram();
    EXPECT_TRUE(took(as32.searchWindowsForJvm({}, "JRE", exeName), exeName, exePath));
    EXPECT_EQ(exePath, (own == RegView::Bits32 ? mine : theirs) + "\\bin\\javaw.exe");
}

// A JVM is registered in the view of its own processor, as its vendor's
// installer would, whatever this program's width.
TEST_F(RealRegistryViews, RegistrationWritesTheViewOfTheJvmsProcessor) {
    using platform::RegView;
    const struct {
        const char* what;
        std::string javaw;
        RegView view;
    } rows[] = {
        {"i386", peImage(0x14c), RegView::Bits32},
        {"x86_64", peImage(0x8664), RegView::Bits64},
        {"arm64", peImage(0xaa64), RegView::Bits64},
        {"unreadable: this program's own view", "not a program", platform::ownRegView()},
    };
    const std::string key = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        clear();
        std::string h = home("jre", row.javaw);
        qrl::JvmRegistration(logsHere(), "", nullptr, {h}).registerJvm("1.8.0_392", "JRE", "javaw.exe",
                                                                       h + "\\bin\\javaw.exe");
        EXPECT_EQ(platform::regString(RegRoot::LocalMachine, key, "MicroVersion", row.view), "0_392");
        EXPECT_EQ(platform::regString(RegRoot::LocalMachine, key, "JavaHome", row.view), qrl::registryHome(h + "\\bin\\javaw.exe"));
        EXPECT_FALSE(platform::regKeyExists(RegRoot::LocalMachine, key, platform::otherRegView(row.view)));
        std::filesystem::remove_all(std::filesystem::u8path(h));
    }
}
