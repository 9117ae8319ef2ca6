#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "jvm/findjvm.h"
#include "jvm/jvmverdicts.h"
#include "platform/fs.h"
#include "tests/jvm/standin.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::FindJvm;
using qrl::Family;
using qrl::JvmCriteria;
using qrl::SearchPlaces;

TEST(SearchPlacesTest, PathEntriesAndOverrides) {
    EXPECT_EQ(qrl::pathEntries("/a::/b:"), (std::vector<std::string>{"/a", "", "/b"}));
    EXPECT_EQ(qrl::pathEntries(":/a"), (std::vector<std::string>{"", "/a"}));
    EXPECT_EQ(qrl::pathEntries(""), std::vector<std::string>{});
    std::string many;
    for (int i = 0; i < 60; ++i) many += "/d" + std::to_string(i) + ":";
    auto entries = qrl::pathEntries(many);
    ASSERT_EQ(entries.size(), qrl::kMaxPathEntries);
    EXPECT_EQ(entries.back(), "/d49");

    {
        EnvGuard a("QUARLAN_SYSTEM_DIRS", "/x:/y z");
        EnvGuard b("QUARLAN_MAC_JVM_ROOTS", "");
        EnvGuard c("QUARLAN_JVM_DIRS", nullptr);
        auto p = SearchPlaces::defaults(Family::Posix);
        EXPECT_EQ(p.systemDirs, (std::vector<std::string>{"/x", "/y z"}));
        // Windows cannot hold an empty variable: setting one removes it.
        if (!onWindows()) {
            EXPECT_TRUE(p.macRoots.empty());
        }
        EXPECT_EQ(p.jvmDirs, (std::vector<std::string>{"/usr/lib/jvm", "/usr/java"}));
    }
    EnvGuard a("QUARLAN_SYSTEM_DIRS", nullptr);
    EnvGuard b("QUARLAN_MAC_JVM_ROOTS", nullptr);
    auto p = SearchPlaces::defaults(Family::Mac);
    EXPECT_EQ(p.systemDirs.front(), "/usr/local/bin");
    EXPECT_EQ(p.systemDirs.back(), "/lib");
    EXPECT_EQ(p.macRoots.at(2), "/Library/Internet Plug-Ins/JavaAppletPlugin.plugin");
}

TEST(SearchPlacesTest, VersionsOfJvmHomes) {
    TempDir dir;
    writeFile(dir.file("release"), "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"25.0.3\"\nOS_NAME=\"Linux\"\n");
    EXPECT_EQ(qrl::releaseFileVersion(dir.path()), "25.0.3");
    EXPECT_EQ(qrl::releaseFileVersion(dir.file("none")), "");
    EXPECT_EQ(qrl::nameVersion("java-17-openjdk-amd64"), "17");
    EXPECT_EQ(qrl::nameVersion("jdk1.8.0_392"), "1.8.0_392");
    EXPECT_EQ(qrl::nameVersion("jdk-21.0.3.jdk"), "21.0.3");
    EXPECT_EQ(qrl::nameVersion("default-java"), "");
}

#ifndef _WIN32

namespace {

const JvmCriteria kMin11{"", "11", ""};

}  // namespace

// Trees of stand-in JVMs below a private directory; every place the search
// walks is given by the test.
class SearchTest : public ::testing::Test {
protected:
    TempDir root;
    std::string work = root.file("work");
    std::string log = root.file("starts.log");
    std::string home = root.file("home");
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard path{"PATH", ""};
    EnvGuard toolOptions{"JAVA_TOOL_OPTIONS", nullptr};
    std::unique_ptr<CwdGuard> cwd;

    void SetUp() override {
        makeDirs(work);
        makeDirs(home);
        cwd = std::make_unique<CwdGuard>(work);
        writeFile("jinstall.log", "");
    }

    SearchPlaces places(std::vector<std::string> system = {}, std::vector<std::string> jvmDirs = {},
                        std::vector<std::string> macRoots = {}) {
        SearchPlaces p;
        p.systemDirs = std::move(system);
        p.jvmDirs = std::move(jvmDirs);
        p.macRoots = std::move(macRoots);
        return p;
    }

    bool posixSearch(FindJvm& find, const JvmCriteria& c, std::string& name, std::string& exe,
                     const std::string& mode = "") {
        return took(find.searchPosixPlaces(home, c, "jvm", name, mode), name, exe);
    }

    std::vector<std::string> trace() { return traceTails("jinstall.log"); }
};

