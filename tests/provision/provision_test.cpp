// Providing a JVM: the directory choice and its pieces, and the built
// unixloader on kits that ship a real runtime (this machine's JDK cut down
// with jlink and packed with makeself) with a stand-in wizard that records
// what the installer left for it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <signal.h>

#include "common/files.h"
#include "common/shellquote.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "provision/jvmdirchooser.h"
#include "provision/jvmprovisioner.h"
#include "provision/predefineddir.h"
#include "provision/runjvminstaller.h"
#include "tests/support/testutil.h"

using namespace qrltest;
namespace fs = std::filesystem;

namespace {

const std::string kJdk = "/usr/lib/jvm/java-17-openjdk-amd64";

int shell(const std::string& command) { return platform::runShell(command).exitCode(); }

// What every end-to-end test shares, made once per test program: the runtime,
// the archives, and a directory of the system's tools without any JVM, which
// serves as the search path so that the search finds nothing by itself.
struct Materials {
    TempDir dir;
    std::string runtime = dir.file("runtime");
    std::string archive = dir.file("jre.run");          // expands the runtime into its current directory
    std::string vendor = dir.file("vendor.run");        // installs the runtime into $HOME/vendor-jre
    std::string tools = dir.file("tools");
    std::string problem;

    Materials() {
        if (!exists(kJdk + "/bin/jlink")) {
            problem = "no JDK 17 with jlink on this machine";
            return;
        }
        if (shell("command -v makeself >/dev/null") != 0) {
            problem = "makeself is not installed";
            return;
        }
        std::string log = dir.file("make.log");
        if (shell(qrl::shellQuote(kJdk + "/bin/jlink") + " --add-modules java.base --output " +
                  qrl::shellQuote(runtime) + " --strip-debug --no-header-files --no-man-pages >" + log + " 2>&1") !=
            0) {
            problem = "jlink failed: " + readFile(log);
            return;
        }
        if (shell("makeself --current --nox11 --quiet --complevel 1 " + qrl::shellQuote(runtime) + " " +
                  qrl::shellQuote(archive) + " 'test runtime' true >" + log + " 2>&1") != 0) {
            problem = "makeself failed: " + readFile(log);
            return;
        }
        std::string payload = dir.file("vendor");
        (void)platform::makeDir(payload);  // one made by an earlier kit is used
        fs::copy(runtime, payload + "/runtime", fs::copy_options::recursive);
        writeFile(payload + "/install.sh", "#!/bin/sh\ncp -R runtime \"$HOME/vendor-jre\"\n");
        if (!platform::setMode(payload + "/install.sh", 0755)) {
            problem = "cannot make install.sh executable";
            return;
        }
        if (shell("makeself --nocomp --nox11 --quiet " + qrl::shellQuote(payload) + " " + qrl::shellQuote(vendor) +
                  " 'vendor runtime' ./install.sh >" + log + " 2>&1") != 0) {
            problem = "makeself failed: " + readFile(log);
            return;
        }
        makeTools();
    }

    void makeTools() {
        (void)platform::makeDir(tools);  // one made by an earlier kit is used
        for (const char* bin : {"/usr/local/bin", "/usr/bin", "/bin", "/usr/sbin", "/sbin"}) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(bin, ec)) {
                std::string name = e.path().filename().string();
                std::string target = platform::canonicalPath(e.path().string());
                if (target.find("/jvm/") != std::string::npos || name.rfind("java", 0) == 0) continue;
                std::error_code ignored;
                fs::create_symlink(e.path(), tools + "/" + name, ignored);
            }
        }
    }
};

Materials& materials() {
    static Materials m;
    return m;
}

struct LoaderRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ProvisionTest : public ::testing::Test {
protected:
    TempDir root;
    std::string kit = root.file("kit work");  // a blank on the way to the archive
    std::string start = root.file("start");
    std::string home = root.file("home");
    std::string record = root.file("wizard.record");
    EnvGuard path{"PATH", materials().tools.c_str()};
    EnvGuard homeVar{"HOME", home.c_str()};
    EnvGuard tmp{"TMPDIR", root.path().c_str()};
    EnvGuard sys{"QUARLAN_SYSTEM_DIRS", ""};
    EnvGuard dirs{"QUARLAN_JVM_DIRS", ""};
    EnvGuard installDirs{"QUARLAN_INSTALL_DIRS", ""};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard lang{"LANG", "C"};
    EnvGuard lcAll{"LC_ALL", nullptr};

