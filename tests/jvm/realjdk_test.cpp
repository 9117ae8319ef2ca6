// This machine's JDKs: OpenJDK 17 and, when present, a JDK 25 below
// /usr/lib/jvm. Each test skips when its JDK is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "common/files.h"
#include "jvm/findjvm.h"
#include "jvm/jvmok.h"
#include "platform/fs.h"
#include "tests/jvm/standin.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;
using qrl::FindJvm;
using qrl::JvmCriteria;

#ifndef _WIN32

namespace {

const std::string kJdk17 = "/usr/lib/jvm/java-17-openjdk-amd64";
const std::string kJdk25 = "/usr/lib/jvm/temurin-25-jdk-amd64";

bool present(const std::string& home) { return platform::exists(home + "/bin/java"); }

class RealJdkTest : public ::testing::Test {
protected:
    TempDir dir;
    // The probe answers into the current directory, whatever its name holds.
    std::string work = dir.file("work dir $HOME 'q'");
    std::unique_ptr<CwdGuard> cwd;
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard toolOptions{"JAVA_TOOL_OPTIONS", nullptr};

    void SetUp() override {
        makeDirs(work);
        cwd = std::make_unique<CwdGuard>(work);
        writeFile("jinstall.log", "");
#ifdef QRL_TESTJVM_CLASS
        ASSERT_TRUE(qrl::copyFile(QRL_TESTJVM_CLASS, "TestJvm.class"));
#endif
    }

    // Every executable the trace shows started, by its real path.
    std::vector<std::string> tested() {
        std::vector<std::string> out;
        const std::string label = "Testing jvm version: ";
        for (const auto& line : traceTails("jinstall.log"))
            if (line.rfind(label, 0) == 0) out.push_back(platform::canonicalPath(line.substr(label.size())));
        return out;
    }
};

}  // namespace

TEST_F(RealJdkTest, Jdk17PassesTheVersionTestAndTheProbe) {
    if (!present(kJdk17)) GTEST_SKIP() << "no " << kJdk17;
    for (Family f : {Family::Posix, Family::Mac}) {
        std::string name = "java", path;
        EXPECT_TRUE(testHome(f, {"", "11", ""}, kJdk17, name, path));
        EXPECT_EQ(path, kJdk17 + "/bin/java");
        EXPECT_TRUE(testHome(f, {"17", "", ""}, kJdk17, name, path));
        EXPECT_TRUE(testHome(f, {"", "1.8.0_77", ""}, kJdk17, name, path));
        EXPECT_FALSE(testHome(f, {"", "", "1.8"}, kJdk17, name, path));
        EXPECT_FALSE(testHome(f, {"", "21", ""}, kJdk17, name, path));
    }
    // The notice a real JVM prints before its banner.
    EnvGuard opts("JAVA_TOOL_OPTIONS", "-Dqrl.test=1");
    std::string name = "java", path;
    EXPECT_TRUE(testHome(Family::Posix, {"", "17.0.1", "17.0"}, kJdk17, name, path));
#ifdef QRL_TESTJVM_CLASS
    auto tails = traceTails("jinstall.log");
    EXPECT_NE(std::find(tails.begin(), tails.end(), "test jvm ok: true"), tails.end());
    // The Windows form starts the probe directly.
    qrl::JvmTester win(Family::Windows, logsHere());
    EXPECT_TRUE(win.testProgram("java", kJdk17 + "/bin/java", {"", "17", ""}).accepted());
    EXPECT_FALSE(win.testProgram("java", kJdk17 + "/bin/java", {"", "18", ""}).accepted());
#endif
    EXPECT_FALSE(exists("jvmGood.txt"));
    EXPECT_FALSE(exists("__qrlvers.log"));
}

TEST_F(RealJdkTest, FindsJdk25ByTheExtensionWhenOnlyJdk17IsOnThePath) {
    if (!present(kJdk17) || !present(kJdk25)) GTEST_SKIP() << "needs " << kJdk17 << " and " << kJdk25;
    std::string home = dir.file("home");
    makeDirs(home);
    // The search path leads to JDK 17 twice: once directly, once through a link.
    makeDirs(dir.file("bin"));
    ASSERT_EQ(::symlink((kJdk17 + "/bin/java").c_str(), dir.file("bin/java").c_str()), 0);
    EnvGuard path("PATH", (kJdk17 + "/bin:" + dir.file("bin")).c_str());
    qrl::SearchPlaces places;
    places.jvmDirs = {"/usr/lib/jvm"};
    FindJvm find(Family::Posix, places, logsHere());
    std::string name = "java", exe;
    ASSERT_TRUE(took(find.searchPosixPlaces(home, {"25", "", ""}, "jvm", name, ""), name, exe));
    EXPECT_EQ(platform::canonicalPath(exe), platform::canonicalPath(kJdk25 + "/bin/java"));
    auto tails = traceTails("jinstall.log");
    EXPECT_NE(std::find(tails.begin(), tails.end(), "jvm found by extension: " + exe), tails.end());
    auto started = tested();
    EXPECT_EQ(std::set<std::string>(started.begin(), started.end()).size(), started.size());
    EXPECT_EQ(started.size(), 2u);  // JDK 17 once, then JDK 25

    // With 17 acceptable the search path answers and the extension stays out.
    ASSERT_TRUE(took(find.searchPosixPlaces(home, {"", "11", ""}, "jvm", name, ""), name, exe));
    EXPECT_EQ(exe, kJdk17 + "/bin/java");
}

TEST_F(RealJdkTest, MacContentsHomeOfARealJdk) {
    if (!present(kJdk25)) GTEST_SKIP() << "no " << kJdk25;
    std::string vms = dir.file("JavaVirtualMachines");
    makeDirs(vms + "/temurin-25.jdk/Contents");
    ASSERT_EQ(::symlink(kJdk25.c_str(), (vms + "/temurin-25.jdk/Contents/Home").c_str()), 0);
    qrl::SearchPlaces places;
    places.macRoots = {dir.file("Versions"), vms};
    FindJvm find(Family::Mac, places, logsHere());
    std::string name = "java", exe;
    ASSERT_TRUE(took(find.searchMacRoots({"", "21", ""}, name), name, exe));
    EXPECT_EQ(exe, vms + "/temurin-25.jdk/Contents/Home/bin/java");
    EXPECT_FALSE(took(find.searchMacRoots({"", "", "24"}, name), name, exe));
}

#endif
