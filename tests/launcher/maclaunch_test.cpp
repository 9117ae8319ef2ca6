// The macOS family's launcher waits for the application: a program the
// system cannot execute itself (a script without "#!") is run by the shell,
// and an application ended by a signal reads as 128+N.
#include <gtest/gtest.h>

#include <csignal>

#include "launcher/javaapp.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

using namespace qrltest;

TEST(MacLaunchTest, ScriptsWithoutAShellLineRunAndASignalReadsAs128PlusN) {
    if (onWindows()) GTEST_SKIP() << "POSIX programs";
    if (!spawnReportsMissingPrograms())
        GTEST_SKIP() << "this system reports a file it cannot execute as started and exiting 127 (qemu-user)";
    TempDir dir;
    CwdGuard cwd(dir.path());
    ASSERT_TRUE(platform::makeDir(dir.file("Quarlan")));
    writeFile(dir.file("Quarlan/Editor.properties"), "execFilename=" + dir.file("app") + "\n");
    struct Case {
        std::string script;
        int status;
    };
    for (const Case& c : {Case{"echo ran > ran.txt\nexit 7\n", 7},
                          Case{"echo ran > ran.txt\nkill -TERM $$\nsleep 5\n", 128 + SIGTERM}}) {
        SCOPED_TRACE(c.script);
        writeFile(dir.file("app"), c.script);
        ASSERT_TRUE(platform::setMode(dir.file("app"), 0755));
        qrl::JavaApp app(qrl::Family::Mac, logsHere());
        EXPECT_TRUE(app.javaApp(dir.file("Editor"), {}));
        EXPECT_EQ(app.outcome(), qrl::LaunchOutcome::Ran);
        EXPECT_EQ(app.exitCode(), c.status);
        EXPECT_EQ(readFile(dir.file("ran.txt")), "ran\n");
        EXPECT_TRUE(platform::removeFile(dir.file("ran.txt")));
    }
}