    void SetUp() override {
        if (!materials().problem.empty()) GTEST_SKIP() << materials().problem;
        for (const auto& d : {start, home}) ASSERT_TRUE(platform::makeDir(d));
    }

    std::string control(const std::string& extra) const {
        return "jvmMinVersion=1.8\n"
               "jvmVersion=17.0.15\n"
               "jvmName=JRE\n"
               "jvmCommandName=java\n"
               "jvmClasspathSwitch=-cp\n"
               "loaderClasspath=.;install.jar\n"
               "loaderJavaCommand=ProbeWizard\n"
               "jvmSelfExtractor=jre.run\n" +
               extra;
    }

    // A fresh kit as the unpacker leaves it, with the runtime's archive and a
    // trace log asked for by the user.
    void makeKit(const std::string& controlText, const std::string& archive = materials().archive) {
        std::error_code ec;
        fs::remove_all(kit, ec);
        ASSERT_TRUE(platform::makeDir(kit));
        writeFile(kit + "/qrl.control", controlText);
        writeFile(kit + "/startdir.txt", start + "\n");
        writeFile(kit + "/jinstall.log", "");
        ASSERT_TRUE(qrl::copyFile(QRL_PROBE_WIZARD, kit + "/install.jar"));
        ASSERT_TRUE(qrl::copyFile(QRL_TESTJVM_CLASS, kit + "/TestJvm.class"));
        if (!archive.empty()) { ASSERT_TRUE(qrl::copyFile(archive, kit + "/jre.run")); }
    }

    // Quiet runs hand the record file to the wizard as their details file.
    LoaderRun run(bool quiet = true) {
        for (const auto& f : {record, record + ".home", record + ".changes", start + "/jinstall.log",
                              start + "/errors.log"})
            (void)platform::removeFile(f);  // none before the first case
        std::string cmd = "cd " + qrl::shellQuote(kit) + " && " + qrl::shellQuote(QRL_UNIXLOADER) +
                          (quiet ? " -q " + qrl::shellQuote(record) : std::string()) + " >" + qrl::shellQuote(root.file("out.txt")) + " 2>" +
                          qrl::shellQuote(root.file("err.txt"));
        LoaderRun r;
        r.status = shell(cmd);
        r.out = readFile(root.file("out.txt"));
        r.err = readFile(root.file("err.txt"));
        return r;
    }

