#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/installcleanup.h"
#include "installer/jvmstep.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/osversion.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmprovisioner.h"
#include "provision/jvmregistry.h"
#include "provision/runjvminstaller.h"
#include "security/security.h"
#include "tests/support/testutil.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/wide_win32.h"
#endif

using namespace qrltest;
using platform::RegRoot;

namespace {

const char* kJre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every place the administrators' alone.
class AdminsOnly : public qrl::RightsSource {
public:
    platform::ObjectRights rightsOf(const std::string&) const override {
        platform::ObjectRights r;
        r.known = r.trustedOwner = true;
        return r;
    }
};

void makeDirs(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::u8path(path));
}

}  // namespace

TEST(RegistryInputsTest, HomeIsCutOnlyAtAWholeBinComponent) {
    EXPECT_EQ(qrl::registryHome("C:\\binaries\\jre\\java.exe"), "c:\\binaries\\jre");
    EXPECT_EQ(qrl::registryHome("C:\\Program Files\\JRE\\bin\\javaw.exe"), "c:\\program files\\jre");
    EXPECT_EQ(qrl::registryHome("D:\\Bin\\jdk\\Bin\\java.exe"), "d:\\bin\\jdk");
    EXPECT_EQ(qrl::registryHome("C:\\cabinet\\jre\\bin\\java.exe"), "c:\\cabinet\\jre");
    // A JVM with its launcher at its top, put somewhere below a "bin".
    EXPECT_EQ(qrl::registryHome("C:\\bin\\tools\\x\\jre\\javaw.exe"), "c:\\bin\\tools\\x\\jre");
}

TEST(RegistryInputsTest, RuntimeLibFollowsNumericVersions) {
    EXPECT_TRUE(qrl::wantsRuntimeLib("java", "1.2"));
    EXPECT_TRUE(qrl::wantsRuntimeLib("java", "1.10"));
    EXPECT_TRUE(qrl::wantsRuntimeLib("java", "11"));
    EXPECT_FALSE(qrl::wantsRuntimeLib("java", "1.1"));
    EXPECT_FALSE(qrl::wantsRuntimeLib("java.exe", "1.3"));
    EXPECT_FALSE(qrl::wantsRuntimeLib("Java", "1.3"));
}

TEST(VendorCommandTest, PartsBecomeOneArgumentEach) {
    using V = std::vector<std::string>;
    auto split = [](std::string_view line) { return qrl::splitInstallerCommand(line, qrl::Family::Windows); };
    auto c = split("setup.exe/*/*/*-s");
    EXPECT_EQ(c.program, "setup.exe");
    EXPECT_EQ(c.argv, (V{"setup.exe", "-s"}));
    EXPECT_EQ(split("setup.exe/*/*/*").argv, (V{"setup.exe", ""}));
    c = split("C:\\kit\\setup.exe");
    EXPECT_EQ(c.program, "C:\\kit\\setup.exe");
    EXPECT_EQ(c.argv, (V{"setup.exe", "C:\\kit\\setup.exe"}));
    c = split("C:\\a b\\s.exe/*/*/*/D=C:\\x y & 100%/*/*/*\"q\"/*/*/*");
    EXPECT_EQ(c.program, "C:\\a b\\s.exe");
    EXPECT_EQ(c.argv, (V{"s.exe", "/D=C:\\x y & 100%", "\"q\"", ""}));
}

namespace {

// A working directory (the kit), the system folders and the JavaSoft keys
// of one test, all below its temporary directory and a unique registry key.
class WinProvision : public ::testing::Test {
protected:
    TempDir dir;
    std::string kit = dir.file("kit");
    std::string pf = dir.file("Program Files");
    std::string win = dir.file("windows");
    std::string user = dir.file("user programs");
    std::string root = "Software\\QuarlanTest\\prov" + std::to_string(std::random_device{}());
    EnvGuard rootEnv{"QUARLAN_REGISTRY_ROOT", root.c_str()};
    EnvGuard pfEnv{"QUARLAN_PROGRAM_FILES", pf.c_str()};
    EnvGuard winEnv{"QUARLAN_WINDOWS_DIR", win.c_str()};
    EnvGuard userEnv{"QUARLAN_USER_PROGRAMS", user.c_str()};
    EnvGuard homeEnv{"HOME", win.c_str()};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard wizard{"FAKEJAVA_WIZARD", "ok"};
    EnvGuard uiLog{"QUARLAN_UI_LOG", nullptr};
    EnvGuard mode{"FAKEJVMKIT_MODE", nullptr};
    EnvGuard java{"FAKEJVMKIT_JAVA", helperPath("fakejava").c_str()};

