#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/files.h"
#include "installer/controlfile.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::ControlSettings;
using qrl::Family;
using qrl::ControlFile;

namespace {

class ControlFileTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};

    ControlSettings parse(Family family, const std::string& text) {
        writeFile(dir.file("qrl.control"), text);
        ControlFile params(family, logsHere());
        ControlSettings s;
        std::string name;
        EXPECT_TRUE(params.getParameters(s, name));
        EXPECT_EQ(name, "qrl.control");
        return s;
    }
};

}  // namespace

TEST_F(ControlFileTest, CrLfFilesGiveTheSameValuesAndAreLeftConverted) {
    std::string lf = "jvmMinVersion=1.3\njvmMaxVersion=1.5\nloaderJavaCommand=Install -x\n";
    std::string crlf = "jvmMinVersion=1.3\r\njvmMaxVersion=1.5\r\nloaderJavaCommand=Install -x\r\n";
    for (Family f : {Family::Windows, Family::Posix, Family::Mac}) {
        ControlSettings a = parse(f, lf);
        ControlSettings b = parse(f, crlf);
        EXPECT_EQ(a.minVersion, "1.3");
        EXPECT_EQ(b.minVersion, "1.3");
        EXPECT_EQ(b.maxVersion, "1.5");
        EXPECT_EQ(b.loaderJavaCommand, "Install -x");
        EXPECT_EQ(readFile("qrl.control"), lf);
        EXPECT_FALSE(exists("__qrl.control"));
    }
}

TEST_F(ControlFileTest, EmptyFileGetsEachFamilysDefaults) {
    ControlSettings w = parse(Family::Windows, "");
    EXPECT_EQ(w.requiredVersion, "1.4");
    EXPECT_EQ(w.jvmVersion, "1.4");
    EXPECT_EQ(w.jvmName, "JRE");
    EXPECT_EQ(w.jvmCommandName, "jrew.exe");
    EXPECT_EQ(w.loaderClasspath, ".;install.jar");
    ControlSettings p = parse(Family::Posix, "");
    EXPECT_EQ(p.requiredVersion, "1.1.8");
    EXPECT_EQ(p.jvmVersion, "1.1.8");
    EXPECT_EQ(p.jvmCommandName, "jre");
    EXPECT_EQ(p.loaderClasspath, ".:install.jar:swingall.jar");
    ControlSettings m = parse(Family::Mac, "");
    EXPECT_EQ(m.requiredVersion, "1.4");
    EXPECT_EQ(m.jvmCommandName, "jre");
    EXPECT_EQ(m.loaderClasspath, ".:install.jar");
    // A user-created trace log (without the run's marker) keeps console names.
    writeFile(dir.file("jinstall.log"), "");
    EXPECT_EQ(parse(Family::Windows, "").jvmCommandName, "jre.exe");
}

TEST_F(ControlFileTest, ValuesComeFromAFixedOffsetWithoutTrimming) {
    ControlSettings s = parse(Family::Posix,
                              "# comment\n"
                              "jvmVersion = 1.4\n"
                              "jvmVersionX=1\n"
                              "jvmName=JDK\n"
                              "jvmName=Java Plug-in\n"
                              "unknownKey=whatever\n"
                              "searchForJvm=\n"
                              "startGuiCommand=startx &\n"
                              "jvmInstallerType=selfExtratorJvmInstaller\n");
    EXPECT_EQ(s.jvmVersion, "=1");  // prefix match; the later line wins
    EXPECT_EQ(s.jvmName, "Java Plug-in");
    EXPECT_EQ(s.searchForJvm, "");
    EXPECT_EQ(s.startGuiCommand, "startx &");
    EXPECT_EQ(s.jvmInstallerType, "");  // not a key of the POSIX installer
    EXPECT_EQ(parse(Family::Posix, "jvmVersion = 1.4\n").jvmVersion, "= 1.4");
    EXPECT_EQ(parse(Family::Windows, "jvmInstallerType=thirdPartyJvmInstaller\n").jvmInstallerType,
              "thirdPartyJvmInstaller");
    EXPECT_EQ(parse(Family::Windows, "startGuiCommand=x\n").startGuiCommand, "");
    // A command name that is only an extension names no program: the default.
    EXPECT_EQ(parse(Family::Posix, "jvmCommandName=.EXE\n").jvmCommandName, "jre");
    EXPECT_EQ(parse(Family::Mac, "jvmCommandName=.bat\n").jvmCommandName, "jre");
}