    std::string trace() const { return readFile(start + "/jinstall.log"); }
    std::string nativeProperties() const { return readFile(record); }
    std::string wizardJavaHome() const { return readFile(record + ".home"); }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(ProvisionTest, KitArchiveInstallsThenTheSecondRunReusesIt) {
    std::string target = root.file("jvms") + "/jre 17's";  // quoted wherever a shell sees it
    makeKit(control("predefinedJvmInstallDir=" + target + "\n"));
    LoaderRun r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    std::string t = trace();
    EXPECT_TRUE(has(t, "Correct version of JVM was not found in common locations")) << t;
    EXPECT_TRUE(has(t, "issued command to expand:")) << t;
    EXPECT_TRUE(has(t, "installJvm ok: true")) << t;
    EXPECT_TRUE(exists(target + "/bin/java"));
    for (const char* leftover : {"/__temp.log", "/__qrllaunch", "/__qrlwait.sem", "/zos.zos"})
        EXPECT_FALSE(exists(target + leftover)) << leftover;
    std::string props = nativeProperties();
    EXPECT_TRUE(has(props, "nativeJvmHomeDir=" + target + "\n")) << props;
    EXPECT_TRUE(has(props, "nativeJvmInstalled=true\n")) << props;
    EXPECT_TRUE(has(props, "nativeJvmInstalledInTemp=false\n")) << props;
    EXPECT_TRUE(has(props, "configureWinRegistry=false\n")) << props;
    EXPECT_EQ(wizardJavaHome(), target);
    EXPECT_FALSE(exists(kit));

    // The same kit again, with an archive that would leave a mark if it ran,
    // and a keystore for the place the JVM's java.security names.
    std::string identity = root.file("ids") + "/identitydb.obj";
    std::string javaSecurity = target + "/conf/security/java.security";
    ASSERT_TRUE(exists(javaSecurity));
    writeFile(javaSecurity, readFile(javaSecurity) + "identity.database=" + identity + "\n");
    std::string marker = root.file("marking.run");
    writeFile(marker, "#!/bin/sh\ntouch archive-ran\n");
    makeKit(control("predefinedJvmInstallDir=" + target + "\nkeystoreFilename=${user.home}/.keystore\n"), marker);
    writeFile(kit + "/.keystore", "kit keys");
    r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    t = trace();
    EXPECT_TRUE(has(t, "found existing jvm directory: true")) << t;
    EXPECT_FALSE(has(t, "issued command to expand:")) << t;
    EXPECT_FALSE(exists(target + "/archive-ran"));
    props = nativeProperties();
    EXPECT_TRUE(has(props, "nativeJvmHomeDir=" + target + "\n")) << props;
    EXPECT_TRUE(has(props, "nativeJvmInstalled=false\n")) << props;
    EXPECT_EQ(wizardJavaHome(), target);
    EXPECT_EQ(readFile(identity), "kit keys");
    EXPECT_FALSE(exists(home + "/.keystore"));
}

TEST_F(ProvisionTest, RuntimeInTheWorkingDirectoryIsTemporary) {
    makeKit(control("predefinedJvmInstallDir=[$AppDir]/jre\njvmHomeDir=./\n"));
    LoaderRun r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    std::string t = trace();
    EXPECT_TRUE(has(t, "temporarily installing JVM into " + kit + "/jre")) << t;
    std::string props = nativeProperties();
    EXPECT_TRUE(has(props, "nativeJvmInstalled=true\n")) << props;
    EXPECT_TRUE(has(props, "nativeJvmInstalledInTemp=true\n")) << props;
    EXPECT_TRUE(has(props, "nativeJvmHomeDir=" + kit + "/jre\n")) << props;
    EXPECT_EQ(wizardJavaHome(), kit + "/jre");
    EXPECT_TRUE(has(t, "jvmInstalledInTemp true")) << t;
    EXPECT_FALSE(exists(kit));

    // A wizard that moves the runtime to its final place: cleanup configures
    // it there and removes the temporary one.
    std::string final = root.file("final-jre");
    EnvGuard move("PROBE_WIZARD_MOVE_JVM", final.c_str());
    makeKit(control("predefinedJvmInstallDir=[$AppDir]/jre\n"));
    r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    t = trace();
    EXPECT_TRUE(has(t, "jvmLocation " + final)) << t;
    EXPECT_TRUE(has(t, "tempJvmDir " + kit + "/jre")) << t;
    size_t cleanup = t.find("jvmLocation " + final);
    EXPECT_NE(t.find("configureJvm ok: true", cleanup), std::string::npos) << t;
    EXPECT_TRUE(exists(final + "/bin/java"));
}

TEST_F(ProvisionTest, SubtreeBelowHomeWhenTheSystemDirectoriesRefuseAndReusedNextTime) {
    // A system directory that cannot hold a "jvm" directory (a plain file).
    writeFile(root.file("not-a-dir"), "");
    EnvGuard candidates("QUARLAN_INSTALL_DIRS", root.file("not-a-dir").c_str());
    makeKit(control(""));
    LoaderRun r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    std::string leaf = home + "/jvm/jre17.0/17.0";
    EXPECT_TRUE(exists(leaf + "/bin/java"));
    EXPECT_TRUE(has(nativeProperties(), "nativeJvmHomeDir=" + leaf + "\n")) << nativeProperties();
    EXPECT_TRUE(has(trace(), "unable to create jvm subdirectory in " + root.file("not-a-dir"))) << trace();

    makeKit(control(""));
    r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    EXPECT_TRUE(has(trace(), "found existing jvm directory: true")) << trace();
    EXPECT_TRUE(has(nativeProperties(), "nativeJvmInstalled=false\n")) << nativeProperties();
    EXPECT_TRUE(has(nativeProperties(), "nativeJvmHomeDir=" + leaf + "\n")) << nativeProperties();
    EXPECT_FALSE(exists(home + "/jvm/jre17.0/jre17.0"));
}

TEST_F(ProvisionTest, BrokenArchivesLeaveNoJvmBehind) {
    std::string target = root.file("jvms") + "/jre17";
    std::string truncated = root.file("truncated.run");
    {
        std::string whole = readFile(materials().archive);
        writeFile(truncated, whole.substr(0, whole.size() / 2));
    }
    std::string noLauncher = root.file("nolauncher.run");
    writeFile(noLauncher, "#!/bin/sh\nmkdir lib && echo x >lib/modules\n");
    std::string deadLauncher = root.file("dead.run");
    writeFile(deadLauncher, "#!/bin/sh\nmkdir bin && printf '#!/bin/sh\\nexit 1\\n' >bin/java && chmod 755 bin/java\n");
    struct Case {
        std::string archive;
        std::string reason;
    };
    for (const Case& c : {Case{truncated, "The JVM archive failed with exit status"},
                          Case{noLauncher, "Unable to find JVM executable"},
                          Case{deadLauncher, "The new JVM failed the version test:"}}) {
        SCOPED_TRACE(c.archive);
        makeKit(control("predefinedJvmInstallDir=" + target + "\n"), c.archive);
        LoaderRun r = run();
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(has(r.out, "Unable to install JRE 17.0.15. Are the destination or temporary directories out of "
                               "disk space?"))
            << r.out;
        std::string errors = readFile(start + "/errors.log");
        EXPECT_TRUE(has(errors, c.reason)) << errors;
        EXPECT_TRUE(has(errors, "Other possible causes for errors:")) << errors;
        EXPECT_FALSE(exists(record)) << "the wizard ran";
        EXPECT_FALSE(exists(root.file("jvms"))) << "a directory of the failed JVM is left";
        EXPECT_TRUE(has(trace(), "installJvm ok: false")) << trace();
    }
}

TEST_F(ProvisionTest, VendorInstallerRuntimeIsFoundByTheSearch) {
    makeKit(control("jvmThirdPartyInstaller=true\njvmSelfExtractor=vendor.run\n"), "");
    ASSERT_TRUE(qrl::copyFile(materials().vendor, kit + "/vendor.run"));
    LoaderRun r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    std::string t = trace();
    EXPECT_TRUE(has(t, "about to run 3rd party installer for JVM: " + kit + "/vendor.run")) << t;
    EXPECT_TRUE(has(t, "Found correct version of JVM: " + home + "/vendor-jre/bin/java")) << t;
    std::string props = nativeProperties();
    EXPECT_TRUE(has(props, "nativeJvmHomeDir=" + home + "/vendor-jre\n")) << props;
    EXPECT_TRUE(has(props, "nativeJvmInstalled=true\n")) << props;
    EXPECT_FALSE(has(props, "nativeJvmInstalledInTemp")) << props;
    EXPECT_EQ(wizardJavaHome(), home + "/vendor-jre");
}

TEST_F(ProvisionTest, VendorInstallerThatInstallsNothingFails) {
    makeKit(control("jvmThirdPartyInstaller=yes\njvmSelfExtractor=vendor.run\n"), "");
    writeFile(kit + "/vendor.run", "#!/bin/sh\necho nothing to do\n");
    LoaderRun r = run(false);
    EXPECT_TRUE(has(r.out, "Searching for JVM again\n")) << r.out;
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(trace(), "Correct version of JVM was not found in common locations")) << trace();
    EXPECT_TRUE(has(trace(), "installThirdPartyJvm ok: false")) << trace();
    EXPECT_TRUE(has(r.out, "Unable to install JRE 17.0.15.")) << r.out;
    EXPECT_FALSE(exists(record));
}

