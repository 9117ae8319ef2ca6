#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>

#include "installer/kitdir.h"
#include "installer/startdir.h"
#include "installer/installcleanup.h"
#include "platform/encoding.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;

namespace {

class KitCleanupTest : public ::testing::Test {
protected:
    TempDir root;
    std::string kit = root.file("kit");
    std::string start = root.file("start");
    std::string outside = root.file("outside");
    std::unique_ptr<CwdGuard> cwd;
    EnvGuard home{"HOME", root.path().c_str()};

    void SetUp() override {
        for (const auto& d : {kit, start, outside}) ASSERT_TRUE(platform::makeDir(d));
        writeFile(outside + "/precious.txt", "keep");
        cwd = std::make_unique<CwdGuard>(kit);
    }
    // A run that has read the kit's control file.
    std::unique_ptr<qrl::InstallRun> run;
    qrl::RunCleanup readKit() {
        run = std::make_unique<qrl::InstallRun>(Family::Posix, logsHere());
        run->findHomeDirectory();
        writeFile(kit + "/qrl.control", "jvmMinVersion=1.8\n");
        EXPECT_TRUE(run->readControlFile());
        return qrl::RunCleanup(*run);
    }
};

}  // namespace

TEST_F(KitCleanupTest, ManifestRemovesOnlyFilesInsideTheWorkingDirectory) {
    ASSERT_TRUE(platform::makeDir(kit + "/META-INF"));
    ASSERT_TRUE(platform::makeDir(kit + "/lib"));
    writeFile(kit + "/wizard.properties", "x");
    writeFile(kit + "/lib/payload.jar", "x");
    writeFile(kit + "/install.jar", "x");
    writeFile(kit + "/swingall.jar", "x");
    writeFile(kit + "/jinstall.log", "");
    std::filesystem::create_directory_symlink(outside, kit + "/linked");
    writeFile(kit + "/META-INF/MANIFEST.MF",
              "Manifest-Version: 1.0\n"
              "Name: wizard.properties  \r\n"
              "Name: lib/payload.jar\n"
              "Name: " + outside + "/precious.txt\n"
              "Name: ../outside/precious.txt\n"
              "Name: linked/precious.txt\n");
    readKit().run(true);
    EXPECT_FALSE(exists(kit + "/wizard.properties"));
    EXPECT_FALSE(exists(kit + "/lib/payload.jar"));
    EXPECT_FALSE(exists(kit + "/META-INF"));
    EXPECT_FALSE(exists(kit + "/install.jar"));
    EXPECT_FALSE(exists(kit + "/swingall.jar"));
    EXPECT_EQ(readFile(outside + "/precious.txt"), "keep");
    std::string trace = readFile(kit + "/jinstall.log");
    EXPECT_NE(trace.find("not removing a file outside the working directory: ../outside/precious.txt"),
              std::string::npos);
    EXPECT_NE(trace.find("not removing a file outside the working directory: linked/precious.txt"),
              std::string::npos);
}

