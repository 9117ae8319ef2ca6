#include "kitcheck/jvmreport.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>

#include "common/execcmd.h"
#include "common/familyrules.h"
#include "common/files.h"
#include "common/logs.h"
#include "common/scratchdir.h"
#include "common/text.h"
#include "installer/controlfile.h"
#include "installer/installrun.h"
#include "installer/jvmplan.h"
#include "installer/macsteps.h"
#include "jvm/findjvm.h"
#include "jvm/version.h"
#include "kitcheck/kitcheck.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/stopsignal.h"
#include "provision/jvmprovisioner.h"
#include "provision/predefineddir.h"

namespace qrl {
namespace {

// A private directory below the system's temporary directory, the current
// directory while it lives; removed with everything in it afterwards.
class ScratchWork {
public:
    ScratchWork() : saved_(platform::currentDir().value_or("")), dir_("kitcheck") {}
    ~ScratchWork() {
        // Left before it goes, so that nothing holds it (as far as it can be:
        // the scratch directory goes anyway).
        if (dir_ && !saved_.empty()) (void)platform::changeDir(saved_);
    }
    ScratchWork(const ScratchWork&) = delete;
    ScratchWork& operator=(const ScratchWork&) = delete;

    bool enter() { return dir_ && static_cast<bool>(platform::changeDir(dir_.path())); }
    const std::string& path() const { return dir_.path(); }

private:
    std::string saved_;
    ScratchDir dir_;
};

bool isAbsolute(std::string_view path) {
    return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

std::string join(const std::vector<std::string>& list) {
    std::string out;
    for (const auto& s : list) out += (out.empty() ? "" : ", ") + s;
    return out;
}

// Where a JVM the installer provides would go, in words.
std::string installPlace(const JvmReport& r, const ControlSettings& s, std::string_view home) {
    const FamilyRules& rules = rulesFor(r.family);
    if (rules.provisioning == JvmProvisioning::ByInstallerType) {
        if (!s.predefinedJvmInstallDir.empty()) return "predefinedJvmInstallDir " + s.predefinedJvmInstallDir;
        std::string programs = WindowsFolders::fromEnvironment().programFiles.value_or("Program Files");
        return "a new directory below " + programs +
               " (JavaSoft\\...), or the user's own programs folder when that cannot be written";
    }
    if (!s.predefinedJvmInstallDir.empty()) {
        if (auto dir = resolvePredefinedDir(s.predefinedJvmInstallDir, r.kit)) return *dir;
        return "predefinedJvmInstallDir " + s.predefinedJvmInstallDir;
    }
    return "a new jvm directory below the first of these that can be written: " + join(installDirCandidates()) +
           ", the home directory " + std::string(home) + ", the search path, the kit directory";
}

// What the installer would do after its search, as the installer decides it.
void describePlan(JvmReport& r, const ControlSettings& s, const InstallRun& run, const Logs& logs,
                  const std::string& found) {
    JvmPlanFacts searched{.found = found, .searched = r.searched, .candidates = r.candidates};
    JvmPlanSources sources{
        .inKit = [&](const std::string& file) { return pathExists(platform::pathIn(r.kit, file)); },
        .osNewEnough = [&] { return isOsVersionOk(logs); },
        .thirdPartyInstaller =
            [&] {
                return flagSetting(kThirdPartyInstallerKey, {platform::pathIn(r.kit, kControlFile)}, false)
                    .value_or(false);
            },
    };
    JvmPlan plan = planJvm(s, r.family, gatherPlanFacts(s, r.family, std::move(searched), sources));
    switch (plan.kind) {
        case JvmPlanKind::UseFound:
            r.next = NextStep::UseJvm;
            r.nextText = "start the install wizard with " + plan.launcher;
            return;
        case JvmPlanKind::ExpandArchive:
            r.next = NextStep::ExpandArchive;
            r.nextText = "expand the kit's JVM archive " + plan.file + " into " + installPlace(r, s, run.homeDirectory);
            return;
        case JvmPlanKind::ThirdPartyProgram:
            r.next = NextStep::VendorInstaller;
            r.nextText = "run the JVM vendor's installer " + plan.file + " of the kit (" +
                         std::string(kThirdPartyInstallerKey) + "), then search again";
            return;
        case JvmPlanKind::VendorInstaller:
            r.next = NextStep::VendorInstaller;
            r.nextText = "run the JVM vendor's installer " + plan.file +
                         (s.jvmInstallerCommand.empty() ? "" : " (" + s.jvmInstallerCommand + ")") + " in " +
                         installPlace(r, s, run.homeDirectory) + ", then search again";
            return;
        case JvmPlanKind::GiveUp:
            r.next = NextStep::Fail;
            r.nextText = plan.reportMessage();
            r.nextDetails = plan.reportDetails();
            return;
    }
}

const char* reasonCode(const JvmCandidate& c, const std::string& ownMachine) {
    if (wrongMachine(c, ownMachine)) return "wrong-architecture";
    switch (c.verdict.reason) {
        case JvmReason::Accepted: return "chosen";
        case JvmReason::NoExecutable: return "no-executable";
        case JvmReason::NoHome: return "no-home";
        case JvmReason::AlreadyTested: return "already-tested";
        case JvmReason::NotStarted:
            return c.verdict.why.kind() == platform::ErrorKind::PermissionDenied ? "not-executable" : "not-started";
        case JvmReason::NoVersion: return "no-version";
        case JvmReason::BelowMinimum: return "below-minimum";
        case JvmReason::AboveMaximum: return "above-maximum";
        case JvmReason::NotRequired: return "not-required";
        case JvmReason::ProbeNotStarted: return "probe-not-started";
        case JvmReason::ProbeNoAnswer: return "probe-no-answer";
        case JvmReason::ProbeVersion: return "probe-version";
    }
    return "";
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* nextCode(NextStep n) {
    switch (n) {
        case NextStep::UseJvm: return "use-jvm";
        case NextStep::ExpandArchive: return "expand-archive";
        case NextStep::VendorInstaller: return "vendor-installer";
        case NextStep::Fail: return "fail";
    }
    return "";
}

// The kit directory as an absolute path without a trailing separator.
std::string absoluteKitDir(const std::string& kit) {
    std::string dir = isAbsolute(kit) ? kit : platform::pathIn(platform::currentDir().value_or(""), kit);
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

// The kit's settings as its installer reads them from the copy of its
// control file in the current directory, and its probe class copied beside.
bool readKit(JvmReport& r, ControlSettings& s, const Logs& logs) {
    std::string controlName;
    ControlFile(r.family, logs).getParameters(s, controlName);
    r.criteria = {s.requiredVersion, s.minVersion, s.maxVersion};
    r.jvmName = s.jvmName;
    r.searchMode = s.searchForJvm;
    std::string probe = platform::pathIn(r.kit, kProbeClassFile);
    r.probe = platform::typeOf(probe) == platform::FileType::File;
    std::string why;
    if (r.probe && !copyFile(probe, kProbeClassFile, kMaxTextFile, &why)) {
        r.error = "cannot copy " + probe + " for the JVM tests (" + why + ")";
        return false;
    }
    return true;
}

// The installer's search, unless the kit says not to search.
bool searchAsInstaller(JvmReport& r, const InstallRun& run, const SearchPlaces& places, const Logs& logs,
                       JvmVerdicts& collector, std::string& exePath) {
    const ControlSettings& s = run.settings;
    r.searched = searchesForJvm(s);
    if (!r.searched) return false;
    FindJvm finder(r.family, places, logs);
    finder.setObserver(&collector);
    // Windows kits carry the 32-bit installer.
    finder.setRegistryAs32Bit(true);
    auto found = finder.isJvmInstalled({r.criteria, s.jvmName, run.homeDirectory, s.searchForJvm}, s.jvmCommandName);
    if (found) exePath = found->executable;
    return found.has_value();
}

// As the launchers search when their JVM has gone.
bool searchAsLauncher(JvmReport& r, const SearchPlaces& places, const Logs& logs, JvmVerdicts& collector,
                      std::string& exePath) {
    std::string home = platform::getEnv("HOME").value_or("");
    FindJvm finder(r.family, places, logs);
    finder.setObserver(&collector);
    auto found = finder.isJvmInstalled({r.criteria, "JRE", home, ""}, "jre");
    if (found) exePath = found->executable;
    if (found) return true;
    if (rulesFor(r.family).jvmSearch != JvmSearch::MacRoots) return false;
    FindJvm posix(Family::Posix, logs);
    posix.setObserver(&collector);
    found = posix.isJvmInstalled({r.criteria, "", home, ""}, "jre");
    if (found) exePath = found->executable;
    return found.has_value();
}

// A version bound as the launchers and installers compare them: a number
// first, then numbers and words parted by dots, underscores, dashes or plus
// signs (1.8.0_392, 17.0.2+8, 21-ea).
bool readableVersion(std::string_view v) {
    if (v.empty() || !std::isdigit(static_cast<unsigned char>(v[0]))) return false;
    for (char c : v)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' && c != '+') return false;
    return true;
}

}  // namespace

std::string rangeProblem(const JvmCriteria& c) {
    if (!c.required.empty() && (!c.minimum.empty() || !c.maximum.empty()))
        return "--required names the one version a JVM must have: it takes no --min or --max";
    for (auto [option, value] : {std::pair{"--min", &c.minimum}, {"--max", &c.maximum}, {"--required", &c.required}})
        if (!value->empty() && !readableVersion(*value))
            return std::string(option) + " " + *value + " is not a Java version (such as 17, 1.8 or 11.0.2)";
    if (!c.minimum.empty() && !c.maximum.empty() && compareWithBound(c.minimum, c.maximum) > 0)
        return "the minimum " + c.minimum + " is above the maximum " + c.maximum + ": no JVM could meet both";
    return {};
}

bool makeJvmReport(const JvmReportRequest& rq, JvmReport& r) {
    r = {};
    r.kitMode = !rq.kit.empty();
    if (r.kitMode) r.kit = absoluteKitDir(rq.kit);
    r.family = rq.family ? *rq.family : r.kitMode ? guessKitFamily(r.kit) : thisSystemFamily();

    ScratchWork scratch;
    if (!scratch.enter()) {
        r.error = "no private directory for the JVM tests could be made below the temporary directory";
        return false;
    }
    // The installer's working directory holds the kit's control file, which
    // it reads in place: so does the scratch directory, with a copy.
    std::string control = platform::pathIn(r.kit, kControlFile);
    // Read as the installer reads it: a plain file of a few kilobytes. A FIFO,
    // a device or a huge file is refused at once.
    std::string why;
    if (r.kitMode && !copyFile(control, kControlFile, kMaxTextFile, &why)) {
        r.error = control + " cannot be read (" + why + "): the installer stops with \"Unable to open qrl.control\"";
        return false;
    }
    // The logs of the search stay in the scratch directory and go with it.
    // The installer searches with its trace switched on (it makes the file
    // when it is missing), and a Windows one then prefers javaw.exe: so here.
    Logs logs = Logs::in(scratch.path());
    if (r.kitMode)
        if (std::FILE* f = platform::openFile(logs.traceLog(), "wb")) std::fclose(f);
    SearchPlaces places = SearchPlaces::defaults(r.family);
    InstallRun run(r.family, logs);
    run.findHomeDirectory();
    JvmVerdicts collector;
    std::string exePath;
    bool found = false;
    if (r.kitMode) {
        if (!readKit(r, run.settings, logs)) return false;
        for (const Finding& f : checkFamilyOnlyKeys(run.settings, r.family)) r.warnings.push_back(f.problem);
        found = searchAsInstaller(r, run, places, logs, collector, exePath);
    } else {
        r.criteria = rq.criteria;
        r.jvmName = "JRE";
        found = searchAsLauncher(r, places, logs, collector, exePath);
    }
    r.candidates = std::move(collector.candidates);
    if (found) r.chosen = exePath;
    if (r.kitMode) {
        describePlan(r, run.settings, run, logs, r.chosen);
    } else if (found) {
        r.next = NextStep::UseJvm;
        r.nextText = "start the application with " + exePath;
    } else {
        r.next = NextStep::Fail;
        r.nextText = "no JVM of " + rangeText(r.criteria) + " was found: the launcher cannot start the application";
    }
    return true;
}

std::string jvmReportText(const JvmReport& r) {
    std::string out;
    if (r.kitMode) {
        out += "JVM search of the " + std::string(rulesFor(r.family).name) + " installer for " + r.kit + ": " +
               r.jvmName + " " + rangeText(r.criteria) +
               (r.probe ? ", each JVM also runs the kit's TestJvm.class\n"
                        : ", no TestJvm.class in the kit (no probe runs)\n");
    } else {
        out += "JVM search of the " + std::string(rulesFor(r.family).name) + " launchers: " + rangeText(r.criteria) +
               "\n";
    }
    if (!r.searched) out += "  searchForJvm=" + r.searchMode + ": the installer does not search\n";
    if (r.searched)
        for (const std::string& line : verdictLines(r.candidates, r.criteria)) out += "  " + line + "\n";
    for (const std::string& w : r.warnings) out += "warning: " + w + "\n";
    if (r.next == NextStep::Fail) {
        out += "next: the " + std::string(r.kitMode ? "installer" : "launcher") + " fails: " + r.nextText + "\n";
        if (!r.nextDetails.empty()) out += "      " + r.nextDetails + "\n";
    } else {
        out += "next: the " + std::string(r.kitMode ? "installer" : "launcher") + " would " + r.nextText + "\n";
    }
    return out;
}

std::string jvmReportJson(const JvmReport& r) {
    std::string own = ownMachine();
    std::string out = "{\"mode\":" + jsonString(r.kitMode ? "kit" : "range");
    out += ",\"family\":" + jsonString(rulesFor(r.family).name);
    if (r.kitMode) out += ",\"kit\":" + jsonString(r.kit) + ",\"probe\":" + (r.probe ? "true" : "false");
    out += ",\"jvmName\":" + jsonString(r.jvmName);
    out += ",\"criteria\":{\"required\":" + jsonString(r.criteria.required) +
           ",\"minimum\":" + jsonString(r.criteria.minimum) + ",\"maximum\":" + jsonString(r.criteria.maximum) + "}";
    out += ",\"searched\":" + std::string(r.searched ? "true" : "false");
    out += ",\"candidates\":[";
    bool first = true;
    for (const JvmCandidate& c : r.candidates) {
        if (!shownCandidate(c)) continue;
        const JvmVerdict& v = c.verdict;
        out += first ? "\n " : ",\n ";
        first = false;
        out += "{\"where\":" + jsonString(c.where) + ",\"home\":" + jsonString(v.home) +
               ",\"executable\":" + jsonString(v.executable) + ",\"version\":" + jsonString(v.version) +
               ",\"machine\":" + jsonString(c.machine) +
               ",\"verdict\":" + jsonString(v.accepted() ? "chosen" : "rejected") +
               ",\"reason\":" + jsonString(reasonCode(c, own)) +
               ",\"text\":" + jsonString(reasonText(c, r.criteria, own)) + "}";
    }
    out += "],\n \"chosen\":" + (r.chosen.empty() ? std::string("null") : jsonString(r.chosen));
    out += ",\"next\":{\"action\":" + jsonString(nextCode(r.next)) + ",\"text\":" + jsonString(r.nextText) +
           ",\"details\":" + jsonString(r.nextDetails) + "}";
    out += ",\"warnings\":[";
    for (size_t i = 0; i < r.warnings.size(); ++i) out += (i ? "," : "") + jsonString(r.warnings[i]);
    return out + "]}\n";
}

int jvmReportMain(const std::vector<std::string>& args) {
    static const char* kUsage =
        "Usage: kitcheck --jvm [--json] [--family posix|windows|macos] KIT\n"
        "       kitcheck --jvm [--json] [--family ...] [--min V] [--max V] [--required V]\n";
    const std::map<std::string, Family> families{
        {"posix", Family::Posix}, {"windows", Family::Windows}, {"macos", Family::Mac}};
    JvmReportRequest rq;
    bool range = false;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--json") {
            rq.json = true;
        } else if (a == "--family" && hasValue) {
            auto it = families.find(args[++i]);
            if (it == families.end()) {
                platform::writeStderr("kitcheck: unknown family " + args[i] + " (posix, windows, macos)\n");
                return 1;
            }
            rq.family = it->second;
        } else if ((a == "--min" || a == "--max" || a == "--required") && hasValue) {
            std::string& bound = a == "--min" ? rq.criteria.minimum
                                 : a == "--max" ? rq.criteria.maximum
                                                : rq.criteria.required;
            bound = args[++i];
            range = true;
        } else if (!a.empty() && a[0] != '-' && rq.kit.empty()) {
            rq.kit = a;
        } else {
            platform::writeStderr(kUsage);
            return 1;
        }
    }
    if (range && !rq.kit.empty()) {
        platform::writeStderr("kitcheck: --jvm takes a kit or a version range, not both\n" + std::string(kUsage));
        return 1;
    }
    if (std::string why = rangeProblem(rq.criteria); !why.empty()) {
        platform::writeStderr("kitcheck: " + why + "\n");
        return 2;
    }
    // Stopped from outside (TERM, HUP, an interrupt), the JVM under test gets
    // the signal, the search ends and the scratch directory goes before the
    // program ends with 128+N.
    platform::PassStopSignals passOn;
    JvmReport report;
    bool made = makeJvmReport(rq, report);
    if (int signal = platform::stopSignal()) return 128 + signal;
    if (!made) {
        platform::writeStderr("kitcheck: " + report.error + "\n");
        return 1;
    }
    platform::writeStdout(rq.json ? jvmReportJson(report) : jvmReportText(report));
    return report.succeeds() ? 0 : 1;
}

}  // namespace qrl