// A TERM while the kit's JVM archive, the vendor's installer or the desktop
// check runs reaches that program and what it started; the run ends at once
// with 128+15, without a wizard.
TEST_F(ProvisionTest, StoppedWhileAKitProgramRunsTheRunEndsAtOnce) {
    std::string pidFile = root.file("child.pid"), slow = root.file("slow.sh");
    writeFile(slow, "#!/bin/sh\necho $$ > " + qrl::shellQuote(pidFile) + ".new\nmv " + qrl::shellQuote(pidFile) +
                        ".new " + qrl::shellQuote(pidFile) + "\nexec sleep 30\n");
    ASSERT_TRUE(platform::setMode(slow, 0755));
    struct Case {
        std::string name, controlExtra, archive;
    };
    for (const Case& c : {Case{"archive", "", slow}, Case{"vendor", "jvmThirdPartyInstaller=true\n", slow},
                          Case{"desktop check", "checkGuiRunningCommand=" + slow + "\n", materials().archive}}) {
        SCOPED_TRACE(c.name);
        makeKit(control(c.controlExtra), c.archive);
        // Neither is there before the first case.
        (void)platform::removeFile(pidFile);
        (void)platform::removeFile(record);
        std::string loaderPid = root.file("loader.pid"), status = root.file("status");
        auto begun = std::chrono::steady_clock::now();
        std::thread runner([&] {
            platform::runShell("(cd " + qrl::shellQuote(kit) + " && exec " + qrl::shellQuote(QRL_UNIXLOADER) + " -q " +
                               qrl::shellQuote(record) + " >/dev/null 2>&1) & echo $! > " + qrl::shellQuote(loaderPid) +
                               "; wait $!; echo $? > " + qrl::shellQuote(status));
        });
        for (int i = 0; i < 600 && !exists(pidFile); ++i) platform::sleepMs(50);
        EXPECT_TRUE(exists(pidFile)) << trace();
        ::kill(std::atoi(readFile(loaderPid).c_str()), SIGTERM);
        runner.join();
        EXPECT_EQ(readFile(status), "143\n") << trace();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(25));
        std::string child = "/proc/" + readFile(pidFile).substr(0, readFile(pidFile).size() - 1) + "/stat";
        std::string stat = readFile(child);
        EXPECT_TRUE(stat.empty() || stat.find(") Z ") != std::string::npos) << "the kit's program outlived the run";
        EXPECT_FALSE(exists(record)) << "the wizard ran";
        EXPECT_TRUE(has(trace(), "installation stopped by signal 15")) << trace();
    }
}

