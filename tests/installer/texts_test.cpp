#include <gtest/gtest.h>

#include <iterator>
#include <set>

#include "installer/commandline.h"
#include "installer/nativeproperties.h"
#include "installer/language.h"
#include "installer/status.h"
#include "installer/usage.h"
#include "platform/encoding.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;

TEST(LanguageTest, WindowsLocaleNames) {
    struct Case {
        const char* value;
        const char* language;
        const char* message;
    } cases[] = {
        {"French-Canadian", "french", "French found"},
        {"FRA", "french", "French found"},
        {"Fran\xC3\xA7" "ais", "french", "French found"},
        {"Deutsch (Schweiz)", "german", "German found"},
        {"swiss-french", "german", "German found"},  // kept::kSwissIsGerman
        {"fr-FR", "french", "French found"},
        {"de-DE", "german", "German found"},
        {"ja_JP", "japanese", "Japanese found"},
        {"pt-BR", "portuguese", "Portuguese found"},
        {"nl", "dutch", "Dutch found"},
        {"en-US", "english", "English found"},
        {"fy-NL", "english", "English found"},
        {"dee-DE", "english", "English found"},
        {"Dutch", "dutch", "Dutch found"},
        {"Landinstellingen Nederland", "dutch", "Dutch found"},
        {"Espa\xC3\xB1oles", "spanish", "Spanish found"},
        {"JPN", "japanese", "Japanese found"},
        {"Portuguese-Brasilian", "portuguese", "Portuguese found"},
        {"italiano", "italian", "Italian found"},
        {"PLK", "polish", "Polish found"},
        {"Svenska", "english", "English found"},
    };
    for (const auto& c : cases) {
        auto m = qrl::windowsLanguageFor(c.value);
        EXPECT_EQ(m.language, c.language) << c.value;
        EXPECT_EQ(m.message, c.message) << c.value;
    }
}

TEST(LanguageTest, PosixLangValuesAndTheLocaleLog) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    EXPECT_EQ(qrl::posixLanguageFor("de_AT.ISO8859-1").language, "german");
    EXPECT_EQ(qrl::posixLanguageFor("C").message, "English found");
    EXPECT_EQ(qrl::posixLanguageFor("sv_SE").message, "Unsupported language found");
    EXPECT_EQ(qrl::posixLanguageFor("sv_SE").language, "english");
    EXPECT_EQ(qrl::posixLanguageFor("PT_br.UTF-8").language, "portuguese");
    {
        EnvGuard a("LANG", nullptr), b("lang", "fr"), c("Lang", nullptr);
        EXPECT_EQ(qrl::getLanguage(Family::Posix), "french");
        EXPECT_FALSE(exists("locale.log"));  // written only when it exists
    }
    writeFile(dir.file("locale.log"), "");
    EnvGuard a("LANG", "nl_BE.UTF-8");
    EXPECT_EQ(qrl::getLanguage(Family::Posix), "dutch");
    auto lines = readLines("locale.log");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(" about to getenv locale: LANG language: "), std::string::npos);
    EXPECT_NE(lines[1].find(" about to _getLanguage locale: nl_BE.UTF-8 language: "), std::string::npos);
    EXPECT_NE(lines[2].find(" Dutch found locale: nl_be.utf-8 language: dutch"), std::string::npos);
    EnvGuard none("LANG", nullptr), n2("lang", nullptr), n3("Lang", nullptr);
    EXPECT_EQ(qrl::getLanguage(Family::Posix), "english");
}