TEST_F(KitCleanupTest, TraceLogOfTheRunGoesAfterSuccessAndStaysAfterFailure) {
    qrl::RunCleanup cleanup = readKit();
    writeFile(kit + "/jinstall.log", "");
    writeFile(kit + "/jinstall.sem", "");
    cleanup.run(true);
    EXPECT_FALSE(exists(kit + "/jinstall.log"));
    EXPECT_FALSE(exists(kit + "/jinstall.sem"));

    writeFile(kit + "/jinstall.log", "");
    writeFile(kit + "/jinstall.sem", "");
    cleanup.run(false);
    EXPECT_FALSE(exists(kit + "/jinstall.sem"));
    auto lines = readLines(kit + "/jinstall.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(" install ok: false"), std::string::npos);

    // A trace log the user made stays in every case.
    writeFile(kit + "/jinstall.log", "mine\n");
    cleanup.run(true);
    EXPECT_EQ(readFile(kit + "/jinstall.log"), "mine\n");
}

TEST_F(KitCleanupTest, TemporaryJvmIsDeletedOnlyBelowTheWorkingDirectory) {
    qrl::RunCleanup cleanup = readKit();
    ASSERT_TRUE(platform::makeDir(kit + "/jvm"));
    ASSERT_TRUE(platform::makeDir(kit + "/jvm/bin"));
    writeFile(kit + "/jvm/bin/java", "x");
    writeFile(kit + "/native.properties",
              "nativeJvmHomeDir=" + kit + "/jvm\nnativeJvmInstalled=true\nnativeJvmInstalledInTemp=true\n"
              "configureWinRegistry=false\n");
    cleanup.run(true);
    EXPECT_FALSE(exists(kit + "/jvm"));

    for (const std::string& hostile : {outside, std::string("/"), root.path(), kit + "/../outside"}) {
        writeFile(kit + "/native.properties", "nativeJvmHomeDir=/ignored\nnativeJvmInstalledInTemp=true\n"
                                              "nativeTempJvmDir=" + hostile + "\n");
        cleanup.run(true);
        EXPECT_EQ(readFile(outside + "/precious.txt"), "keep") << hostile;
    }
    // Not installed in a temporary place: nothing is deleted.
    ASSERT_TRUE(platform::makeDir(kit + "/jvm2"));
    writeFile(kit + "/native.properties", "nativeJvmHomeDir=" + kit + "/jvm2\nnativeJvmInstalledInTemp=false\n");
    cleanup.run(true);
    EXPECT_TRUE(exists(kit + "/jvm2"));
}

TEST_F(KitCleanupTest, LogsAreSavedInTheStartDirectory) {
    qrl::RunCleanup cleanup = readKit();
    run->startDir = start;
    writeFile(kit + "/errors.log", "");
    writeFile(kit + "/jinstall.log", "trace\n");
    writeFile(kit + "/qrlpand.log", "");
    writeFile(kit + "/other.log", "other\n");
    writeFile(kit + "/notalog.txt", "x");
    cleanup.run(true);
    EXPECT_FALSE(exists(kit + "/errors.log"));
    std::string saved = readFile(start + "/jinstall.log");
    EXPECT_EQ(saved.rfind("trace\n", 0), 0u) << saved;
    EXPECT_NE(saved.find(" copying log files to " + start), std::string::npos);
    EXPECT_EQ(readFile(start + "/other.log"), "other\n");
    EXPECT_FALSE(exists(start + "/qrlpand.log"));
    EXPECT_FALSE(exists(start + "/errors.log"));
    EXPECT_FALSE(exists(start + "/notalog.txt"));

    writeFile(kit + "/qrlpand.log", "content");
    cleanup.run(true);
    EXPECT_EQ(readFile(start + "/qrlpand.log"), "content");
}

TEST_F(KitCleanupTest, LogsNeverLeaveForTheKitItselfAndStayWhenTheStartDirectoryCannotTakeThem) {
    // The kit under other names: the logs stay as they are (a log of more
    // than 600 kB appended onto itself would grow without end).
    ASSERT_EQ(::symlink(kit.c_str(), root.file("link").c_str()), 0);
    ASSERT_TRUE(platform::makeDir(kit + "/sub"));
    const std::string big(700 * 1024, 'x');
    for (const std::string& alias : {kit + "/", kit + "/.", start + "/../kit", root.file("link"), std::string("."),
                                     kit + "/sub"}) {
        qrl::RunCleanup cleanup = readKit();
        run->startDir = alias;
        writeFile(kit + "/errors.log", big);
        EXPECT_FALSE(cleanup.run(false).lost) << alias;
        EXPECT_EQ(platform::fileSize(kit + "/errors.log").value_or(0), big.size()) << alias;
        EXPECT_TRUE(exists(kit + "/qrl.control")) << alias;
    }
    // A start directory that cannot take them: missing, a file, its
    // errors.log a directory or a second name of another file. The logs stay
    // in the kit, whole, with the words that say so; nothing is half saved.
    std::string other = root.file("other.txt");
    writeFile(other, "not a log\n");
    const std::string file = root.file("plain");
    writeFile(file, "x");
    struct Case {
        std::string start;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {root.file("missing"), [] {}},
        {file, [] {}},
        {start, [&] { ASSERT_TRUE(platform::makeDir(start + "/errors.log")); }},
        {start, [&] { ASSERT_EQ(::link(other.c_str(), (start + "/errors.log").c_str()), 0); }},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(start + "/errors.log");
        c.prepare();
        qrl::RunCleanup cleanup = readKit();
        run->startDir = c.start;
        writeFile(kit + "/errors.log", "the run's error\n");
        EXPECT_TRUE(cleanup.run(false).lost) << c.start;
        std::string kept = readFile(kit + "/errors.log");
        EXPECT_EQ(kept.rfind("the run's error\n", 0), 0u) << c.start;
        EXPECT_NE(kept.find("could not be saved in " + c.start + "; they are in " + kit), std::string::npos) << kept;
        EXPECT_EQ(readFile(other), "not a log\n");
    }
}

TEST_F(KitCleanupTest, RemovingTheKitDirectoryNeverTouchesHomeRootsOrTheStartDirectory) {
    writeFile(kit + "/a", "x");
    writeFile(kit + "/.hidden", "x");
    EXPECT_FALSE(qrl::cleanUpAllFiles("/", start));
    EXPECT_FALSE(qrl::cleanUpAllFiles(root.path(), start));  // holds the start dir
    EXPECT_FALSE(qrl::cleanUpAllFiles(kit, kit));            // the start dir itself
    ASSERT_EQ(::symlink(kit.c_str(), root.file("alias").c_str()), 0);
    EXPECT_FALSE(qrl::cleanUpAllFiles(kit, root.file("alias")));  // ... under another name
    EXPECT_TRUE(exists(kit + "/a"));
    EXPECT_TRUE(exists(start));

    ASSERT_TRUE(platform::removeFile(kit + "/.hidden"));
    cwd.reset();
    EXPECT_TRUE(qrl::cleanUpAllFiles(kit, start));
    EXPECT_FALSE(exists(kit));
    EXPECT_EQ(readFile(outside + "/precious.txt"), "keep");
}

TEST_F(KitCleanupTest, HomeAndItsDesktopDocumentsAndDownloadsAreNeverEmptied) {
    // A kit unpacked straight into the home directory (or a folder of it)
    // whose start directory lies elsewhere: only the refusal of these places
    // stands between the run and the user's files.
    EnvGuard otherHome("HOME", outside.c_str());
    cwd.reset();
    for (const char* below : {"", "/Desktop", "/Documents", "/Downloads", "/Desktop/"}) {
        std::string dir = outside + below;
        (void)platform::makeDir(dir);  // the home itself and "/Desktop/" exist already
        writeFile(dir + "/notes.txt", "mine");
        EXPECT_FALSE(qrl::cleanUpAllFiles(dir, start)) << dir;
        EXPECT_EQ(readFile(dir + "/notes.txt"), "mine") << dir;
    }
    // Any other folder of the home directory is a kit like any other.
    std::string projects = outside + "/Projects";
    ASSERT_TRUE(platform::makeDir(projects));
    writeFile(projects + "/qrl.control", "x");
    EXPECT_TRUE(qrl::cleanUpAllFiles(projects, start));
    EXPECT_FALSE(exists(projects));
}

TEST_F(KitCleanupTest, WriteProtectedStartDirectorySendsLogsHome) {
    EXPECT_TRUE(qrl::isDirWriteProtected("", Family::Posix));
    EXPECT_TRUE(qrl::isDirWriteProtected(root.file("missing"), Family::Posix));
    EXPECT_FALSE(qrl::isDirWriteProtected(start, Family::Posix));
    EXPECT_FALSE(exists(start + "/__qrltest.zos"));
}

TEST_F(KitCleanupTest, StartDirectoryIsReadAsItsWritersWriteIt) {
    // "startdir.txt" from Notepad, PowerShell, cmd's echo and editors: the
    // start directory "<root>/Dé start" in each encoding, line end and mark.
    const std::string dir = root.file("D\xC3\xA9 start");
    ASSERT_TRUE(platform::makeDir(dir));
    auto utf16 = [](const std::string& utf8, bool little) {
        std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t u : platform::utf8ToUtf16(utf8)) {
            char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            out += little ? std::string{lo, hi} : std::string{hi, lo};
        }
        return out;
    };
    const std::string cases[] = {
        dir + "\n",
        dir + "\r\nsecond line\r\n",
        "\xEF\xBB\xBF" + dir + "\r\n",
        utf16(dir + "\r\n", true),
        utf16(dir + "\r\n", false),
        dir + " \r\n",  // cmd: echo dir > startdir.txt
    };
    for (const std::string& bytes : cases) {
        writeFile(kit + "/startdir.txt", bytes);
        EXPECT_EQ(qrl::getStartDir(), dir) << bytes;
    }
    // A folder whose name ends with a blank, when only that one exists.
    const std::string blank = root.file("ends with ");
    ASSERT_TRUE(platform::makeDir(blank));
    writeFile(kit + "/startdir.txt", blank + "\n");
    EXPECT_EQ(qrl::getStartDir(), blank);
    // Bytes that are not UTF-8 name a POSIX folder as they are.
    writeFile(kit + "/startdir.txt", "/srv/D\xE9mo\n");
    EXPECT_EQ(qrl::getStartDir(), "/srv/D\xE9mo");
}