TEST_F(SearchTest, SearchPathFirstEntryWinsAndItsLimitHolds) {
    makeJvm(root.file("a"), "11.0.2", log);
    makeJvm(root.file("b"), "17.0.15", log);
    EnvGuard p("PATH", (root.file("a") + ":" + root.file("b") + "/bin").c_str());
    FindJvm find(Family::Posix, places(), logsHere());
    std::string name = "java", exe;
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, root.file("a") + "/bin/java");
    EXPECT_EQ(starts(log).size(), 1u);
    // With a minimum of 17 the second entry (the directory holding java) is taken.
    ASSERT_TRUE(posixSearch(find, {"", "17", ""}, name, exe));
    EXPECT_EQ(exe, root.file("b") + "/bin/java");

    // Entries after the 50th are not tried.
    std::string longPath;
    for (int i = 0; i < 50; ++i) longPath += root.file("none" + std::to_string(i)) + ":";
    EnvGuard p2("PATH", (longPath + root.file("b")).c_str());
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe));
    EXPECT_TRUE(contains(trace(), "jvm not found in path " + longPath + root.file("b")));
    EnvGuard p3("PATH", (longPath.substr(0, longPath.rfind(':', longPath.size() - 2) + 1) + root.file("b")).c_str());
    EXPECT_TRUE(posixSearch(find, kMin11, name, exe));
}

TEST_F(SearchTest, HomeDirectoryOneLevelDeepWithItsEntryLimit) {
    makeJvm(home + "/deep/jdk", "17.0.15", log);
    FindJvm find(Family::Posix, places(), logsHere());
    std::string name = "java", exe;
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe));
    EXPECT_TRUE(contains(trace(), "jvm not found in home or its subdirectories " + home));
    makeJvm(home + "/jdk", "17.0.15", log);
    EXPECT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, home + "/jdk/bin/java");

    // Sixty children that all hold a JVM too old: at most 50 entries are read
    // ("." and ".." among them where the system lists them).
    TempDir crowded;
    std::string log2 = crowded.file("starts.log");
    for (int i = 0; i < 60; ++i) makeJvm(crowded.file("j" + std::to_string(i)), "1.6.0_45", log2);
    FindJvm fresh(Family::Posix, places(), logsHere());
    EXPECT_FALSE(took(fresh.searchHomeForJvm(crowded.path(), kMin11, name), name, exe));
    size_t started = starts(log2).size();
    EXPECT_GE(started, 48u);
    EXPECT_LE(started, 50u);
    EXPECT_EQ(fresh.runs().starts, started);
}

TEST_F(SearchTest, SystemDirectoriesTakeNamesAfterJavaThenJavaItself) {
    std::string usr = root.file("usr");
    makeJvm(usr + "/j2se", "17.0.15", log);
    FindJvm find(Family::Posix, places({usr}), logsHere());
    std::string name = "java", exe;
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe));
    EXPECT_TRUE(contains(trace(), "jvm not found in directory " + usr + "/java"));
    makeJvm(usr + "/java", "17.0.15", log);
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, usr + "/java/bin/java");
    makeJvm(usr + "/jdk1.4", "1.4.2_05", log);
    makeJvm(usr + "/java1.4", "1.4.2_05", log);
    ASSERT_TRUE(posixSearch(find, {"1.4", "", ""}, name, exe));
    EXPECT_TRUE(exe == usr + "/jdk1.4/bin/java" || exe == usr + "/java1.4/bin/java") << exe;

    // A search mode "Path" (any case) or "path or registry" skips them.
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe, "Path"));
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe, "PATH OR REGISTRY"));
    EXPECT_TRUE(posixSearch(find, kMin11, name, exe, "yes"));
}