// Every phase has a text in each language (the POSIX installer only for the
// three phases it has), in its own letters; each language has its own row,
// another language reads English, and the family picks the table.
TEST(StatusTextTest, EachPhaseHasATextFromTheFamilysTableInTheUsersLanguage) {
    const std::string languages[] = {"english", "french",   "german",     "spanish", "polish",
                                     "japanese", "italian", "portuguese", "dutch"};
    for (Family family : {Family::Windows, Family::Posix}) {
        std::set<std::string> firstTexts;
        for (const std::string& language : languages) {
            for (unsigned n = 0; n <= 6; ++n) {
                std::string text = qrl::progressText(family, language, n);
                bool phase = n >= 1 && n <= (family == Family::Posix ? 3u : 5u);
                EXPECT_EQ(text.empty(), !phase) << language << " " << n;
                EXPECT_TRUE(platform::isValidUtf8(text) && text.find("\xEF\xBF\xBD") == std::string::npos) << text;
                EXPECT_EQ(qrl::progressText(family, "klingon", n), qrl::progressText(family, "english", n));
                if (family == Family::Windows) {
                    EXPECT_EQ(qrl::progressText(Family::Mac, language, n), text) << language << " " << n;
                }
            }
            firstTexts.insert(qrl::progressText(family, language, 1));
            if (family == Family::Windows) {
                EXPECT_EQ(qrl::firstDialogLine(language),
                          language == "japanese" ? "\rPreparing wizard..." : qrl::progressText(family, language, 1));
            }
        }
        EXPECT_EQ(firstTexts.size(), std::size(languages));
    }
    EXPECT_NE(qrl::progressText(Family::Windows, "english", 1), qrl::progressText(Family::Posix, "english", 1));
}

TEST(StatusTextTest, ErrorBoxTextAndHintsKeepTheirLetters) {
    std::string german = qrl::errorBoxText("Unable to open control file", "", "german");
    EXPECT_EQ(german,
              "Unable to open control file\n\nBitte \xC3\xBC" "berpr\xC3\xBC" "fen Sie die Dateien errors.log und "
              "jinstall.log f\xC3\xBCr n\xC3\xA4here Angaben zu diesem Problem.");
    EXPECT_EQ(qrl::errorBoxText("msg", "details", "german"), "msg\r\rdetails");
    EXPECT_EQ(qrl::errorHint("japanese"),
              "\n\nPlease review the errors.log and jinstall.log files for more details about the error.");
    EXPECT_EQ(qrl::errorHint("other"), "\n\nSee errors.log and jinstall.log files for details.");
    for (const char* lang : {"french", "german", "spanish", "polish"})
        EXPECT_EQ(qrl::errorHint(lang).find("\xEF\xBF\xBD"), std::string::npos) << lang;
}

