#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

enum class Start { Spawn, Run, Shell };

// A program started in a directory runs there, finds a relative program
// path there and leaves this process where it was; a directory that cannot
// be entered starts nothing and says so.
struct CwdCase {
    const char* name;
    Start how;
    const char* cwd;      // below the test directory; "" for none
    bool relative;        // the program named relative to `cwd`
    const char* ranIn;    // where the program records itself; nullptr: not started
};

}  // namespace

TEST(ProcessTest, ProgramsRunInTheDirectoryTheyAreGiven) {
    TempDir dir;
    CwdGuard here(dir.path());
    EnvGuard dumpFile("ARGVDUMP_FILE", nullptr);  // argvdump records in its own working directory
    const std::string sep = onWindows() ? "\\" : "/";
    const std::string work = "work dir \xC3\xA9";
    const std::string tool = std::string("bin") + sep + (onWindows() ? "tool.exe" : "tool");
    ASSERT_TRUE(platform::makeDir(dir.file(work)));
    ASSERT_TRUE(platform::makeDir(dir.file(work + sep + "bin")));
    std::filesystem::copy_file(std::filesystem::u8path(helperPath("argvdump")),
                               std::filesystem::u8path(dir.file(work + sep + tool)));
    writeFile(dir.file("a file"), "");
    const CwdCase cases[] = {
        {"spawn in a directory", Start::Spawn, work.c_str(), false, work.c_str()},
        {"spawn, program relative to it", Start::Spawn, work.c_str(), true, work.c_str()},
        {"spawn without one stays here", Start::Spawn, "", false, ""},
        {"run in a directory", Start::Run, work.c_str(), false, work.c_str()},
        {"run, program relative to it", Start::Run, work.c_str(), true, work.c_str()},
        {"shell in a directory", Start::Shell, work.c_str(), false, work.c_str()},
        {"shell, program relative to it", Start::Shell, work.c_str(), true, work.c_str()},
        {"missing directory", Start::Run, "gone", false, nullptr},
        {"missing directory, spawn", Start::Spawn, "gone", false, nullptr},
        {"missing directory, shell", Start::Shell, "gone", false, nullptr},
        {"a file is no directory", Start::Run, "a file", false, nullptr},
    };
    for (const CwdCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string cwd = *c.cwd ? dir.file(c.cwd) : std::string();
        std::string program = c.relative ? tool : dir.file(work + sep + tool);
        bool started = false;
        bool badDirectory = false;
        int exitCode = -1;
        if (c.how == Start::Spawn) {
            platform::SpawnOptions options;
            options.cwd = cwd;
            platform::SpawnResult r = platform::spawn(program, {"tool", "x"}, options);
            started = r.started;
            badDirectory = r.badDirectory;
            exitCode = r.exitCode;
        } else {
            platform::Command command{.program = program, .argv = {"tool", "x"}, .cwd = cwd};
            if (c.how == Start::Shell) {
                command.program = (onWindows() || !c.relative ? "\"" : "\"./") + program + "\" x";
                command.argv.clear();
                command.shell = true;
            }
            platform::RunResult r = platform::run(command);
            started = r.started;
            badDirectory = r.badDirectory;
            exitCode = r.exitCode();
        }
        EXPECT_EQ(started, c.ranIn != nullptr);
        EXPECT_EQ(badDirectory, c.ranIn == nullptr);
        EXPECT_EQ(platform::currentDir().value_or(""), dir.path());
        if (!c.ranIn) {
            EXPECT_FALSE(exists(dir.file("argvdump.txt")));
            continue;
        }
        EXPECT_EQ(exitCode, 0);
        std::string ranIn = *c.ranIn ? dir.file(c.ranIn) : dir.path();
        std::string record = ranIn + sep + "argvdump.txt";
        EXPECT_EQ(readArgvDump(record), std::vector<std::string>{"x"});
        EXPECT_EQ(readFile(record + ".info").substr(0, readFile(record + ".info").find('\n')), "cwd=" + ranIn);
        EXPECT_TRUE(platform::removeFile(record));
        EXPECT_TRUE(platform::removeFile(record + ".info"));
    }
}