    void SetUp() override {
        if (!onWindows()) GTEST_SKIP() << "the Windows registry and programs";
        for (const auto& d : {kit, pf, win, user}) makeDirs(d);
        cwd_ = std::make_unique<CwdGuard>(kit);
        writeFile("TestJvm.class", "");
        writeFile("install.jar", "");
    }
    void TearDown() override {
        cwd_.reset();
        if (onWindows()) {
            // Only this test's own key: the tests of other programs may be
            // using theirs below the same parent at this moment.
            EXPECT_TRUE(platform::regDeleteTree(RegRoot::CurrentUser, root));
        }
    }

    std::string reg(const std::string& key, const std::string& value) {
        return platform::regString(RegRoot::CurrentUser, root + "\\" + key, value).value_or("<none>");
    }
    void setReg(const std::string& key, const std::string& value, const std::string& data) {
        ASSERT_TRUE(platform::regSetString(RegRoot::CurrentUser, root + "\\" + key, value, data));
    }
    bool registered() { return platform::regKeyExists(RegRoot::CurrentUser, root + "\\SOFTWARE", platform::RegView::Own); }
    // A stand-in JVM home (bin\java.exe, bin\javaw.exe).
    std::string jvm(const std::string& home) {
        makeDirs(home + "\\bin");
        for (const char* exe : {"java.exe", "javaw.exe"})
            EXPECT_TRUE(qrl::copyFile(helperPath("fakejava"), home + "\\bin\\" + exe));
        return home;
    }
    // The Windows directory choice, run in the kit.
    qrl::JvmDirChooser chooser(qrl::WindowsFolders folders = qrl::WindowsFolders::fromEnvironment()) {
        return {qrl::Family::Windows, logsHere(), {{}, {}, std::move(folders)}, qrl::getCurrentDir(qrl::Family::Windows)};
    }
    qrl::JvmRequest request(const std::string& name = "JRE", const std::string& predefined = "") {
        return {{"", "17", ""}, "17.0.15", name, "javaw.exe", "jre setup.exe", predefined, ""};
    }
    // The kit: the control file and the stand-in archive under `archive`.
    void makeKit(const std::string& extra, const std::string& archive = "jre setup & 100%.exe") {
        writeFile("qrl.control", "jvmMinVersion=17\njvmVersion=17.0.15\njvmName=JRE\njvmCommandName=javaw.exe\n"
                                 "loaderJavaCommand=ProbeWizard\njvmInstallerType=selfExtratorJvmInstaller\n"
                                 "jvmSelfExtractor=" + archive + "\n" + extra);
        ASSERT_TRUE(qrl::copyFile(helperPath("fakejvmkit"), archive));
    }
    qrl::RunOutcome install() {
        qrl::Install in(qrl::Family::Windows, qrl::SearchPlaces::defaults(qrl::Family::Windows), logsHere());
        return in.install(true, false, "");
    }
    std::string trace() { return readFile(kit + "\\jinstall.log"); }
    // The kit's control file for a vendor installer and its arguments.
    void vendorKit(const std::string& binary, const std::string& args) {
        writeFile("qrl.control", "jvmMinVersion=17\njvmVersion=17.0.15\njvmName=JRE\njvmCommandName=javaw.exe\n"
                                 "loaderJavaCommand=W\njvmInstallerType=thirdPartyJvmInstaller\njvmInstallerBinary=" +
                                     binary + "\njvmInstallerCommand=" + binary + "/*/*/*" + args + "\n");
    }

private:
    std::unique_ptr<CwdGuard> cwd_;
};

}  // namespace