TEST_F(ProvisionTest, PluginSecurityFilesReplaceWithNumberedBackups) {
    std::string target = root.file("jvms") + "/jre17";
    std::string policyDir = home + "/.java";
    ASSERT_TRUE(platform::makeDir(policyDir));
    writeFile(policyDir + "/kit.policy", "the user's own\n");
    writeFile(policyDir + "/kit.001", "an earlier backup\n");
    std::string settings = "predefinedJvmInstallDir=" + target + "\njvmName=Java Plug-in\n" +
                           "userSecurityPolicyFilename=${user.home}/.java/kit.policy\n" +
                           "keystoreFilename=${java.home}/lib/security/kit.keystore\n";
    makeKit(control(settings));
    writeFile(kit + "/kit.policy", "grant {};\n");
    writeFile(kit + "/kit.keystore", "keys\n");
    LoaderRun r;
    {
        EnvGuard german("LANG", "de_DE.UTF-8");  // the words of "changes.txt"
        r = run();
    }
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    EXPECT_EQ(readFile(policyDir + "/kit.policy"), "grant {};\n");
    EXPECT_EQ(readFile(policyDir + "/kit.001"), "an earlier backup\n");
    EXPECT_EQ(readFile(policyDir + "/kit.002"), "the user's own\n");
    EXPECT_EQ(readFile(target + "/lib/security/kit.keystore"), "keys\n");
    EXPECT_EQ(readFile(record + ".changes"), "Alt: zu " + policyDir + "/kit.policy kit.002\n");

    // Without the plug-in nothing that is there is replaced.
    makeKit(control("predefinedJvmInstallDir=" + target + "\n" +
                    "userSecurityPolicyFilename=${user.home}/.java/kit.policy\n"));
    writeFile(kit + "/kit.policy", "another grant\n");
    r = run();
    ASSERT_EQ(r.status, 1) << r.out << r.err << trace();
    EXPECT_EQ(readFile(policyDir + "/kit.policy"), "grant {};\n");
    EXPECT_FALSE(exists(policyDir + "/kit.003"));
    EXPECT_FALSE(exists(record + ".changes"));

    // The plug-in cannot do without a security file the kit names but lacks;
    // any other JVM goes on without it.
    std::string missing = "keystoreFilename=${user.home}/.java/none.keystore\n";
    makeKit(control("predefinedJvmInstallDir=" + target + "\njvmName=Java Plug-in\n" + missing));
    r = run();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "Unable to add Java security files.")) << r.out;
    EXPECT_FALSE(exists(record));
    makeKit(control("predefinedJvmInstallDir=" + target + "\n" + missing));
    r = run();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
}

// The pieces of the directory choice and of the engine that need no JVM.

