// The Windows installer's logic that needs no desktop: its switches, the
// window thread's loops, the claim on its working directory and the decision
// to start the cleanup program.
#include <gtest/gtest.h>

#include <filesystem>

#include "installer/kitdir.h"
#include "installer/windowsrun.h"
#include "platform/fs.h"
#include "platform/runlock.h"
#include "tests/support/testutil.h"

using namespace qrltest;

TEST(WindowsSwitchesTest, SwitchesAndDetailsAsTheCRuntimeSplitsThem) {
    struct Case {
        const char* line;
        bool quiet, properties;
        const char* details;
    } cases[] = {
        {"", false, false, ""},
        {"-q", false, false, ""},  // a switch counts only when a word follows
        {"-q answers.properties", true, false, "answers.properties"},
        {"-s answers.properties", false, true, "answers.properties"},
        {"-q \"C:\\My Files\\a b.properties\"", true, false, "C:\\My Files\\a b.properties"},
        // Quotes are the command line's, never the file's.
        {"-q \"C:\\path\\answers.properties\"", true, false, "C:\\path\\answers.properties"},
        {"\"-q\" file", true, false, "file"},
        {"-q\tfile", true, false, "file"},
        {"-q  \"a\"\"b\" c", true, false, "a\"b"},
        {"-q a\\\"b", true, false, "a\"b"},
        {"x -Q file", false, false, ""},
        {"-q first second", true, false, "first"},
        {"-qx file", false, false, ""},
        // The program path is not part of the arguments: a kit below a
        // directory named "-q" is not quiet.
        {"file -q", false, false, ""},
    };
    for (const auto& c : cases) {
        auto cl = qrl::parseWindowsSwitches(c.line);
        EXPECT_EQ(cl.quiet, c.quiet) << c.line;
        EXPECT_EQ(cl.properties, c.properties) << c.line;
        EXPECT_EQ(cl.details, c.details) << c.line;
    }
    EXPECT_EQ(qrl::argumentsOf("\"C:\\Kit dir\\installer.exe\"  -q a"), "-q a");
    EXPECT_EQ(qrl::argumentsOf("installer.exe"), "");
}

TEST(WindowsSwitchesTest, LongDetailsAreNeverCut) {
    // 250 characters and more, blanks and letters beyond ASCII: the whole
    // path reaches the wizard.
    std::string dir = "C:\\Users\\J\xC3\xBCrgen \xC5\x81ukasz\\";
    while (dir.size() < 300) dir += "Verzeichnis mit Leerzeichen \xC3\xA9t\xC3\xA9\\";
    std::string file = dir + "answers.properties";
    auto cl = qrl::parseWindowsSwitches("-q \"" + file + "\"");
    EXPECT_TRUE(cl.quiet);
    EXPECT_EQ(cl.details, file);
}

namespace {

// Messages are timer ticks; the worker ends, and its file vanishes, at given
// ticks.
class FakeHost : public qrl::StatusLoopHost {
public:
    unsigned tick = 0;
    unsigned showGoneAt = 1000000, workerEndsAt = 1000000, quitAt = 1000000;
    unsigned hiddenAt = 0;
    bool hidden = false;
    bool timer = false;

    bool fileExists(const std::string& path) override {
        EXPECT_EQ(path, "show");
        return tick < showGoneAt;
    }
    bool workerRunning() override { return tick < workerEndsAt; }
    void startTimer() override { timer = true; }
    void stopTimer() override { timer = false; }
    bool nextMessage() override {
        EXPECT_TRUE(timer) << "a loop waits for messages without its timer";
        ++tick;
        return tick != quitAt;
    }
    void hide() override {
        hidden = true;
        hiddenAt = tick;
    }
};

}  // namespace