TEST_F(WinProvision, RegistryWriterKeepsWhatIsThere) {
    writeFile("jinstall.log", "");
    qrl::JvmRegistry writer(logsHere());
    std::string home = "c:\\program files\\javasoft\\jre1.3\\1.3.1";
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.3", "1", home, "javaw.exe"));
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.3.1", "1", home, "javaw.exe"));
    std::string key = std::string(kJre);
    EXPECT_EQ(reg(key, "CurrentVersion"), "1.3");
    EXPECT_EQ(reg(key + "\\1.3", "JavaHome"), home);
    EXPECT_EQ(reg(key + "\\1.3.1", "MicroVersion"), "1");
    EXPECT_EQ(reg(key + "\\1.3", "RuntimeLib"), "<none>");
    // A later version leaves "CurrentVersion" to the first.
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.4", "2", "c:\\j14", "javaw.exe"));
    EXPECT_EQ(reg(key, "CurrentVersion"), "1.3");
    EXPECT_EQ(reg(key + "\\1.4", "JavaHome"), "c:\\j14");
    // A registered subkey (with "MicroVersion") is left alone entirely.
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.3", "7", "c:\\other", "javaw.exe"));
    EXPECT_EQ(reg(key + "\\1.3", "JavaHome"), home);
    EXPECT_EQ(reg(key + "\\1.3", "MicroVersion"), "1");
    // A subkey made by hand gets its "MicroVersion" and keeps its home.
    setReg(key + "\\1.5", "JavaHome", "c:\\byhand");
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.5", "0", "c:\\new", "javaw.exe"));
    EXPECT_EQ(reg(key + "\\1.5", "JavaHome"), "c:\\byhand");
    EXPECT_EQ(reg(key + "\\1.5", "MicroVersion"), "0");
    EXPECT_TRUE(contains(trace(), "JavaHome already exists in registry"));
    // A "MicroVersion" of any kind (a number, an empty text) is kept, and so
    // is the subkey's home.
    setReg(key + "\\1.7", "MicroVersion", "");
#ifdef _WIN32
    HKEY h = nullptr;
    std::wstring sub = platform::wide(root + "\\" + key + "\\1.6");
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), 0);
    DWORD number = 15;
    ::RegSetValueExW(h, L"MicroVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(h);
#endif
    for (std::string version : {"1.6", "1.7"}) {
        ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", version, "15", "c:\\new", "javaw.exe"));
        EXPECT_EQ(reg(key + "\\" + version, "MicroVersion"), version == "1.6" ? "<none>" : "") << version;
        EXPECT_EQ(reg(key + "\\" + version, "JavaHome"), "<none>") << version;
    }
    // The search reads what was written.
    EXPECT_EQ(writer.readValue(key + "\\1.4", "MicroVersion").value_or(""), "2");
}

TEST_F(WinProvision, RuntimeLibForJavaFromTodaysServerDirectory) {
    qrl::JvmRegistry writer(logsHere());
    std::string home = dir.file("jdk");
    makeDirs(home + "\\bin\\server");
    writeFile(home + "\\bin\\server\\jvm.dll", "");
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.10", "0", home, "java"));
    EXPECT_EQ(reg(std::string(kJre) + "\\1.10", "RuntimeLib"), home + "\\bin\\server\\jvm.dll");
    // An older library directory comes first.
    makeDirs(home + "\\bin\\client");
    writeFile(home + "\\bin\\client\\jvm.dll", "");
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "11", "0", home, "java"));
    EXPECT_EQ(reg(std::string(kJre) + "\\11", "RuntimeLib"), home + "\\bin\\client\\jvm.dll");
    ASSERT_TRUE(writer.addJvmToRegistry(kJre, "JavaHome", "1.6", "0", home, "java.exe"));
    EXPECT_EQ(reg(std::string(kJre) + "\\1.6", "RuntimeLib"), "<none>");
}