TEST(ProvisionUnit, PredefinedDirectoryAndJvmHome) {
    struct Predefined {
        const char* setting;
        bool ok;
        const char* dir;
    };
    for (const auto& c : {Predefined{"[$AppDir]/jre", true, "/kit/jre"},
                          Predefined{"/opt/app/jre", true, "/opt/app/jre"}, Predefined{"[$AppDir]/", false, ""}, Predefined{"[$ProgFilesDir]/jre", false, ""},
                          Predefined{"[$AppDir]", false, ""}, Predefined{"/opt/[$AppDir]/jre", true, "/kit/jre"}}) {
        auto dir = qrl::resolvePredefinedDir(c.setting, "/kit");
        EXPECT_EQ(dir.has_value(), c.ok) << c.setting;
        EXPECT_EQ(dir.value_or(""), c.dir) << c.setting;
    }
    struct Home {
        qrl::Family family;
        const char* dir;
        const char* jvmHomeDir;
        const char* home;
    };
    using qrl::Family;
    for (const auto& c : {Home{Family::Posix, "/opt/jvm", "./jre", "/opt/jvm/jre"},
                          Home{Family::Posix, "/opt/jvm", "/elsewhere/jre", "/elsewhere/jre"},
                          Home{Family::Posix, "/opt/jvm", "", "/opt/jvm"},
                          Home{Family::Posix, "/opt/jvm", "./", "/opt/jvm"},
                          Home{Family::Posix, "/opt/jvm", "./jre/", "/opt/jvm/jre"},
                          Home{Family::Windows, "C:\\jvm", "./jre/bin/", "C:\\jvm\\jre\\bin"},
                          Home{Family::Windows, "C:\\jvm", "D:/jre\\", "D:\\jre"}})
        EXPECT_EQ(qrl::applyJvmHomeDir(c.dir, c.jvmHomeDir, c.family), c.home) << c.jvmHomeDir;
}

TEST(ProvisionUnit, InstallDirectoriesComeFromTheEnvironment) {
    {
        EnvGuard unset("QUARLAN_INSTALL_DIRS", nullptr);
        EXPECT_EQ(qrl::installDirCandidates(), (std::vector<std::string>{"/usr/local/bin", "/usr/local", "/usr/share",
                                                                          "/usr/bin", "/usr", "/opt", "/bin"}));
    }
    EnvGuard set("QUARLAN_INSTALL_DIRS", "/a::/b c");
    EXPECT_EQ(qrl::installDirCandidates(), (std::vector<std::string>{"/a", "/b c"}));
    EnvGuard empty("QUARLAN_INSTALL_DIRS", "");
    EXPECT_TRUE(qrl::installDirCandidates().empty());
}

namespace {

unsigned modeOf(const std::string& path) {
    return static_cast<unsigned>(fs::symlink_status(path).permissions()) & 07777;
}

qrl::JvmPlaces placesBelow(std::vector<std::string> systemDirs) {
    return {{}, std::move(systemDirs), qrl::WindowsFolders::fromEnvironment()};
}

}  // namespace

TEST(ProvisionUnit, CandidateOrderEndsInTheWorkingDirectory) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    writeFile("blocked", "");
    EnvGuard pathVar("PATH", (dir.path() + "/blocked").c_str());
    qrl::JvmDirChooser chooser(nativeFamily(), logsHere(), placesBelow({dir.path() + "/blocked"}), dir.path());
    qrl::JvmRequest request{{"", "1.8", ""}, "1.3.1", "JRE", "java", "jre.bin", "", ""};
    // Home is a file too: only the working directory is left.
    auto chosen = chooser.choose(request, dir.path() + "/blocked");
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(chosen.value().dir, dir.path() + "/jvm/jre1.3/1.3");
    EXPECT_TRUE(exists(dir.path() + "/jvm/jre1.3/1.3"));
    // A predefined directory is made with every parent.
    request.predefinedJvmInstallDir = "[$AppDir]/a/b/c";
    chosen = chooser.choose(request, dir.path() + "/blocked");
    ASSERT_TRUE(chosen.ok());
    EXPECT_FALSE(chosen.value().discovered);
    EXPECT_EQ(chosen.value().dir, dir.path() + "/a/b/c");
    EXPECT_TRUE(exists(chosen.value().dir));
    // The bare variable is refused; the subtree is there already and holds
    // no JVM, so a second leaf is made beside the first.
    request.predefinedJvmInstallDir = "[$AppDir]/";
    chosen = chooser.choose(request, dir.path() + "/blocked");
    ASSERT_TRUE(chosen.ok());
    EXPECT_FALSE(chosen.value().discovered);
    EXPECT_EQ(chosen.value().dir, dir.path() + "/jvm/jre1.3/jre1.3");

    // Without the kit's archive the run fails and takes back the directories
    // it made.
    TempDir other;
    CwdGuard there(other.path());
    qrl::JvmProvisioner provisioner(nativeFamily(), logsHere(), nullptr, placesBelow({}));
    request.predefinedJvmInstallDir = "[$AppDir]/x/y";
    auto provided = provisioner.expandKitArchive(request, other.path() + "/none");
    EXPECT_FALSE(provided.ok());
    EXPECT_EQ(provided.failure().details, other.path() + "/jre.bin");
    EXPECT_FALSE(exists(other.path() + "/x"));

    // A choice that finds no directory at all takes back what it made on its
    // way: here the parent of a name the system refuses.
    writeFile(other.path() + "/jvm", "");
    request.predefinedJvmInstallDir = "[$AppDir]/made/" + std::string(300, 'n');
    qrl::JvmDirChooser nowhere(nativeFamily(), logsHere(), placesBelow({}), other.path());
    EXPECT_FALSE(nowhere.choose(request, other.path() + "/none").ok());
    EXPECT_FALSE(exists(other.path() + "/made"));
}