TEST_F(SearchTest, ExtensionsOnlyWhenTheClassicPlacesFail) {
    std::string usr = root.file("usr");
    std::string jvmDir = root.file("lib/jvm");
    makeJvm(root.file("javahome"), "21.0.3", log);
    makeJvm(jvmDir + "/java-11-openjdk", "11.0.2", log);
    makeJvm(jvmDir + "/temurin-21-jdk", "21.0.3", log);
    makeJvm(jvmDir + "/zulu17", "17.0.15", log);
    writeFile(jvmDir + "/zulu17/release", "JAVA_VERSION=\"17.0.15\"\n");
    makeJvm(jvmDir + "/default-java", "11.0.2", log);
    FindJvm find(Family::Posix, places({usr}, {jvmDir}), logsHere());
    EXPECT_EQ(find.extensionHomes(),
              (std::vector<std::string>{jvmDir + "/temurin-21-jdk", jvmDir + "/zulu17", jvmDir + "/java-11-openjdk",
                                        jvmDir + "/default-java"}));

    std::string name = "java", exe;
    // The greatest acceptable version below the JVM directories.
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, jvmDir + "/temurin-21-jdk/bin/java");
    EXPECT_TRUE(contains(trace(), "jvm found by extension: " + exe));
    ASSERT_TRUE(posixSearch(find, {"", "11", "17"}, name, exe));
    EXPECT_EQ(exe, jvmDir + "/zulu17/bin/java");

    // JAVA_HOME comes before them.
    EnvGuard jh("JAVA_HOME", root.file("javahome").c_str());
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, root.file("javahome") + "/bin/java");
    EXPECT_TRUE(contains(trace(), "searching JAVA_HOME: " + root.file("javahome")));

    // A search restricted to the path still looks at JAVA_HOME, not at the
    // system's JVM directories.
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe, "path"));
    EXPECT_EQ(exe, root.file("javahome") + "/bin/java");
    EnvGuard noJh("JAVA_HOME", nullptr);
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe, "path"));

    // What the classic places find is never changed by the extensions.
    makeJvm(usr + "/java", "11.0.2", log);
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, usr + "/java/bin/java");
}

TEST_F(SearchTest, NoJvmIsStartedTwiceInOneSearch) {
    std::string real = root.file("opt/jdk");
    makeJvm(real, "1.7.0_80", log);
    makeDirs(root.file("bin"));
    ASSERT_EQ(::symlink((real + "/bin/java").c_str(), root.file("bin/java").c_str()), 0);
    ASSERT_EQ(::symlink(real.c_str(), root.file("usr-java").c_str()), 0);
    EnvGuard p("PATH", (root.file("bin") + ":" + real + "/bin:" + root.file("bin")).c_str());
    EnvGuard jh("JAVA_HOME", root.file("usr-java").c_str());
    FindJvm find(Family::Posix, places({root.file("opt")}, {root.file("opt")}), logsHere());
    std::string name = "java", exe;
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(starts(log).size(), 1u);
    EXPECT_EQ(find.runs().starts, 1u);
    EXPECT_EQ(find.runs().tested.size(), 1u);
    auto t = trace();
    EXPECT_EQ(std::count_if(t.begin(), t.end(),
                            [](const std::string& l) { return l.rfind("jvm already tested: ", 0) == 0; }),
              5);
    // A new search starts afresh.
    EXPECT_FALSE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(starts(log).size(), 2u);
}

TEST_F(SearchTest, WithoutASearchPathTheOtherPlacesStillCount) {
    EnvGuard noPath("PATH", nullptr);
    EnvGuard noPath2("path", nullptr);
    EnvGuard noPath3("Path", nullptr);
    makeJvm(home + "/jdk-17", "17.0.15", log);
    FindJvm find(Family::Posix, places(), logsHere());
    std::string name = "java", exe;
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(exe, home + "/jdk-17/bin/java");
    EXPECT_TRUE(contains(trace(), "unable to search path because path==NULL"));
}

TEST_F(SearchTest, ExecutableNameIsRestoredWhenNothingIsFound) {
    makeJvm(root.file("a"), "17.0.15", log);
    EnvGuard p("PATH", root.file("a").c_str());
    FindJvm find(Family::Posix, places(), logsHere());
    std::string name = "jre", exe;
    ASSERT_TRUE(posixSearch(find, kMin11, name, exe));
    EXPECT_EQ(name, "java");
    name = "jre";
    EXPECT_FALSE(posixSearch(find, {"", "21", ""}, name, exe));
    EXPECT_EQ(name, "jre");
}

TEST_F(SearchTest, MacRootsThenContentsHomeByExtension) {
    std::string system = root.file("Versions");
    std::string vms = root.file("JavaVirtualMachines");
    std::string plugin = root.file("Internet Plug-Ins/JavaAppletPlugin.plugin");
    makeJvm(vms + "/jdk-17.0.15.jdk/Contents/Home", "17.0.15", log);
    makeJvm(vms + "/jdk-21.0.3.jdk/Contents/Home", "21.0.3", log);
    makeJvm(system + "/1.6.0/Home", "1.6.0_65", log);
    FindJvm find(Family::Mac, places({root.file("usr")}, {}, {system, vms, plugin}), logsHere());
    std::string name = "java", exe;
    // Only the extension looks into Contents/Home, the greatest first.
    ASSERT_TRUE(took(find.searchMacRoots(kMin11, name), name, exe));
    EXPECT_EQ(exe, vms + "/jdk-21.0.3.jdk/Contents/Home/bin/java");
    EXPECT_TRUE(contains(trace(), "jvm found by extension: " + exe));
    // An entry of the plug-in root whose Home exists is found by the roots.
    makeJvm(plugin + "/Contents/Home", "11.0.2", log);
    makeJvm(plugin + "/Contents/Home/../../Home", "11.0.2", log);
    ASSERT_TRUE(took(find.searchMacRoots(kMin11, name), name, exe));
    EXPECT_EQ(exe, plugin + "/Contents/Home/bin/java");
    EXPECT_FALSE(took(find.searchMacRoots({"", "22", ""}, name), name, exe));
    // The search path, the home directory and the system directories play no part.
    makeJvm(root.file("usr/java"), "22", log);
    EnvGuard p("PATH", root.file("usr/java/bin").c_str());
    EXPECT_FALSE(took(find.searchMacRoots({"", "22", ""}, name), name, exe));
    EXPECT_EQ(name, "java");
}