TEST_F(WinProvision, DirectoryCandidatesInTheirOrder) {
    {
        auto c = chooser().choose(request(), "");
        ASSERT_TRUE(c.ok());
        EXPECT_EQ(c.value().dir, pf + "\\JavaSoft\\JRE17.0\\17.0.15");
        EXPECT_FALSE(c.value().discovered);
        c = chooser().choose(request("jre"), "");
        ASSERT_TRUE(c.ok());
        EXPECT_EQ(c.value().dir, pf + "\\JVM17.0\\17.0.15");
    }
    {
        // A JVM already in the vendor directory is reused when its folder is
        // the administrators' alone.
        jvm(pf + "\\JavaSoft\\JRE17.0\\17.0.15");
        AdminsOnly admins;
        qrl::WindowsFolders folders = qrl::WindowsFolders::fromEnvironment();
        folders.rights = &admins;
        auto c = chooser(folders).choose(request(), "");
        ASSERT_TRUE(c.ok());
        EXPECT_TRUE(c.value().discovered);
        EXPECT_EQ(c.value().launcher.path, pf + "\\JavaSoft\\JRE17.0\\17.0.15\\bin\\javaw.exe");
    }
    {
        // One that others may change is left alone (under wine every folder
        // reads as the user's own).
        std::string planted = jvm(dir.file("planted"));
        auto c = chooser().choose(request("JRE", planted), "");
        ASSERT_TRUE(c.ok());
        EXPECT_FALSE(c.value().discovered);
        EXPECT_EQ(c.value().launcher.path, "");
    }
    // Variables of the predefined directory; a bare variable gives the
    // conventional place.
    struct Case {
        std::string setting;
        std::string dir;
    };
    for (const Case& c : {Case{"[$ProgFilesDir]\\MyApp\\jre", pf + "\\MyApp\\jre"},
                          Case{"[$WinDir]\\jre", win + "\\jre"},
                          Case{"[$AppDir]\\anything", kit + "\\jvm"},
                          Case{"[$ProgFilesDir]\\", pf + "\\JavaSoft\\JDK17.0\\17.0.15"}}) {
        auto chosen = chooser().choose(request("JDK", c.setting), win);
        ASSERT_TRUE(chosen.ok()) << c.setting;
        EXPECT_EQ(chosen.value().dir, c.dir) << c.setting;
    }
    // An unknown variable, a root, the Windows directory and the user's
    // profile are never the JVM's directory.
    for (std::string refused : {std::string("[$Home]\\jre"), std::string("C:\\"), win,
                                platform::getEnv("USERPROFILE").value_or("C:")}) {
        auto c = chooser().choose(request("JRE", refused), win);
        ASSERT_TRUE(c.ok()) << refused;
        EXPECT_NE(c.value().dir, refused);
    }
    EXPECT_TRUE(contains(readFile("errors.log"), "refusing to install a JVM into " + win));
}

TEST_F(WinProvision, UnwritableProgramFilesGoesToTheUsersOwnFolder) {
    writeFile(dir.file("file"), "");
    {
        // Program Files that cannot be written (a path below a file): the
        // user's programs folder, never a folder all users share.
        EnvGuard readOnly{"QUARLAN_PROGRAM_FILES", (dir.file("file") + "\\pf").c_str()};
        auto c = chooser().choose(request(), "");
        ASSERT_TRUE(c.ok());
        EXPECT_EQ(c.value().dir, user + "\\JavaSoft\\JRE17.0\\17.0.15");
    }
    {
        // No programs directory at all: the jvm subtree below the working
        // directory (no drive is known), then the home directory.
        EnvGuard none{"QUARLAN_PROGRAM_FILES", "file\\pf"};
        EnvGuard noUser{"QUARLAN_USER_PROGRAMS", "file\\user"};
        writeFile("file", "");
        auto c = chooser().choose(request(), win);
        ASSERT_TRUE(c.ok());
        EXPECT_EQ(c.value().dir, "jvm\\jre17.0\\17.0");
        // The next run finds what the first one left there (a folder the
        // administrators' alone).
        jvm(kit + "\\jvm\\jre17.0\\17.0");
        AdminsOnly admins;
        qrl::WindowsFolders folders = qrl::WindowsFolders::fromEnvironment();
        folders.rights = &admins;
        c = chooser(folders).choose(request(), win);
        ASSERT_TRUE(c.ok());
        EXPECT_TRUE(c.value().discovered);
    }
}

