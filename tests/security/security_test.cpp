// The Java security files: where each setting puts its file, replacement with
// numbered backups and the "changes.txt" line, and the keystore place that the
// JVM's "java.security" names.
#include <gtest/gtest.h>

#include "common/files.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "security/security.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;
using qrl::Security;

namespace {

class SecurityTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};
    std::string kit = dir.path();
    std::string jvm = dir.file("jvm");
    std::string home = dir.file("home");
    const Family family = nativeFamily();

    void SetUp() override {
        ASSERT_TRUE(platform::makeDir(jvm));
        ASSERT_TRUE(platform::makeDir(home));
    }
    std::string in(const std::string& base, const std::string& rel) const {
        std::string out = base;
        for (char c : "/" + rel) out += (c == '/' && onWindows()) ? '\\' : c;
        return out;
    }
};

}  // namespace

TEST(SecurityWords, ChangeLinesPerLanguage) {
    EXPECT_EQ(qrl::changeLine("english", "/x/identitydb.obj", "identitydb.001"),
              "Renamed to /x/identitydb.obj identitydb.001");
    EXPECT_EQ(qrl::changeLine("spanish", "/p", "p.001"), "Reagrupado  a /p p.001");
    EXPECT_EQ(qrl::changeLine("french", "/p", "p.001"), "Renommé en /p p.001");
    EXPECT_EQ(qrl::changeLine("portuguese", "/p", "p.001"), "Nome modificado Para /p p.001");
    for (auto [language, first, second] :
         std::vector<std::tuple<std::string, std::string, std::string>>{{"german", "Alt:", "zu"},
                                                                        {"polish", "Zmieniono", "na"},
                                                                        {"italian", "Rinominato", "a"},
                                                                        {"dutch", "Hernoemd", "naar"},
                                                                        {"japanese", "Renamed", "to"},
                                                                        {"klingon", "Renamed", "to"},
                                                                        {"French", "Renamed", "to"}}) {
        qrl::ChangeWords w = qrl::changeWords(language);
        EXPECT_EQ(w.first, first) << language;
        EXPECT_EQ(w.second, second) << language;
    }
}

TEST(SecurityWords, BackupNamesAndIdentityPaths) {
    EXPECT_EQ(qrl::backupName("C:\\WINNT\\identitydb.obj", 1, Family::Windows), "C:\\WINNT\\identitydb.001");
    EXPECT_EQ(qrl::backupName("/home/a/.keystore", 2, Family::Posix), "/home/a/.002");
    EXPECT_EQ(qrl::backupName("/home/a.b/keystore", 1, Family::Posix), "/home/a.b/keystore.001");
    EXPECT_EQ(qrl::backupName("identitydb.obj", 12, Family::Posix), "identitydb.obj.012");
    EXPECT_EQ(qrl::backupName("C:/data/identitydb.obj", 1, Family::Windows), "C:/data/identitydb.obj.001");
    EXPECT_EQ(qrl::identityDatabasePath("C:/data//identitydb.obj", Family::Windows), "C:\\data\\identitydb.obj");
    EXPECT_EQ(qrl::identityDatabasePath("C:\\\\data\\\\id.obj", Family::Windows), "C:\\data\\id.obj");
    EXPECT_EQ(qrl::identityDatabasePath("\\\\var\\\\lib\\\\id.obj", Family::Posix), "/var/lib/id.obj");
    EXPECT_EQ(qrl::identityDatabasePath("/var/lib/id.obj", Family::Posix), "/var/lib/id.obj");
}

