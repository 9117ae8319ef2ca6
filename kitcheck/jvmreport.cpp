#include "kitcheck/jvmreport.h"

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
#include "installer/install.h"
#include "installer/jvmstep.h"
#include "installer/macsteps.h"
#include "jvm/findjvm.h"
#include "kitcheck/kitcheck.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/stopsignal.h"
#include "provision/jvmprovisioner.h"

namespace qrl {
namespace {

// Collects what the search tells, in the order it tells it.
class Collector : public JvmObserver {
public:
    std::vector<JvmCandidate> candidates;

    void place(std::string_view where, std::string_view) override { where_ = where; }
    void verdict(const JvmVerdict& v) override {
        candidates.push_back({where_, v, v.executable.empty() ? std::string() : executableMachine(v.executable)});
        if (v.reason != JvmReason::AlreadyTested) return;
        // Which earlier candidate it is (a link to it, or the same home by another name).
        std::string real = platform::canonicalPath(v.executable);
        for (const JvmCandidate& c : candidates)
            if (!c.verdict.executable.empty() && platform::canonicalPath(c.verdict.executable) == real) {
                candidates.back().verdict.detail = c.verdict.executable;
                break;
            }
    }

private:
    std::string where_;
};

// A private directory below the system's temporary directory, the current
// directory while it lives; removed with everything in it afterwards.
class ScratchWork {
public:
    ScratchWork() : saved_(platform::currentDir().value_or("")), dir_("kitcheck") {}
    ~ScratchWork() {
        // Left before it goes, so that nothing holds it.
        if (dir_ && !saved_.empty()) platform::changeDir(saved_);
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

std::string rangeText(const JvmCriteria& c) {
    if (!c.required.empty()) return c.required;
    if (c.minimum.empty() && c.maximum.empty()) return "any version";
    if (c.maximum.empty()) return c.minimum + " or a later version";
    return (c.minimum.empty() ? std::string("any version up to") : c.minimum + " -") + " " + c.maximum;
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
        std::string dir;
        if (resolvePredefinedDir(s.predefinedJvmInstallDir, r.kit, dir)) return dir;
        return "predefinedJvmInstallDir " + s.predefinedJvmInstallDir;
    }
    return "a new jvm directory below the first of these that can be written: " + join(installDirCandidates()) +
           ", the home directory " + std::string(home) + ", the search path, the kit directory";
}

// What the installer would do once its search has found nothing: the way the
// control file asks for, with the checks and texts the installer makes.
void nextWithoutJvm(JvmReport& r, const ControlSettings& s, const InstallRun& run, const Logs& logs) {
    const FamilyRules& rules = rulesFor(r.family);
    std::string version = versionText(s);
    auto notFound = [&](std::string why = {}) {
        r.next = NextStep::Fail;
        r.nextText = "The correct version of the " + s.jvmName + " was not found on your system." + why;
        r.nextDetails = "Please install " + s.jvmName + " " + version + " and then restart this installation program.";
    };
    auto missing = [&](const std::string& file) {
        r.next = NextStep::Fail;
        r.nextText = "Unable to find " + s.jvmName + " " + version + " on your system.";
        r.nextDetails = "Please install the JVM and re-start this installer. (" + file + " is not in the kit.)";
    };
    auto inKit = [&](const std::string& file) { return fexists(platform::pathIn(r.kit, file)); };
    std::string place = installPlace(r, s, run.homeDirectory);

    if (rules.provisioning == JvmProvisioning::InstallJvm) {
        if (s.jvmSelfExtractor.empty()) return notFound();
        if (!inKit(s.jvmSelfExtractor)) return missing(s.jvmSelfExtractor);
        if (flagSetting(kThirdPartyInstallerKey, {platform::pathIn(r.kit, kControlFile)}, false).value_or(false)) {
            r.next = NextStep::VendorInstaller;
            r.nextText = "run the JVM vendor's installer " + s.jvmSelfExtractor + " of the kit (" +
                         std::string(kThirdPartyInstallerKey) + "), then search again";
            return;
        }
        r.next = NextStep::ExpandArchive;
        r.nextText = "expand the kit's JVM archive " + s.jvmSelfExtractor + " into " + place;
        return;
    }
    if (stricmp(s.jvmInstallerType, "selfExtratorJvmInstaller") == 0) {
        if (rules.checksOsForKitJvm && !s.jvmSelfExtractor.empty() && !isOsVersionOk(logs))
            return notFound(" (This system is older than the kit's JVM needs.)");
        if (s.jvmSelfExtractor.empty()) return notFound();
        if (!inKit(s.jvmSelfExtractor)) return missing(s.jvmSelfExtractor);
        r.next = NextStep::ExpandArchive;
        r.nextText = "expand the kit's JVM archive " + s.jvmSelfExtractor + " into " + place;
        return;
    }
    if (stricmp(s.jvmInstallerType, "thirdPartyJvmInstaller") == 0) {
        if (s.jvmInstallerBinary.empty()) return notFound();
        if (!inKit(s.jvmInstallerBinary)) return missing(s.jvmInstallerBinary);
        r.next = NextStep::VendorInstaller;
        r.nextText = "run the JVM vendor's installer " + s.jvmInstallerBinary +
                     (s.jvmInstallerCommand.empty() ? "" : " (" + s.jvmInstallerCommand + ")") + " in " + place +
                     ", then search again";
        return;
    }
    notFound();
}

// A program built for another processor cannot start, or, handed to the
// shell as a script, fails with what the shell says about it. (One that a
// processor emulator runs is judged by its answers.)
bool wrongMachine(const JvmCandidate& c, const std::string& ownMachine) {
    const JvmVerdict& v = c.verdict;
    bool failed = !v.accepted() && (v.reason == JvmReason::NotStarted || v.status != 0);
    return failed && !c.machine.empty() && !ownMachine.empty() && c.machine != ownMachine;
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

std::string startFailure(const platform::Result& why) {
    if (why.kind() == platform::ErrorKind::PermissionDenied) return "not executable (permission denied)";
    return spawnErrorReason(why);
}

std::string reasonText(const JvmCandidate& c, const JvmCriteria& criteria, const std::string& ownMachine) {
    const JvmVerdict& v = c.verdict;
    if (wrongMachine(c, ownMachine))
        return "wrong architecture: built for " + c.machine + ", this machine runs " + ownMachine;
    switch (v.reason) {
        case JvmReason::Accepted: return "chosen";
        case JvmReason::NoExecutable: return "no program " + v.detail;
        case JvmReason::NoHome: return "the registry entry names no home directory (JavaHome)";
        case JvmReason::AlreadyTested:
            return "the same program as " + (v.detail.empty() ? std::string("an earlier candidate") : v.detail) +
                   " (not started again)";
        case JvmReason::NotStarted:
            return "could not be started: " + startFailure(v.why);
        case JvmReason::NoVersion: {
            int code = platform::shellExitCode(v.status);
            std::string text = "-version named no version";
            if (code != 0) text = "-version failed with exit status " + std::to_string(code);
            return text + (v.detail.empty() ? "" : ": " + v.detail);
        }
        case JvmReason::BelowMinimum: return "below the minimum " + criteria.minimum;
        case JvmReason::AboveMaximum: return "above the maximum " + criteria.maximum;
        case JvmReason::NotRequired: return "not the required " + criteria.required;
        case JvmReason::ProbeNotStarted: return "the probe TestJvm could not be started: " + startFailure(v.why);
        case JvmReason::ProbeNoAnswer: return "the probe TestJvm wrote no answer (the JVM could not run it)";
        case JvmReason::ProbeVersion:
            return "the probe TestJvm answered " + (v.detail.empty() ? std::string("no version") : v.detail) +
                   ", which is not " + rangeText(criteria);
    }
    return "";
}

// Places that held no program are candidates only where they were named on
// purpose: JAVA_HOME and the registry. An empty directory of the search path
// or of /usr/share is no candidate.
bool shown(const JvmCandidate& c) {
    if (c.verdict.reason != JvmReason::NoExecutable) return true;
    return c.where == "JAVA_HOME" || c.where.rfind("HK", 0) == 0;
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

std::string ownMachine() {
    static const std::string machine = executableMachine(platform::programPath());
    return machine;
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
                       Collector& collector, std::string& exePath) {
    const ControlSettings& s = run.settings;
    r.searched = s.searchForJvm.empty() ||
                 (stricmp(s.searchForJvm, "no") != 0 && stricmp(s.searchForJvm, "none") != 0);
    if (!r.searched) return false;
    FindJvm finder(r.family, places, logs);
    finder.setObserver(&collector);
    // Windows kits carry the 32-bit installer.
    finder.setRegistryAs32Bit(true);
    std::string exeName = s.jvmCommandName;
    return finder.isJvmInstalled({r.criteria, s.jvmName, run.homeDirectory, s.searchForJvm}, exeName, exePath);
}

// As the launchers search when their JVM has gone.
bool searchAsLauncher(JvmReport& r, const SearchPlaces& places, const Logs& logs, Collector& collector,
                      std::string& exePath) {
    std::string home = platform::getEnv("HOME").value_or("");
    FindJvm finder(r.family, places, logs);
    finder.setObserver(&collector);
    std::string exeName = "jre";
    if (finder.isJvmInstalled({r.criteria, "JRE", home, ""}, exeName, exePath)) return true;
    if (rulesFor(r.family).jvmSearch != JvmSearch::MacRoots) return false;
    FindJvm posix(Family::Posix, logs);
    posix.setObserver(&collector);
    exeName = "jre";
    return posix.isJvmInstalled({r.criteria, "", home, ""}, exeName, exePath);
}

}  // namespace

std::string executableMachine(const std::string& path) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return {};
    unsigned char h[512] = {};
    size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    auto u16 = [&](size_t at, bool little) -> unsigned {
        return little ? h[at] | (h[at + 1] << 8) : (h[at] << 8) | h[at + 1];
    };
    auto u32 = [&](size_t at) -> unsigned long {
        return h[at] | (h[at + 1] << 8) | (h[at + 2] << 16) | (static_cast<unsigned long>(h[at + 3]) << 24);
    };
    if (n >= 20 && h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F') {
        static const std::map<unsigned, const char*> elf{{3, "i386"},     {8, "mips"},     {20, "ppc"},
                                                         {21, "ppc64"},   {22, "s390x"},   {40, "arm"},
                                                         {62, "x86_64"},  {183, "aarch64"}, {243, "riscv64"}};
        auto it = elf.find(u16(18, h[5] != 2));
        return it == elf.end() ? std::string() : it->second;
    }
    if (n >= 0x40 && h[0] == 'M' && h[1] == 'Z') {
        unsigned long pe = u32(0x3C);
        if (pe + 6 > n || h[pe] != 'P' || h[pe + 1] != 'E' || h[pe + 2] || h[pe + 3]) return {};
        static const std::map<unsigned, const char*> coff{
            {0x14C, "i386"}, {0x8664, "x86_64"}, {0xAA64, "aarch64"}, {0x1C4, "arm"}};
        auto it = coff.find(u16(pe + 4, true));
        return it == coff.end() ? std::string() : it->second;
    }
    if (n >= 8 && (u32(0) == 0xFEEDFACFUL || u32(0) == 0xFEEDFACEUL)) {
        static const std::map<unsigned long, const char*> macho{
            {7, "i386"}, {0x01000007UL, "x86_64"}, {0x0100000CUL, "aarch64"}, {12, "arm"}};
        auto it = macho.find(u32(4));
        return it == macho.end() ? std::string() : it->second;
    }
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
    Collector collector;
    std::string exePath;
    bool found = false;
    if (r.kitMode) {
        if (!readKit(r, run.settings, logs)) return false;
        found = searchAsInstaller(r, run, places, logs, collector, exePath);
    } else {
        r.criteria = rq.criteria;
        r.jvmName = "JRE";
        found = searchAsLauncher(r, places, logs, collector, exePath);
    }
    r.candidates = std::move(collector.candidates);
    if (found) {
        r.chosen = exePath;
        r.next = NextStep::UseJvm;
        r.nextText = (r.kitMode ? "start the install wizard with " : "start the application with ") + exePath;
    } else if (r.kitMode) {
        nextWithoutJvm(r, run.settings, run, logs);
    } else {
        r.next = NextStep::Fail;
        r.nextText = "no JVM of " + rangeText(r.criteria) + " was found: the launcher cannot start the application";
    }
    return true;
}

std::string jvmReportText(const JvmReport& r) {
    std::string own = ownMachine();
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
    size_t number = 0, hidden = 0;
    for (const JvmCandidate& c : r.candidates) {
        if (!shown(c)) {
            ++hidden;
            continue;
        }
        const JvmVerdict& v = c.verdict;
        std::string line = "  " + std::to_string(++number) + ". " + c.where + " ";
        line += v.executable.empty() ? v.home : v.executable;
        line += ":";
        if (!v.version.empty()) line += " " + v.version;
        if (!c.machine.empty() && c.machine != own) line += " (" + c.machine + ")";
        line += v.accepted() ? " chosen" : " rejected: " + reasonText(c, r.criteria, own);
        out += line + "\n";
    }
    if (r.searched && number == 0) out += "  no JVM was found in any place the search looks in\n";
    if (hidden)
        out += "  (" + std::to_string(hidden) + (hidden == 1 ? " more place" : " more places") +
               " searched held no java program)\n";
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
        if (!shown(c)) continue;
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
           ",\"details\":" + jsonString(r.nextDetails) + "}}\n";
    return out;
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
    return report.found() ? 0 : 1;
}

}  // namespace qrl
