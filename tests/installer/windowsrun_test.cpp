// The Windows installer's logic that needs no desktop: its switches, the
// window thread's loops and the decision to start the cleanup program.
#include <gtest/gtest.h>

#include "installer/windowsrun.h"
#include "tests/support/testutil.h"

using namespace qrltest;

TEST(WindowsSwitchesTest, QuietScanAndWorkerParsing) {
    struct Case {
        const char* line;
        bool hidden;
        bool quiet, properties;
        const char* details;
    } cases[] = {
        {"", false, false, false, ""},
        {"-q", false, false, false, ""},  // a switch counts only when a word follows
        {"-q answers.properties", true, true, false, "answers.properties"},
        {"-s answers.properties", true, false, true, "answers.properties"},
        {"-q \"C:\\My Files\\a b.properties\"", true, true, false, "C:\\My Files\\a b.properties"},
        {"-q \"one.properties\"", true, true, false, "\"one.properties\""},
        {"x -Q file", false, false, false, ""},
        {"-q first second", true, true, false, "first"},
        {"-qx file", false, false, false, ""},
        // The program path is not part of the arguments: a kit below a
        // directory named "-q" is not quiet.
        {"file -q", false, false, false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qrl::quietScan(c.line), c.hidden) << c.line;
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

// Messages are timer ticks; the worker's files vanish at given ticks.
class FakeHost : public qrl::StatusLoopHost {
public:
    unsigned tick = 0;
    unsigned showGoneAt = 1000000, installGoneAt = 1000000, quitAt = 1000000;
    unsigned hiddenAt = 0;
    bool hidden = false;
    bool timer = false;

    bool fileExists(const std::string& path) override {
        return path == "show" ? tick < showGoneAt : tick < installGoneAt;
    }
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
    h.installGoneAt = 500;  // and ends at 50 s
    qrl::runStatusLoops(h, "install", "show");
    EXPECT_TRUE(h.hidden);
    EXPECT_GE(h.hiddenAt, 130u);  // 100 ticks of 100 ms after the file went
    EXPECT_LE(h.hiddenAt, 132u);
    EXPECT_EQ(h.tick, 500u);  // the loops end only with the worker
    EXPECT_FALSE(h.timer);

    FakeHost quick;  // a worker that ends soon after the file went
    quick.showGoneAt = 10;
    quick.installGoneAt = 15;
    qrl::runStatusLoops(quick, "install", "show");
    EXPECT_EQ(quick.hiddenAt, 15u);
    EXPECT_EQ(quick.tick, 15u);

    FakeHost escaped;  // Escape on the dialog: the quit message ends the first loop only
    escaped.quitAt = 5;
    escaped.showGoneAt = 1000;
    escaped.installGoneAt = 300;
    qrl::runStatusLoops(escaped, "install", "show");
    EXPECT_EQ(escaped.hiddenAt, 106u);
    EXPECT_EQ(escaped.tick, 300u);
}