TEST(StatusTest, PosixProgressInTheLocalesEncoding) {
    qrl::Status status(Family::Posix);
    {
        EnvGuard lc("LC_ALL", "C.UTF-8");
        testing::internal::CaptureStdout();
        status.showStatus("Pr\xC3\xA9paration Wizard...");
        status.showStatus("1");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pr\xC3\xA9paration Wizard...\n");
    }
    status.setQuietMode(true);
    testing::internal::CaptureStdout();
    status.showStatus("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(StatusTest, PosixErrorsGoToBothStreamsEvenWhenQuiet) {
    qrl::Status status(Family::Posix);
    status.setQuietMode(true);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    status.showError("Unable to start the install wizard.\r\rAre the destination or temporary directories out");
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    // Carriage returns would let the second sentence overwrite the first on a terminal.
    EXPECT_EQ(out, "\nUnable to start the install wizard.\n\nAre the destination or temporary directories out\n");
    EXPECT_EQ(err, out);
}

TEST(NativePropertiesTest, LinesForEachOutcome) {
    EXPECT_EQ(qrl::nativePropertiesText(Family::Posix, "/usr/lib/jvm/java-17", false, "", false),
              "nativeJvmHomeDir=/usr/lib/jvm/java-17\nnativeJvmInstalled=false\nnativeJvmInstalledInTemp=false\n"
              "configureWinRegistry=false\n");
    EXPECT_EQ(qrl::nativePropertiesText(Family::Posix, "/tmp/kit/jre", true, "[$AppDir]/jre", false),
              "nativeJvmHomeDir=/tmp/kit/jre\nnativeJvmInstalled=true\nnativeJvmInstalledInTemp=true\n"
              "configureWinRegistry=false\n");
    EXPECT_EQ(qrl::nativePropertiesText(Family::Posix, "/opt/jre", true, "", false),
              "nativeJvmHomeDir=/opt/jre\nnativeJvmInstalled=true\nconfigureWinRegistry=false\n");
    EXPECT_EQ(qrl::nativePropertiesText(Family::Windows, "C:\\Program Files\\JRE", true, "D:\\jvm", true),
              "nativeJvmHomeDir=C:/Program Files/JRE\nnativeJvmInstalled=true\nnativeJvmInstalledInTemp=false\n"
              "configureWinRegistry=true\n");
    EXPECT_EQ(qrl::nativePropertiesText(Family::Windows, "C:\\x", true, "C:\\[$AppDir]", true).find("InTemp=true"),
              std::string::npos);
}

TEST(NativePropertiesTest, ValuesAreEscapedAsJavaReadsThem) {
    std::string raw = "/home/\xE3\x81\x9F\xE3\x82\x8D\xE3\x81\x86/jdk \xC3\xA9\\x";
    std::string escaped = qrl::escapeJavaProperty(raw);
    EXPECT_EQ(escaped, "/home/\\u305F\\u308D\\u3046/jdk \\u00E9\\\\x");
    EXPECT_EQ(qrl::unescapeJavaProperty(escaped), raw);
    EXPECT_EQ(qrl::escapeJavaProperty(" lead"), "\\ lead");
    EXPECT_EQ(qrl::unescapeJavaProperty("C\\:\\\\tmp"), "C:\\tmp");
    EXPECT_EQ(qrl::unescapeJavaProperty("bad\\u12"), "badu12");
}

TEST(NativePropertiesTest, WhatTheWizardLeavesReadsBackWhole) {
    // A home far longer than a line of the first readers comes back whole,
    // CR LF ends (a wizard on Windows) included; the wizard's later lines win.
    std::string home = "/opt/" + std::string(2000, 'j') + "/jre";
    std::string text = qrl::nativePropertiesText(Family::Posix, home, true, "[$AppDir]/jre", false) +
                       "nativeJvmHomeDir=/opt/app/jre\r\nnativeTempJvmDir=" + qrl::escapeJavaProperty(home) + "\n";
    qrl::NativeProperties back = qrl::parseNativeProperties(text, Family::Posix);
    EXPECT_EQ(back.jvmHome, "/opt/app/jre");
    EXPECT_EQ(back.tempJvmDir, home);
    EXPECT_EQ(back.installedInTemp, "true");
    EXPECT_FALSE(back.configureRegistry);
    EXPECT_EQ(qrl::parseNativeProperties("nativeJvmHomeDir=C:/Java/jre\n", Family::Windows).jvmHome, "C:\\Java\\jre");
}

TEST(PosixCommandLineTest, QuietSwitchAndDetailsRules) {
    using V = std::vector<std::string>;
    auto cl = qrl::parsePosixCommandLine(V{"./unixloader", "-q", "/tmp/answers.properties"});
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, "/tmp/answers.properties");
    cl = qrl::parsePosixCommandLine(V{"./unixloader", "-q", "\"/tmp/my", "answers\"", "ignored"});
    EXPECT_EQ(cl.details, "/tmp/my answers");
    cl = qrl::parsePosixCommandLine(V{"./unixloader", "-q", "\"/tmp/a b\""});
    EXPECT_EQ(cl.details, "/tmp/a b");
    cl = qrl::parsePosixCommandLine(V{"./unixloader", "details-before-switch", "-q"});
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, "");
    cl = qrl::parsePosixCommandLine(V{"/opt/kit/setup-q", "file"});  // the file name holds -q
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, "file");
    cl = qrl::parsePosixCommandLine(V{"./unixloader", "--silent"});
    EXPECT_FALSE(cl.quiet);
    cl = qrl::parsePosixCommandLine(V{"./unixloader"});
    EXPECT_FALSE(cl.quiet);
}