TEST(ProvisionUnit, ThirdPartySettingAndLauncherProbe) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    qrl::Logs logs = logsHere();
    EXPECT_FALSE(qrl::thirdPartyInstallerSetting(logs));
    writeFile("qrl.control", "jvmName=JRE\njvmThirdPartyInstaller=YES\n");
    EXPECT_TRUE(qrl::thirdPartyInstallerSetting(logs));
    writeFile("qrl.control", "jvmThirdPartyInstaller=no\njvmThirdPartyInstaller=true\n");
    EXPECT_FALSE(qrl::thirdPartyInstallerSetting(logs));

    ASSERT_TRUE(platform::makeDir("j"));
    ASSERT_TRUE(platform::makeDir("j/bin"));
    qrl::JvmProvisioner provisioner(nativeFamily(), logs);
    auto request = [](const char* commandName) {
        return qrl::JvmRequest{{"", "1.3", ""}, "1.3", "JRE", commandName, "", "", ""};
    };
    EXPECT_FALSE(provisioner.configureMovedJvm(request("jre"), dir.path() + "/j", "").ok());
    EXPECT_TRUE(has(readFile("errors.log"), "Unable to configure JVM in " + dir.path() + "/j"));
    writeFile("j/bin/java", "");
    auto launcher = provisioner.configureMovedJvm(request("jre"), dir.path() + "/j", "");
    ASSERT_TRUE(launcher.ok());
    EXPECT_EQ(launcher.value().path, dir.path() + "/j/bin/java");
    EXPECT_FALSE(provisioner.configureMovedJvm(request("javaw"), dir.path() + "/j", "").ok());
}

TEST(ProvisionUnit, AnExistingDirectoryKeepsItsModesAndRootOrHomeIsRefused) {
    namespace fs = std::filesystem;
    TempDir dir;
    CwdGuard cwd(dir.path());
    std::string home = dir.file("home"), target = dir.file("existing");
    for (const auto& d : {home, target, target + "/private", dir.file("sub")}) ASSERT_TRUE(platform::makeDir(d));
    writeFile(target + "/key", "secret");
    ASSERT_TRUE(platform::setMode(target, 0750));
    ASSERT_TRUE(platform::setMode(target + "/private", 0700));
    ASSERT_TRUE(platform::setMode(target + "/key", 0600));
    // An archive that expands a launcher below bin and reports success; it is
    // taken from the working directory whatever folder the setting names.
    writeFile("jre.bin", "#!/bin/sh\nmkdir bin && cp " + qrl::shellQuote(helperPath("fakejava")) +
                             " bin/java && chmod 0700 bin\n");
    ASSERT_TRUE(platform::setMode("jre.bin", 0755));
    writeFile("TestJvm.class", "");
    writeFile(qrl::kTraceLog, "");
    qrl::JvmProvisioner provisioner(nativeFamily(), logsHere(), nullptr, placesBelow({}));
    qrl::JvmRequest request{{"", "1.8", ""}, "1.8", "JRE", "java", "sub/jre.bin", target, ""};
    auto provided = provisioner.expandKitArchive(request, home);
    ASSERT_TRUE(provided.ok()) << readFile(qrl::kTraceLog);
    EXPECT_EQ(provided.value().command, target + "/bin/java");
    EXPECT_TRUE(provided.value().installed);
    EXPECT_TRUE(has(readFile(qrl::kTraceLog), "issued command to expand: " + dir.path() + "/jre.bin"));
    auto mode = [](const std::string& p) { return static_cast<unsigned>(fs::status(p).permissions()) & 0777; };
    EXPECT_EQ(mode(target), 0750u);
    EXPECT_EQ(mode(target + "/private"), 0700u);
    EXPECT_EQ(mode(target + "/key"), 0600u);
    EXPECT_EQ(mode(target + "/bin"), 0755u);  // what the archive made

    // The root of the file system and the home directory are never the JVM
    // directory: the JVM goes below the home directory instead.
    qrl::JvmDirChooser chooser(nativeFamily(), logsHere(), placesBelow({}), dir.path());
    for (const std::string& refused : {std::string("/"), std::string("//"), home, home + "/."}) {
        request.predefinedJvmInstallDir = refused;
        auto chosen = chooser.choose(request, home);
        ASSERT_TRUE(chosen.ok()) << refused;
        EXPECT_NE(platform::canonicalPath(chosen.value().dir), "/") << refused;
        EXPECT_NE(platform::canonicalPath(chosen.value().dir), platform::canonicalPath(home)) << refused;
    }
}