TEST(StatusLoopsTest, HiddenAboutTenSecondsAfterTheShowFileAndAliveUntilTheWorkerEnds) {
    FakeHost h;
    h.showGoneAt = 30;      // the wizard starts at 3 s
    h.workerEndsAt = 500;   // and ends at 50 s
    qrl::runStatusLoops(h, "show");
    EXPECT_TRUE(h.hidden);
    EXPECT_GE(h.hiddenAt, 130u);  // 100 ticks of 100 ms after the file went
    EXPECT_LE(h.hiddenAt, 132u);
    EXPECT_EQ(h.tick, 500u);  // the loops end only with the worker
    EXPECT_FALSE(h.timer);

    FakeHost quick;  // a worker that ends soon after the file went
    quick.showGoneAt = 10;
    quick.workerEndsAt = 15;
    qrl::runStatusLoops(quick, "show");
    EXPECT_EQ(quick.hiddenAt, 15u);
    EXPECT_EQ(quick.tick, 15u);

    FakeHost escaped;  // Escape on the dialog: the quit message ends the first loop only
    escaped.quitAt = 5;
    escaped.showGoneAt = 1000;
    escaped.workerEndsAt = 300;
    qrl::runStatusLoops(escaped, "show");
    EXPECT_EQ(escaped.hiddenAt, 106u);
    EXPECT_EQ(escaped.tick, 300u);

    FakeHost stuck;  // a show file that never goes keeps nothing alive
    stuck.workerEndsAt = 40;
    qrl::runStatusLoops(stuck, "show");
    EXPECT_EQ(stuck.tick, 40u);
}

TEST(KitClaimTest, OneRunAtATimeAndNoLeftoverOfAnEarlierOne) {
    TempDir kit;
    std::string install = kit.file("__qrlinstall.sem"), show = kit.file("__qrlshow.sem");
    // Leftovers of an earlier run: the install file as a directory, the show
    // file as a read-only one.
    ASSERT_TRUE(platform::makeDir(install));
    writeFile(show, "ok\n");
    ASSERT_TRUE(platform::setMode(show, 0444));
    platform::RunLock first;
    auto claim = qrl::claimKit(first, install, show);
    ASSERT_TRUE(claim.ok) << claim.message << " " << claim.why.text();
    EXPECT_EQ(platform::typeOf(install), platform::FileType::File);
    EXPECT_FALSE(exists(show));

    // A second run finds the kit held and changes nothing.
    writeFile(show, "ok\n");
    platform::RunLock second;
    claim = qrl::claimKit(second, install, show);
    EXPECT_FALSE(claim.ok);
    EXPECT_EQ(claim.message, qrl::kAnotherRunning);
    EXPECT_TRUE(exists(show));
    EXPECT_TRUE(exists(install));

    // Once the first run has ended, its file is gone and the kit is free.
    first.release();
    EXPECT_FALSE(exists(install));
    EXPECT_TRUE(qrl::claimKit(second, install, show).ok);
    second.release();

    // A leftover that cannot be removed stops the run with the reason.
    ASSERT_TRUE(platform::makeDir(install));
    writeFile(install + "/kept", "x");
    platform::RunLock third;
    claim = qrl::claimKit(third, install, show);
    EXPECT_FALSE(claim.ok);
    EXPECT_EQ(claim.message, "Unable to remove __qrlinstall.sem left by an earlier installation");
    EXPECT_FALSE(claim.why);
    EXPECT_TRUE(exists(install + "/kept"));

    // A kit the run cannot write in holds no other run's file: the run goes
    // on (and fails there with its own words).
    platform::RunLock readOnly;
    EXPECT_TRUE(qrl::claimKit(readOnly, kit.file("missing/__qrlinstall.sem"), show).ok);
    EXPECT_FALSE(readOnly.held());
}

// A link left as "__qrlshow.sem" goes itself; what it points to is not the
// kit's and stays as it is.
TEST(KitClaimTest, AShowFileThatIsALinkGoesItselfNotWhatItPointsTo) {
    namespace fs = std::filesystem;
    TempDir kit, outside;
    std::string install = kit.file("__qrlinstall.sem"), show = kit.file("__qrlshow.sem");
    ASSERT_TRUE(platform::makeDir(outside.file("folder")));
    writeFile(outside.file("folder/keep.txt"), "mine\n");
    writeFile(outside.file("file.txt"), "mine\n");
    int tried = 0;
    for (bool folder : {false, true}) {
        std::error_code ec;
        if (folder)
            fs::create_directory_symlink(fs::u8path(outside.file("folder")), fs::u8path(show), ec);
        else
            fs::create_symlink(fs::u8path(outside.file("file.txt")), fs::u8path(show), ec);
        if (ec) continue;
        ++tried;
        platform::RunLock lock;
        auto claim = qrl::claimKit(lock, install, show);
        EXPECT_TRUE(claim.ok) << claim.message << " " << claim.why.text();
        EXPECT_FALSE(platform::isLink(show) || exists(show)) << folder;
        lock.release();
    }
    if (tried == 0) GTEST_SKIP() << "no links on this system";
    EXPECT_EQ(readFile(outside.file("file.txt")), "mine\n");
    EXPECT_EQ(readFile(outside.file("folder/keep.txt")), "mine\n");
}