TEST_F(WinProvision, SystemFoldersFromTheRegistry) {
    EnvGuard pfNone{"QUARLAN_PROGRAM_FILES", nullptr};
    EnvGuard winNone{"QUARLAN_WINDOWS_DIR", nullptr};
    auto windows = platform::windowsDirectory();
    ASSERT_TRUE(windows);
    EXPECT_TRUE(qrl::isDir(windows->path)) << windows->path;
    auto programs = qrl::WindowsFolders::fromEnvironment().programFilesDir(logsHere());
    ASSERT_TRUE(programs);
    EXPECT_TRUE(qrl::isDir(*programs)) << *programs;
}

TEST_F(WinProvision, KitArchiveIsExpandedRegisteredAndRunsTheWizard) {
    makeKit("keystoreFilename=${user.home}/.keystore\n");
    writeFile(".keystore", "keys");
    setReg("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "UserName", "alice");
    EnvGuard record{"FAKEJVMKIT_RECORD", dir.file("archive.txt").c_str()};
    qrl::RunOutcome in = install();
    ASSERT_TRUE(in.success) << in.failure.message << "\n" << trace();
    std::string home = pf + "\\JavaSoft\\JRE17.0\\17.0.15";
    EXPECT_EQ(in.jvm.command, home + "\\bin\\javaw.exe");
    EXPECT_EQ(in.jvm.home, home);
    // The archive ran in the JVM directory, its full path one argument.
    auto rec = readLines(dir.file("archive.txt"));
    ASSERT_GE(rec.size(), 2u);
    EXPECT_EQ(rec[0], "cwd=" + home);
    EXPECT_TRUE(contains(rec[1], "jre setup & 100%.exe") || contains(rec[1], "~")) << rec[1];
    EXPECT_EQ(reg(kJre, "CurrentVersion"), "17.0");
    std::string lower = qrl::asciiLower(home);
    EXPECT_EQ(reg(std::string(kJre) + "\\17.0", "JavaHome"), lower);
    EXPECT_EQ(reg(std::string(kJre) + "\\17.0.15", "JavaHome"), lower);
    EXPECT_EQ(reg(std::string(kJre) + "\\17.0.15", "MicroVersion"), "15");
    // The launcher pair beside the system.
    EXPECT_TRUE(exists(win + "\\javaw.exe"));
    EXPECT_TRUE(exists(win + "\\java.exe"));
    // The keystore of the new JVM, also in the user's profile place.
    EXPECT_EQ(readFile(win + "\\.keystore"), "keys");
    EXPECT_EQ(readFile(win + "\\profiles\\alice\\.keystore"), "keys");

    // A second run of the kit finds that JVM where it would put it (its
    // folder the administrators' alone), and does not run the archive again.
    (void)platform::regDeleteTree(RegRoot::CurrentUser, root);  // the registration is made anew
    EnvGuard fail{"FAKEJVMKIT_MODE", "fail"};
    writeFile("jinstall.log", "");
    AdminsOnly admins;
    qrl::WindowsFolders folders = qrl::WindowsFolders::fromEnvironment();
    folders.rights = &admins;
    qrl::JvmProvisioner again(qrl::Family::Windows, logsHere(), nullptr, {{}, {}, folders});
    auto provided = again.expandKitArchive(request(), win);
    ASSERT_TRUE(provided.ok()) << trace();
    EXPECT_EQ(provided.value().command, home + "\\bin\\javaw.exe");
    EXPECT_TRUE(provided.value().discovered);
    EXPECT_TRUE(contains(trace(), "found existing jvm directory: true")) << trace();
}

TEST_F(WinProvision, FailingArchiveLeavesNothingBehind) {
    for (const char* how : {"fail", "old", "empty"}) {
        // Each way of failing on its own (what an earlier round left goes, if any).
        (void)platform::regDeleteTree(RegRoot::CurrentUser, root);
        std::filesystem::remove_all(std::filesystem::u8path(pf + "\\JavaSoft"));
        for (const char* exe : {"\\java.exe", "\\javaw.exe"}) (void)platform::removeFile(win + exe);
        makeKit("");
        EnvGuard fail{"FAKEJVMKIT_MODE", how};
        qrl::RunOutcome in = install();
        EXPECT_FALSE(in.success) << how;
        EXPECT_EQ(in.failure.message, std::string("Unable to install JRE 17.0.15. ") + qrl::kDiskText);
        EXPECT_EQ(in.failure.details, qrl::causesText(qrl::Family::Windows));
        EXPECT_TRUE(in.jvm.command.empty());
        EXPECT_FALSE(registered()) << how;
        EXPECT_FALSE(exists(win + "\\javaw.exe"));
        EXPECT_FALSE(exists(pf + "\\JavaSoft")) << how;
    }
}

TEST_F(WinProvision, JvmInTheWorkingDirectoryIsNeverRegistered) {
    makeKit("predefinedJvmInstallDir=[$AppDir]\\jre\n");
    qrl::RunOutcome in = install();
    ASSERT_TRUE(in.success) << in.failure.message << "\n" << trace();
    EXPECT_EQ(in.jvm.command, kit + "\\jvm\\bin\\javaw.exe");
    EXPECT_FALSE(registered());
    EXPECT_FALSE(exists(win + "\\javaw.exe"));
    EXPECT_FALSE(exists(kit + "\\jvm"));
    EXPECT_FALSE(exists(pf + "\\JavaSoft"));
}

TEST_F(WinProvision, TextsForMissingArchiveAndUnknownType) {
    struct Case {
        std::string extra;
        std::string message;
    } cases[] = {
        {"", "Unable to find JRE 17 or a later version on your system."},
        {"jvmInstallerType=selfExtractorJvmInstaller\n", "The correct version of the JRE was not found on your system."},
    };
    for (const auto& c : cases) {
        writeFile("qrl.control", "jvmMinVersion=17\njvmVersion=17.0.15\njvmName=JRE\nloaderJavaCommand=W\n"
                                 "jvmInstallerType=selfExtratorJvmInstaller\njvmSelfExtractor=missing.exe\n" + c.extra);
        qrl::RunOutcome in = install();
        EXPECT_FALSE(in.success);
        EXPECT_EQ(in.failure.message, c.message);
    }
}

TEST_F(WinProvision, VendorInstallerIsRunAndItsJvmFound) {
    std::string vendorHome = dir.file("vendor jre & 100%");
    vendorKit("vendor setup.exe", "vendor/*/*/*" + vendorHome + "/*/*/*17.0.15");
    ASSERT_TRUE(qrl::copyFile(helperPath("fakejvmkit"), "vendor setup.exe"));
    EnvGuard record{"FAKEJVMKIT_RECORD", dir.file("vendor.txt").c_str()};
    qrl::RunOutcome in = install();
    ASSERT_TRUE(in.success) << in.failure.message << "\n" << trace();
    EXPECT_EQ(in.jvm.command, vendorHome + "\\bin\\javaw.exe");
    auto rec = readLines(dir.file("vendor.txt"));
    ASSERT_EQ(rec.size(), 5u);
    EXPECT_EQ(rec[0], "cwd=" + pf + "\\JavaSoft\\JRE17.0\\17.0.15");
    EXPECT_EQ(rec[3], std::to_string(vendorHome.size()) + ":" + vendorHome);
    // Run from the kit: the prepared directory it left empty is gone.
    EXPECT_FALSE(exists(pf + "\\JavaSoft"));
    EXPECT_TRUE(exists(kit + "\\vendor setup.exe"));

    // An installer that reports failure fails the step, whatever it left.
    (void)platform::regDeleteTree(RegRoot::CurrentUser, root);  // the registration is made anew
    vendorKit("vendor setup.exe", "-s");
    writeFile("install.jar", "");
    EnvGuard fail{"FAKEJVMKIT_MODE", "fail"};
    in = install();
    EXPECT_FALSE(in.success);
    EXPECT_EQ(in.failure.message, std::string("Unable to install JRE 17.0.15. ") + qrl::kDiskText);
    EXPECT_TRUE(contains(readFile(kit + "\\errors.log"), "Error running JVM installer: exit status 3"));
}

TEST_F(WinProvision, VendorInstallerMayBeACommandScript) {
    std::string vendorHome = dir.file("vendor jre");
    vendorKit("setup.cmd", "vendor/*/*/*" + vendorHome + "/*/*/*17.0.15");
    ASSERT_TRUE(qrl::copyFile(helperPath("fakejvmkit"), "vendor setup.exe"));
    writeFile("setup.cmd", "@\"%~dp0vendor setup.exe\" %*\r\n");
    qrl::RunOutcome in = install();
    ASSERT_TRUE(in.success) << in.failure.message << "\n" << trace();
    EXPECT_EQ(in.jvm.command, vendorHome + "\\bin\\javaw.exe");
}

TEST_F(WinProvision, SecondProvisioningReplacesAJvmThatCannotRunTheWizard) {
    // A registered JVM that the search accepts; the wizard could not run
    // with it, so the kit's JVM is installed and takes its place.
    std::string old = jvm(dir.file("old jre"));
    setReg(std::string(kJre) + "\\17.0", "JavaHome", old);
    setReg(std::string(kJre) + "\\17.0", "MicroVersion", "15");
    makeKit("");
    qrl::InstallRun run(qrl::Family::Windows, logsHere());
    run.findHomeDirectory();
    ASSERT_TRUE(run.readControlFile());
    qrl::JvmStep jvm(run, qrl::SearchPlaces::defaults(qrl::Family::Windows));
    qrl::Outcome<qrl::WizardJvm> found = jvm.ensure();
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(found.value().providedNow);
    EXPECT_EQ(found.value().home, old);
    qrl::Outcome<qrl::WizardJvm> provided = jvm.provide();
    ASSERT_TRUE(provided.ok()) << trace();
    std::string home = pf + "\\JavaSoft\\JRE17.0\\17.0.15";
    EXPECT_EQ(provided.value().command, home + "\\bin\\javaw.exe");
    EXPECT_EQ(provided.value().home, home);
    EXPECT_TRUE(contains(readFile("native.properties"), "nativeJvmInstalled=true"));
}

TEST_F(WinProvision, LoginNameForTheProfilePlace) {
    std::string winlogon = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    setReg(winlogon, "DefaultUserName", "alice");
    EXPECT_EQ(qrl::registryLoginName(true), "alice");
    setReg(winlogon, "UserName", "bob");
    EXPECT_EQ(qrl::registryLoginName(true), "bob");
    setReg(winlogon, "UserName", "..\\..\\evil");
    EXPECT_EQ(qrl::registryLoginName(true), "");
    setReg("Network\\Logon", "username", "carol");
    EXPECT_EQ(qrl::registryLoginName(false), "carol");
}

TEST_F(WinProvision, CleanUpRegistersTheJvmTheWizardMovedAndRemovesTheTemporaryOne) {
    std::string moved = jvm(dir.file("app\\jre"));
    makeDirs(kit + "\\jvm\\bin");
    auto slashes = [](std::string p) {
        for (char& c : p)
            if (c == '\\') c = '/';
        return p;
    };
    writeFile("qrl.control", "jvmVersion=17.0.15\njvmName=JRE\njvmCommandName=javaw.exe\nloaderJavaCommand=W\n");
    writeFile("native.properties", "nativeJvmHomeDir=" + slashes(moved) + "\nnativeJvmInstalledInTemp=true\n" +
                                       "nativeTempJvmDir=" + slashes(kit + "\\jvm") + "\nconfigureWinRegistry=true\n");
    qrl::InstallRun run(qrl::Family::Windows, logsHere());
    run.findHomeDirectory();
    ASSERT_TRUE(run.readControlFile());
    writeFile("jinstall.log", "");
    qrl::RunCleanup(run).run(true);
    // Registered only where administrators alone may change it: under wine
    // every existing folder reads as the user's own.
    EXPECT_EQ(reg(std::string(kJre) + "\\17.0.15", "JavaHome"), "<none>");
    EXPECT_TRUE(contains(trace(), "Windows registry unchanged, others may change the JVM in " + moved)) << trace();
    EXPECT_FALSE(exists(kit + "\\jvm"));
}