// A JVM archive that fails takes away the directories its run made, and
// only those: a "jvm" folder that was already there keeps what it held.
TEST(ProvisionUnit, AFailedArchiveRemovesOnlyWhatItsRunMade) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    std::string home = dir.file("home"), base = dir.file("base");
    EnvGuard installDirs("QUARLAN_INSTALL_DIRS", base.c_str());
    writeFile("jre.bin", "#!/bin/sh\nmkdir bin && exit 3\n");
    ASSERT_TRUE(platform::setMode("jre.bin", 0755));
    writeFile(qrl::kTraceLog, "");
    for (bool jvmFolderThere : {true, false}) {
        SCOPED_TRACE(jvmFolderThere);
        std::filesystem::remove_all(base);
        for (const auto& d : {home, base}) (void)platform::makeDir(d);  // the home may stay from an earlier round
        if (jvmFolderThere) {
            std::filesystem::create_directories(base + "/jvm/jre1.8/1.8");
            writeFile(base + "/jvm/jre1.8/1.8/release", "another JVM");
        }
        qrl::JvmProvisioner provisioner(nativeFamily(), logsHere(), nullptr, placesBelow({}));
        qrl::JvmRequest request{{"", "1.8", ""}, "1.8", "JRE", "java", "jre.bin", "", ""};
        EXPECT_FALSE(provisioner.expandKitArchive(request, home).ok());
        if (jvmFolderThere) {
            EXPECT_EQ(readFile(base + "/jvm/jre1.8/1.8/release"), "another JVM");
            auto entries = std::distance(std::filesystem::directory_iterator(base + "/jvm/jre1.8"), {});
            EXPECT_EQ(entries, 1) << "the failed JVM's directory is left";
        }
        EXPECT_EQ(exists(base + "/jvm"), jvmFolderThere) << readFile(qrl::kTraceLog);
    }
}

TEST(VendorInstallerTest, CommandSplitAndRunWithItsWords) {
    using V = std::vector<std::string>;
    auto c = qrl::splitInstallerCommand("setup.sh/*/*/*-s/*/*/*/Volumes/My Disk", qrl::Family::Mac);
    EXPECT_EQ(c.program, "setup.sh");
    EXPECT_EQ(c.argv, (V{"setup.sh", "-s", "/Volumes/My Disk"}));
    EXPECT_EQ(qrl::splitInstallerCommand("/kit/setup/*/*/*", qrl::Family::Mac).argv, (V{"setup", ""}));
    EXPECT_EQ(qrl::splitInstallerCommand("/kit/setup", qrl::Family::Mac).argv, (V{"setup", "/kit/setup"}));

    // The kit's program, run in the prepared JVM directory, each word one
    // argument, no shell between; a program that installs no JVM fails the
    // run, and the empty directory is taken back.
    TempDir dir;
    CwdGuard cwd(dir.path());
    std::string home = dir.file("home dir");
    ASSERT_TRUE(platform::makeDir(home));
    ASSERT_TRUE(qrl::copyFile(helperPath("argvdump"), dir.file("argvdump")));
    EnvGuard pathVar("PATH", nullptr);
    qrl::JvmProvisioner provisioner(qrl::Family::Mac, logsHere(), nullptr, placesBelow({}));
    EnvGuard out("ARGVDUMP_FILE", dir.file("argv.txt").c_str());
    // A version no search finds on this machine.
    qrl::JvmRequest request{{"", "1.3", ""}, "1.3.1", "JRE", "java", "", "", ""};
    EXPECT_FALSE(provisioner.runVendorInstaller(request, "argvdump", "argvdump/*/*/*a \"b\" $(c)/*/*/*", home).ok());
    EXPECT_EQ(readArgvDump(dir.file("argv.txt")), (V{"a \"b\" $(c)", ""}));
    EXPECT_NE(readFile(dir.file("argv.txt.info")).find("cwd=" + home + "/jvm/jre1.3/1.3\n"), std::string::npos);
    EXPECT_EQ(modeOf(dir.file("argvdump")), 0755u);
    EXPECT_FALSE(exists(home + "/jvm"));
}