TEST_F(ControlFileTest, LongValuesAreCutToTheLineAndTheirField) {
    std::string longVersion(500, '9');
    ControlSettings s = parse(Family::Posix, "jvmVersion=" + longVersion + "\n" + "appletUrl=" +
                                                 std::string(1100, 'u') + "\n");
    EXPECT_EQ(s.jvmVersion.size(), 200u);  // the field holds 200 characters
    EXPECT_EQ(s.appletUrl.size(), 998u - 10u);
}

TEST_F(ControlFileTest, VersionRulesAndTheTraceLine) {
    writeFile(dir.file("jinstall.log"), "");
    writeFile(dir.file("jinstall.sem"), "");
    ControlSettings s = parse(Family::Windows, "jvmMinVersion=1.3\njvmMaxVersion=1.5\n");
    EXPECT_EQ(s.requiredVersion, "");
    EXPECT_EQ(s.jvmVersion, "");
    auto lines = readLines("jinstall.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(" Valid versions of jrew.exe: 1.3 through 1.5"), std::string::npos);
    parse(Family::Windows, "jvmMinVersion=1.8\n");
    EXPECT_NE(readLines("jinstall.log").back().find(" Valid versions of jrew.exe: 1.8 or later"), std::string::npos);

    s = parse(Family::Posix, "jvmVersion=1.3.1\n");
    EXPECT_EQ(s.requiredVersion, "1.3.1");
    s = parse(Family::Posix, "jvmRequiredVersion=17\njvmCommandName=java\n");
    EXPECT_EQ(s.jvmVersion, "17");
    EXPECT_NE(readLines("jinstall.log").back().find(" Valid version of java: 17"), std::string::npos);
}

TEST(CommandNameTest, EachFamilysExecutableForm) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    ControlFile w(Family::Windows, logsHere()), p(Family::Posix, logsHere()), m(Family::Mac, logsHere());
    EXPECT_EQ(w.normalizeCommandName("java"), "javaw.exe");
    EXPECT_EQ(w.normalizeCommandName("Java.EXE"), "javaw.exe");
    EXPECT_EQ(w.normalizeCommandName("myjava.sh"), "myjava.exe");
    EXPECT_EQ(w.normalizeCommandName("jre"), "jrew.exe");
    EXPECT_EQ(w.normalizeCommandName("launch.bat"), "launch.bat");
    EXPECT_EQ(p.normalizeCommandName("javaw.exe"), "java");
    EXPECT_EQ(p.normalizeCommandName("JRE"), "jre");
    EXPECT_EQ(p.normalizeCommandName("jrew.exe"), "jre");
    EXPECT_EQ(p.normalizeCommandName("my.exe.sh"), "my.exe");
    EXPECT_EQ(m.normalizeCommandName("JavaW.exe"), "java");
    EXPECT_EQ(m.normalizeCommandName("run.exe.sh"), "run.exe.sh");
}

TEST(BackslashRulesTest, ExtraParametersKeepFileNameBackslashes) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    ControlFile w(Family::Windows, logsHere());
    EXPECT_EQ(w.removeExtraBackSlashes("-Dx\\=y"), "-Dx\\=y");
    EXPECT_EQ(w.removeExtraBackSlashes("-Dpath\\:C\\:\\\\tmp"), "-Dpath:C:\\tmp");
    EXPECT_EQ(w.removeExtraBackSlashes("-Da=\\\"q\\\""), "-Da=\"q\"");
    EXPECT_EQ(w.removeExtraBackSlashes("C:\\dir\\a"), "C:\\dir\\a");
    EXPECT_EQ(w.removeExtraBackSlashes("end\\"), "end\\");
    EXPECT_FALSE(ControlFile::isfilenameChar('|'));
    EXPECT_TRUE(ControlFile::isfilenameChar('='));
}