TEST(PosixCommandLineTest, OnlyTheSwitchItselfAndTheProgramsFileNameMakeAnInstallQuiet) {
    using V = std::vector<std::string>;
    // The details file holds "-q" in its name: it stays the details file.
    auto cl = qrl::parsePosixCommandLine(V{"./unixloader", "-q", "/srv/answers-quick.properties"});
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, "/srv/answers-quick.properties");
    cl = qrl::parsePosixCommandLine(V{"./unixloader", "-q", "\"/srv/my-qa", "answers\""});
    EXPECT_EQ(cl.details, "/srv/my-qa answers");
    // A kit unpacked below a directory named like the switch is not quiet.
    cl = qrl::parsePosixCommandLine(V{"/home/u/my-qkit/unixloader"});
    EXPECT_FALSE(cl.quiet);
    cl = qrl::parsePosixCommandLine(V{"/home/u/my-qkit/unixloader", "-q", "a.properties"});
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, "a.properties");
}

TEST(PosixCommandLineTest, UnknownSwitchesAreFoundButNeverInTheDetails) {
    using V = std::vector<std::string>;
    EXPECT_EQ(qrl::unknownSwitch(V{"unixloader", "-h"}, Family::Posix), "-h");
    EXPECT_EQ(qrl::unknownSwitch(V{"unixloader", "-s", "a"}, Family::Posix), "-s");
    EXPECT_EQ(qrl::unknownSwitch(V{"macsetup", "-s", "a"}, Family::Mac), "");
    // The details file, also one the shell split at its blanks, is no switch.
    EXPECT_EQ(qrl::unknownSwitch(V{"unixloader", "-q", "-x.properties"}, Family::Posix), "");
    EXPECT_EQ(qrl::unknownSwitch(V{"macsetup", "-q", "\"/My", "-Disk/a\"", "-v"}, Family::Mac), "-v");
    EXPECT_EQ(qrl::unknownSwitch(V{"macsetup", "-psn_0_1234", "--help", "-", "file"}, Family::Mac), "");
    // A word that merely holds the switch is none.
    for (Family family : {Family::Posix, Family::Mac, Family::Windows}) {
        EXPECT_EQ(qrl::unknownSwitch(V{"installer", "--quiet", "x"}, family), "--quiet");
        EXPECT_EQ(qrl::unknownSwitch(V{"installer", "-qq", "x"}, family), "-qq");
    }
}

// installer.exe's words as the C runtime splits them: "/" starts a switch
// too, "--help" is none of its own, "--version" only alone.
TEST(WindowsSwitchesTest, EveryWordThatLooksLikeAnotherSwitchIsUnknown) {
    using V = std::vector<std::string>;
    struct Row {
        V words;
        std::string unknown;
    } rows[] = {
        {{}, ""},
        {{"-q", "answers.properties"}, ""},
        {{"-s", "-x.properties"}, ""},  // the details file, whatever it holds
        {{"-q", "-s", "/a.properties"}, ""},
        {{"-q"}, ""},
        {{"--version"}, ""},
        {{"plain", "words"}, ""},
        {{"--help"}, "--help"},
        {{"/?"}, "/?"},
        {{"-x"}, "-x"},
        {{"-Q", "a"}, "-Q"},
        {{"-q", "a", "/s"}, "/s"},
        {{"--version", "-q", "a"}, "--version"},
        {{"-q", "a", "-"}, "-"},
    };
    for (const auto& row : rows) {
        V args{"installer.exe"};
        args.insert(args.end(), row.words.begin(), row.words.end());
        EXPECT_EQ(qrl::unknownSwitch(args, Family::Windows), row.unknown) << ::testing::PrintToString(row.words);
    }
}
