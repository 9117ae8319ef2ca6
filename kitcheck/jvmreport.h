// kitcheck --jvm: the JVM search a kit's installer (or, given a version
// range, a launcher) would make on this machine, told candidate by candidate
// in the order the search tries them, and what the installer would do next.
//
// The search is the programs' own (FindJvm and JvmTester with the family's rules
// and the places and registry keys they read); it reports through its
// observer hook. Nothing is installed and nothing is written outside a
// private scratch directory, in which the JVM tests run with a copy of the
// kit's probe class, exactly as they run in the installer's working directory.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/family.h"
#include "jvm/jvmobserver.h"
#include "jvm/jvmok.h"
#include "jvm/jvmverdicts.h"

namespace qrl {

struct JvmReportRequest {
    std::string kit;               // the kit directory; empty: the range below, as a launcher searches
    std::optional<Family> family;  // else the kit's (guessKitFamily) or this system's
    JvmCriteria criteria;          // without a kit
    bool json = false;
};

// What the installer would do after the search.
enum class NextStep {
    UseJvm,          // start the wizard (or the application) with the chosen JVM
    ExpandArchive,   // expand the kit's JVM archive
    VendorInstaller, // run the JVM vendor's installer, then search again
    Fail,            // stop with the message
};

struct JvmReport {
    Family family = Family::Posix;
    bool kitMode = false;
    std::string kit;
    JvmCriteria criteria;
    std::string jvmName;
    std::string searchMode;      // "searchForJvm" as the kit gives it
    bool searched = true;        // false when "searchForJvm" is "no" or "none"
    bool probe = false;          // the kit ships TestJvm.class
    std::vector<JvmCandidate> candidates;
    std::string chosen;          // the accepted program, empty when none
    NextStep next = NextStep::Fail;
    std::string nextText;        // what the installer would do, in words (the message when it fails)
    std::string nextDetails;     // with Fail: the details the installer shows
    std::string error;           // the report could not be made (no control file ...)
    std::vector<std::string> warnings;  // keys the family's installer reads otherwise than the kit expects

    // Whether the installer would get a JVM: one found, or the kit's own.
    bool succeeds() const { return next != NextStep::Fail; }

    bool found() const { return !chosen.empty(); }
};

// Runs the search as the request says. False (with report.error) when it
// could not be run at all.
bool makeJvmReport(const JvmReportRequest& request, JvmReport& report);

// Why kitcheck --jvm refuses a version range, empty when it takes it:
// --required with --min or --max, a bound that is no version, a minimum
// above the maximum.
std::string rangeProblem(const JvmCriteria& criteria);

std::string jvmReportText(const JvmReport& report);
std::string jvmReportJson(const JvmReport& report);

// "kitcheck --jvm ..." (args[1] is "--jvm"): 0 when a JVM would be chosen or
// the installer would provide the kit's own, 1 otherwise; 2 for a version
// range no JVM could meet or that cannot be read.
int jvmReportMain(const std::vector<std::string>& args);

}  // namespace qrl