TEST(BackslashRulesTest, InstallDirectoryEscapes) {
    ControlFile w(Family::Windows, logsHere()), p(Family::Posix, logsHere());
    EXPECT_EQ(w.unescapeInstallDir("C\\:\\\\Program Files/Java"), "C:\\Program Files\\Java");
    EXPECT_EQ(w.unescapeInstallDir("[$ProgFilesDir]\\MyApp\\jre"), "[$ProgFilesDir]\\MyApp\\jre");
    EXPECT_EQ(p.unescapeInstallDir("/opt/my\\:app/jre"), "/opt/my:app/jre");
    EXPECT_EQ(p.unescapeInstallDir("[$AppDir]\\\\jre"), "[$AppDir]/jre");
    EXPECT_EQ(p.unescapeInstallDir("/opt/x\\y"), "/opt/x\\y");
}

TEST(ControlFileFailureTest, MissingFileIsReportedAndLeavesNoTemporaryFile) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    ControlFile p(Family::Posix, logsHere());
    ControlSettings s;
    std::string name;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(p.getParameters(s, name));
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("Unable to open qrl.control"), std::string::npos);
    EXPECT_NE(err.find("Unable to open qrl.control"), std::string::npos);
    EXPECT_NE(readFile("errors.log").find("Unable to open qrl.control"), std::string::npos);
    EXPECT_FALSE(exists("__qrl.control"));
}

TEST(ControlFileFailureTest, OnlyAPlainFileOfBoundedSizeIsReadTheRestFailsAtOnceWithTheReason) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    std::vector<std::function<void()>> makers{
        [&] { EXPECT_TRUE(platform::makeDir(dir.file("qrl.control"))); },
        [&] { writeFile(dir.file("qrl.control"), std::string(qrl::kMaxTextFile + 1, '#')); },
#ifndef _WIN32
        // Never waited for, never read to the end.
        [&] { ::mkfifo(dir.file("qrl.control").c_str(), 0600); },
        [&] { std::filesystem::create_symlink("/dev/zero", dir.file("qrl.control")); },
#endif
    };
    for (auto& make : makers) {
        std::filesystem::remove_all(std::filesystem::u8path(dir.file("qrl.control")));
        (void)platform::removeFile("errors.log");  // none before the first case
        make();
        ControlFile p(nativeFamily(), logsHere());
        ControlSettings s;
        std::string name;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(p.getParameters(s, name));
        testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        std::string log = readFile("errors.log");
        EXPECT_NE(log.find("Unable to open qrl.control"), std::string::npos) << log;
        EXPECT_TRUE(log.find("reason: not a regular file") != std::string::npos ||
                    log.find("reason: larger than 4 MiB") != std::string::npos) << log;
        if (!onWindows()) {
            EXPECT_NE(err.find("Unable to open qrl.control: "), std::string::npos) << err;
        }
        EXPECT_FALSE(exists("__qrl.control"));
    }
}

TEST(ControlFileFailureTest, AFailedConversionLeavesTheControlFileAsItWas) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    writeFile(dir.file("qrl.control"), "jvmVersion=1.4\r\n");
    ASSERT_TRUE(platform::makeDir(dir.file("__qrl.control")));  // the converted copy cannot be written
    writeFile(dir.file("__qrl.control") + "/held", "");
    ControlFile p(Family::Posix, logsHere());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(p.convertLineEndings("qrl.control"));
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(dir.file("qrl.control")), "jvmVersion=1.4\r\n");
    EXPECT_NE(readFile("errors.log").find("Unable to convert line endings for qrl.control"), std::string::npos);
}

TEST_F(ControlFileTest, TheRestOfAnOverLongLineIsNeverReadAsALine) {
    // A comment that runs past the line limit: its tail must not set a key,
    // while the line after it still does.
    std::string comment = "#" + std::string(997, 'x');
    std::string text = comment + "loaderJavaCommand=Injected\n" + std::string(3000, 'y') + "jvmName=Tail\n" +
                       "jvmMinVersion=" + std::string(5000, '9') + "\njvmMaxVersion=1.9\n";
    for (Family f : {Family::Windows, Family::Posix, Family::Mac}) {
        ControlSettings s = parse(f, text);
        EXPECT_EQ(s.loaderJavaCommand, "");
        EXPECT_EQ(s.jvmName, "JRE");
        EXPECT_EQ(s.minVersion, std::string(200, '9'));  // the first piece, cut to its field
        EXPECT_EQ(s.maxVersion, "1.9");
    }
}