TEST_F(SecurityTest, SettingsResolveToTheirPlaces) {
    Security security(family, "english", logsHere());
    std::string source, destination;
    writeFile("java.policy", "p");
    EXPECT_TRUE(security.getFilenames("${java.home}/lib/security/java.policy", jvm, home, source, destination));
    EXPECT_EQ(source, "java.policy");
    EXPECT_EQ(destination, in(jvm, "lib/security/java.policy"));
    EXPECT_TRUE(qrl::isDir(in(jvm, "lib/security")));

    // Without a directory below the JVM's home there is no place for it.
    EXPECT_TRUE(security.getFilenames("${java.home}java.policy", jvm, home, source, destination));
    EXPECT_EQ(destination, "");
    EXPECT_FALSE(security.copySecurityFile(source, destination, false));

    // The user's home takes a bare file name without the file being there.
    EXPECT_TRUE(security.getFilenames("${user.home}.keystore", jvm, home, source, destination));
    EXPECT_EQ(destination, in(home, ".keystore"));

    // A missing source resolves to nothing.
    EXPECT_FALSE(security.getFilenames("${user.home}/.java/missing.policy", jvm, home, source, destination));
    EXPECT_EQ(source, "missing.policy");

    // A plain absolute path stays absolute, its directories made.
    if (!onWindows()) {
        std::string target = dir.file("abs") + "/deep/java.policy";
        EXPECT_TRUE(security.getFilenames(target, jvm, home, source, destination));
        EXPECT_EQ(destination, target);
        EXPECT_TRUE(qrl::isDir(dir.file("abs") + "/deep"));
    }
    EXPECT_FALSE(security.getFilenames("java.policy", jvm, home, source, destination));
}

TEST_F(SecurityTest, ReplacementNeverOverwritesAnEarlierBackup) {
    Security security(family, "german", logsHere());
    // Windows also copies a ${user.home} keystore to the user's profile place.
    security.setLoginName([] { return std::string("alice"); });
    auto changesFor = [&](const std::string& path) {
        std::vector<std::string> lines;
        for (const auto& l : readLines("changes.txt"))
            if (l.find(" " + path + " ") != std::string::npos) lines.push_back(l);
        return lines;
    };
    writeFile("kit.keystore", "new keys");
    std::string target = in(home, "kit.keystore");
    writeFile(target, "first");
    EXPECT_TRUE(security.addSecurity("", "", "${user.home}/kit.keystore", jvm, home, true));
    EXPECT_EQ(readFile(in(home, "kit.001")), "first");
    EXPECT_EQ(readFile(target), "new keys");

    writeFile(target, "second");
    EXPECT_TRUE(security.addSecurity("", "", "${user.home}/kit.keystore", jvm, home, true));
    EXPECT_EQ(readFile(in(home, "kit.001")), "first");
    EXPECT_EQ(readFile(in(home, "kit.002")), "second");
    if (!onWindows()) { EXPECT_EQ(security.lastBackup(), in(home, "kit.002")); }  // Windows: the profile copy's
    EXPECT_EQ(changesFor(target), (std::vector<std::string>{"Alt: zu " + target + " kit.001",
                                                            "Alt: zu " + target + " kit.002"}));

    // Without replacement what is there stays and counts as done.
    writeFile(target, "third");
    EXPECT_TRUE(security.addSecurity("", "", "${user.home}/kit.keystore", jvm, home, false));
    EXPECT_EQ(readFile(target), "third");
    EXPECT_FALSE(exists(in(home, "kit.003")));
    EXPECT_EQ(changesFor(target).size(), 2u);
}

TEST_F(SecurityTest, KeystoreGoesWhereJavaSecuritySays) {
    if (onWindows()) GTEST_SKIP() << "POSIX paths in java.security";
    Security security(family, "english", logsHere());
    writeFile(".keystore", "keys");
    ASSERT_TRUE(platform::makeDir(jvm + "/lib"));
    ASSERT_TRUE(platform::makeDir(jvm + "/lib/security"));
    std::string identity = dir.file("ids") + "/sub/identitydb.obj";
    // The setting on the last line, without a line feed, counts too.
    writeFile(jvm + "/lib/security/java.security", "# settings\nsecurity.provider.1=x\nidentity.database=" +
                                                       identity + "  \r");
    std::string result;
    EXPECT_TRUE(security.getIdentityIdFilename(jvm, result));
    EXPECT_EQ(result, identity);
    EXPECT_TRUE(security.addSecurity("", "", "${user.home}/.keystore", jvm, home, false));
    EXPECT_EQ(readFile(identity), "keys");
    EXPECT_FALSE(exists(home + "/.keystore"));

    writeFile(jvm + "/lib/security/java.security", "identity.databas=/nowhere\n");
    EXPECT_FALSE(security.getIdentityIdFilename(jvm, result));
    EXPECT_TRUE(security.addSecurity("", "", "${user.home}/.keystore", jvm, home, false));
    EXPECT_EQ(readFile(home + "/.keystore"), "keys");
}