#endif

// The nearest miss a failed search names: the greatest version below the
// range, else the least above it, else the first other version; JVMs refused
// for anything but their version never count.
TEST(NearestMissTest, ChoosesTheClosestVersionAndSaysItInEachLanguage) {
    using qrl::JvmReason;
    auto candidate = [](std::string version, JvmReason reason, std::string detail = {}) {
        qrl::JvmCandidate c;
        c.where = "JVM directory";
        c.verdict.home = "/jvm/" + version;
        c.verdict.version = version;
        c.verdict.reason = reason;
        c.verdict.detail = std::move(detail);
        return c;
    };
    const JvmCriteria from17{"", "17", ""}, upTo11{"", "", "11"}, range{"", "11", "17"}, exact{"1.8.0_392", "", ""};
    struct Case {
        JvmCriteria criteria;
        std::vector<qrl::JvmCandidate> candidates;
        std::string nearest;  // home, empty for none
    } cases[] = {
        {from17,
         {candidate("1.8.0_392", JvmReason::BelowMinimum), candidate("11.0.2", JvmReason::BelowMinimum),
          candidate("9", JvmReason::BelowMinimum)},
         "/jvm/11.0.2"},
        {range,
         {candidate("21", JvmReason::AboveMaximum), candidate("18.0.1", JvmReason::AboveMaximum),
          candidate("10", JvmReason::BelowMinimum)},
         "/jvm/10"},
        {upTo11, {candidate("21", JvmReason::AboveMaximum), candidate("17", JvmReason::AboveMaximum)}, "/jvm/17"},
        {exact, {candidate("1.8.0_381", JvmReason::NotRequired)}, "/jvm/1.8.0_381"},
        // The probe's own answer counts where the probe refused.
        {from17, {candidate("17", JvmReason::ProbeVersion, "11.0.20")}, "/jvm/17"},
        {from17,
         {candidate("", JvmReason::NoVersion), candidate("21", JvmReason::NotStarted),
          candidate("21", JvmReason::ProbeNoAnswer)},
         ""},
    };
    for (const Case& c : cases) {
        const qrl::JvmCandidate* miss = qrl::nearestMiss(c.candidates, c.criteria);
        EXPECT_EQ(miss ? miss->verdict.home : "", c.nearest) << qrl::rangeText(c.criteria);
    }

    EXPECT_EQ(qrl::nearestMissSentence(candidate("11.0.2", JvmReason::BelowMinimum), from17, "english"),
              "Java 11.0.2 was found in /jvm/11.0.2, but version 17 or later is needed.");
    EXPECT_EQ(qrl::nearestMissSentence(candidate("21", JvmReason::AboveMaximum), range, "german"),
              "Java 21 wurde in /jvm/21 gefunden, aber Version 11 bis 17 wird ben\xC3\xB6tigt.");
    EXPECT_EQ(qrl::nearestMissSentence(candidate("17", JvmReason::ProbeVersion, "11.0.20"), upTo11, "other"),
              "Java 11.0.20 was found in /jvm/17, but version 11 or earlier is needed.");
    // Every language has its own sentence, and each names what was found and what is needed.
    std::vector<std::string> seen;
    for (const char* language :
         {"english", "french", "german", "spanish", "polish", "japanese", "italian", "portuguese", "dutch"}) {
        std::string s = qrl::nearestMissSentence(candidate("1.8.0_381", JvmReason::NotRequired), exact, language);
        EXPECT_NE(s.find("1.8.0_381"), std::string::npos) << language;
        EXPECT_NE(s.find("/jvm/1.8.0_381"), std::string::npos) << language;
        EXPECT_NE(s.find("1.8.0_392"), std::string::npos) << language;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), s), 0) << language;
        seen.push_back(s);
    }
}
