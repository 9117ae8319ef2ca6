#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/jvmplan.h"

using qrl::Family;
using qrl::JvmPlanKind;

namespace {

qrl::ControlSettings kitSettings(const std::string& type) {
    qrl::ControlSettings s;
    s.minVersion = "17";
    s.jvmName = "JRE";
    s.jvmInstallerType = type;
    s.jvmSelfExtractor = "jre.bin";
    s.jvmInstallerBinary = "setup.exe";
    return s;
}

const std::string kNotFound = "The correct version of the JRE was not found on your system.";
const std::string kMissing = "Unable to find JRE 17 or a later version on your system.";

}  // namespace

// Every way a family and a kit decide, and the texts of each way to give up.
TEST(JvmPlanTest, TheFamilyTheKitAndTheFactsDecide) {
    const std::string archive = "selfExtratorJvmInstaller", vendor = "thirdPartyJvmInstaller";
    struct Case {
        Family family;
        std::string type;
        std::string clear;  // a file name the control file leaves empty
        qrl::JvmPlanFacts facts;
        JvmPlanKind kind;
        std::string text;  // the file, or the report's message then details
    } cases[] = {
        {Family::Posix, "", "", {.found = "/usr/bin/java"}, JvmPlanKind::UseFound, "/usr/bin/java"},
        {Family::Posix, "", "", {.archiveInKit = true}, JvmPlanKind::ExpandArchive, "jre.bin"},
        {Family::Posix, "", "", {.archiveInKit = true, .thirdPartyInstaller = true}, JvmPlanKind::ThirdPartyProgram,
         "jre.bin"},
        {Family::Posix, "", "", {}, JvmPlanKind::GiveUp,
         kMissing + "|Please install the JVM and re-start this installer. (jre.bin is not in the kit.)"},
        {Family::Posix, "", "archive", {}, JvmPlanKind::GiveUp,
         kNotFound + "|Please install JRE 17 or a later version and then restart this installation program."},
        {Family::Windows, archive, "", {.archiveInKit = true, .osNewEnough = false}, JvmPlanKind::ExpandArchive,
         "jre.bin"},
        {Family::Windows, vendor, "", {.installerInKit = true}, JvmPlanKind::VendorInstaller, "setup.exe"},
        {Family::Windows, vendor, "", {.archiveInKit = true}, JvmPlanKind::GiveUp,
         kMissing + "|Please install the JVM and re-start this installer. (setup.exe is not in the kit.)"},
        {Family::Windows, vendor, "installer", {.installerInKit = true}, JvmPlanKind::GiveUp,
         kNotFound + "|Please install JRE 17 or a later version and then restart this installation program."},
        {Family::Windows, "none", "", {.archiveInKit = true, .installerInKit = true}, JvmPlanKind::GiveUp,
         kNotFound + "|Please install JRE 17 or a later version and then restart this installation program."},
        {Family::Mac, archive, "", {.archiveInKit = true}, JvmPlanKind::ExpandArchive, "jre.bin"},
        // Too old a system comes first; a kit naming no archive needs no check.
        {Family::Mac, archive, "", {.archiveInKit = false, .osNewEnough = false}, JvmPlanKind::GiveUp,
         kNotFound + " (This system is older than the kit's JVM needs.)|Please install JRE 17 or a later version and "
                     "then restart this installation program."},
        {Family::Mac, archive, "archive", {.osNewEnough = false}, JvmPlanKind::GiveUp,
         kNotFound + "|Please install JRE 17 or a later version and then restart this installation program."},
    };
    for (const Case& c : cases) {
        qrl::ControlSettings s = kitSettings(c.type);
        if (c.clear == "archive") s.jvmSelfExtractor.clear();
        if (c.clear == "installer") s.jvmInstallerBinary.clear();
        qrl::JvmPlan plan = qrl::planJvm(s, c.family, c.facts);
        SCOPED_TRACE(std::to_string(static_cast<int>(c.family)) + " " + c.type + " " + c.text);
        EXPECT_EQ(plan.kind, c.kind);
        std::string text = c.kind == JvmPlanKind::UseFound ? plan.launcher
                           : c.kind == JvmPlanKind::GiveUp ? plan.reportMessage() + "|" + plan.reportDetails()
                                                           : plan.file;
        EXPECT_EQ(text, c.text);
    }
}

// The system's version is asked (and traced) only when the plan turns on
// it, nothing at all once a JVM was found; the nearest miss is named only
// after a search that accepted none.
TEST(JvmPlanTest, FactsAreAskedOnlyWhenTheyMatterAndTheNearestMissIsNamed) {
    std::vector<std::string> asked;
    qrl::JvmPlanSources sources{
        .inKit = [&](const std::string& file) { asked.push_back(file); return true; },
        .osNewEnough = [&] { asked.push_back("os"); return true; },
        .thirdPartyInstaller = [&] { asked.push_back("flag"); return false; },
    };
    auto ask = [&](Family family, const std::string& type, std::string found = {}) {
        asked.clear();
        qrl::gatherPlanFacts(kitSettings(type), family, {.found = found}, sources);
        std::string out;
        for (const auto& a : asked) out += a + " ";
        return out;
    };
    EXPECT_EQ(ask(Family::Mac, "selfExtratorJvmInstaller", "/usr/bin/java"), "");
    EXPECT_EQ(ask(Family::Mac, "selfExtratorJvmInstaller"), "jre.bin setup.exe os ");
    EXPECT_EQ(ask(Family::Mac, "thirdPartyJvmInstaller"), "jre.bin setup.exe ");
    EXPECT_EQ(ask(Family::Windows, "selfExtratorJvmInstaller"), "jre.bin setup.exe ");
    EXPECT_EQ(ask(Family::Posix, "selfExtratorJvmInstaller"), "jre.bin setup.exe flag ");

    qrl::JvmCandidate old;
    old.where = "PATH";
    old.verdict.home = "/opt/jdk11";
    old.verdict.executable = "/opt/jdk11/bin/java";
    old.verdict.version = "11.0.2";
    old.verdict.reason = qrl::JvmReason::BelowMinimum;
    qrl::JvmCandidate good = old;
    good.verdict.reason = qrl::JvmReason::Accepted;
    qrl::ControlSettings s = kitSettings("none");
    qrl::JvmPlan missed = qrl::planJvm(s, Family::Windows, {.searched = true, .candidates = {old}});
    EXPECT_TRUE(missed.searchFailed);
    EXPECT_NE(missed.userMessage("english").find(kNotFound + " Java 11.0.2 was found in"), std::string::npos)
        << missed.userMessage("english");
    // A JVM was accepted but could not run the wizard, or no search ran.
    for (const qrl::JvmPlanFacts& facts : {qrl::JvmPlanFacts{.searched = true, .candidates = {old, good}},
                                           qrl::JvmPlanFacts{.searched = false, .candidates = {old}}}) {
        qrl::JvmPlan plan = qrl::planJvm(s, Family::Windows, facts);
        EXPECT_FALSE(plan.searchFailed);
        EXPECT_EQ(plan.userMessage("english"), kNotFound);
    }
}