TEST_F(SecurityTest, SystemPolicyNeedsItsLiteralNameUserPolicyDoesNot) {
    Security security(family, "english", logsHere());
    writeFile("java.policy", "policy");
    EXPECT_TRUE(security.addSecurity("${java.home}/lib/security/java.policy", "", "", jvm, home, false));
    EXPECT_FALSE(exists(in(jvm, "lib/security/java.policy")));
    EXPECT_TRUE(security.addSecurity("", "${java.home}/lib/security/java.policy", "", jvm, home, false));
    EXPECT_EQ(readFile(in(jvm, "lib/security/java.policy")), "policy");
    // A file that failed decides the answer, whichever file it was: a keystore
    // the kit lacks, and a policy that cannot be replaced before a keystore that can.
    EXPECT_FALSE(security.addSecurity("", "${java.home}/lib/security/java.policy", "${user.home}/x/none.ks", jvm,
                                      home, false));
    writeFile(".keystore", "keys");
    ASSERT_TRUE(platform::removeFile(in(jvm, "lib/security/java.policy")));
    ASSERT_TRUE(platform::makeDir(in(jvm, "lib/security/java.policy")));  // no file to back up
    EXPECT_FALSE(security.addSecurity("", "${java.home}/lib/security/java.policy", "${user.home}/.keystore", jvm,
                                      home, true));
    EXPECT_EQ(readFile(in(home, ".keystore")), "keys");
}

TEST_F(SecurityTest, ReplacementThatCannotRemoveTheOldFileReplacesNothing) {
    if (!onWindows()) GTEST_SKIP() << "needs a file that its owner cannot remove (held open on Windows)";
    Security security(family, "english", logsHere());
    security.setLoginName([] { return std::string("alice"); });
    writeFile("kit.keystore", "new keys");
    std::string target = in(home, "kit.keystore");
    writeFile(target, "old keys");
    std::string ready = dir.file("ready");
    platform::SpawnOptions noWait;
    noWait.wait = false;
    auto holder = platform::spawn(helperPath("holdfiles"), {"holdfiles", "3000", ready, target}, noWait);
    ASSERT_TRUE(holder.started);
    for (int i = 0; i < 200 && !exists(ready); ++i) platform::sleepMs(50);
    ASSERT_TRUE(exists(ready));
    EXPECT_FALSE(security.addSecurity("", "", "${user.home}/kit.keystore", jvm, home, true));
    EXPECT_EQ(readFile(target), "old keys");
    EXPECT_FALSE(exists(in(home, "kit.001")));  // no backup of a file that was never replaced
    EXPECT_FALSE(exists("changes.txt"));
    EXPECT_NE(readFile("errors.log").find("  reason: "), std::string::npos);
}

TEST_F(SecurityTest, WindowsProfilePlaceUsesTheLoginName) {
    if (!onWindows()) GTEST_SKIP() << "Windows per-user profile";
    Security security(Family::Windows, "english", logsHere());
    std::string destination;
    EXPECT_FALSE(security.getAlternateDestination("${user.home}/.keystore", home, destination));
    security.setLoginName([] { return std::string("alice"); });
    EXPECT_TRUE(security.getAlternateDestination("${user.home}/.keystore", home, destination));
    EXPECT_EQ(destination, home + "\\profiles\\alice\\.keystore");
    EXPECT_FALSE(security.getAlternateDestination("${java.home}/.keystore", home, destination));
}
