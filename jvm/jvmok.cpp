#include "jvm/jvmok.h"

#include "common/files.h"
#include "common/logfiles.h"
#include "common/paths.h"
#include "common/execcmd.h"
#include "common/scratchdir.h"
#include "common/shellquote.h"
#include "jvm/version.h"
#include "platform/env.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace qrl {
namespace {

constexpr const char* kProbeClass = "TestJvm";
// A line of JVM output is read as fgets reads it into 1000 bytes.
constexpr size_t kLineLimit = 999;
// Banners stand within the first lines; a program that writes without end is
// not read without end.
constexpr size_t kMaxOutputLines = 1000;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::string> bannerVersion(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    size_t nameStart = i;
    while (i < line.size() && !isBlank(line[i])) ++i;
    if (i == nameStart || i == line.size()) return std::nullopt;
    while (i < line.size() && isBlank(line[i])) ++i;
    constexpr std::string_view kWord = "version";
    if (line.substr(i, kWord.size()) != kWord) return std::nullopt;
    i += kWord.size();
    size_t blanks = i;
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == blanks || i == line.size() || line[i] != '"') return std::nullopt;
    size_t close = line.find('"', i + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(line.substr(i + 1, close - i - 1));
}

std::string lineVersion(std::string_view line) {
    if (auto version = bannerVersion(line)) return *version;
    size_t first = 0;
    while (first < line.size() && !isDigit(line[first])) ++first;
    if (first == line.size()) return {};
    size_t last = line.size();
    while (!isDigit(line[last - 1])) --last;
    return std::string(line.substr(first, last - first));
}

std::string versionLine(const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        if (bannerVersion(line)) return line;
    return lines.empty() ? std::string() : lines.front();
}

std::optional<std::string> outputVersionLine(std::string_view file) {
    std::vector<std::string> lines;
    bool read = readLines(file, kLineLimit, [&](std::string& line) {
        lines.push_back(line);
        return lines.size() < kMaxOutputLines;
    });
    if (!read) return std::nullopt;
    return versionLine(lines);
}

JvmReason versionVerdict(const JvmCriteria& criteria, std::string_view found) {
    JvmReason reason = JvmReason::Accepted;
    if (!criteria.required.empty()) {
        if (compareWithBound(found, criteria.required) != 0) reason = JvmReason::NotRequired;
    } else if (compareWithBound(found, criteria.minimum) < 0) {
        reason = JvmReason::BelowMinimum;
    } else if (!criteria.maximum.empty() && compareWithBound(found, criteria.maximum) > 0) {
        reason = JvmReason::AboveMaximum;
    }
    return reason == JvmReason::Accepted || !found.empty() ? reason : JvmReason::NoVersion;
}

JvmTester::JvmTester(Family family, Logs logs, JvmRuns* runs, JvmObserver* observer)
    : family_(family), rules_(rulesFor(family)), logs_(std::move(logs)), runs_(runs), observer_(observer) {}

JvmReason JvmTester::verifyVersion(const JvmCriteria& criteria, std::string_view found) const {
    if (tracesCriteria()) {
        logs_.trace("jvm version", found);
        logs_.trace("req version", criteria.required);
        logs_.trace("min version", criteria.minimum);
        logs_.trace("max version", criteria.maximum);
    }
    JvmReason reason = versionVerdict(criteria, found);
    bool ok = reason == JvmReason::Accepted;
    logs_.trace("found jvm version:", found);
    if (tracesCriteria()) logs_.trace("       version ok", ok);
    return reason;
}

JvmTester::Reading JvmTester::checkVersion(std::string_view file, const JvmCriteria& criteria) const {
    Reading reading;
    auto line = outputVersionLine(file);
    if (!line) {
        logs_.trace("Unable to verify version", file);
        return reading;
    }
    reading.line = std::move(*line);
    reading.version = lineVersion(reading.line);
    reading.reason = verifyVersion(criteria, reading.version);
    if (tracesCriteria()) logs_.trace("version checked ok", reading.reason == JvmReason::Accepted);
    return reading;
}

void JvmTester::countRun(std::chrono::steady_clock::time_point since) const {
    if (!runs_) return;
    ++runs_->starts;
    runs_->runTime += std::chrono::steady_clock::now() - since;
}

bool JvmTester::alreadyTested(std::string_view exePath) const {
    if (!runs_) return false;
    std::string real = platform::canonicalPath(std::string(exePath));
    if (real.empty()) return false;
    return !runs_->tested.insert(real).second;
}

std::optional<platform::Result> JvmTester::startProbe(std::string_view exePath, const std::string& answerDir) const {
    std::string cwd = answerDir.empty() ? getCurrentDir(family_, 5000) : answerDir;
    auto since = std::chrono::steady_clock::now();
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        std::vector<std::string> argv{std::string(baseName(exePath, family_)), "-cp", ".", kProbeClass, cwd};
        platform::SpawnResult r = platform::spawn(std::string(exePath), argv);
        if (!r.started) {
            logs_.error("Error running JVM: " + spawnErrorReason(r.why), false);
            logs_.reason(r.why);
            return r.why;
        }
        countRun(since);
        logs_.trace("test jvm launched ok", true);
        return std::nullopt;
    }
    std::string command = shellQuote(exePath) + " -cp . " + kProbeClass + " " + shellQuote(cwd);
    logs_.trace("test jvm command:", command);
    platform::RunResult run = platform::runCommand({std::string(exePath), "-cp", ".", kProbeClass, cwd});
    if (!run.started) logs_.error("Error running JVM: " + spawnErrorReason(run.why), false);
    if (run.started) countRun(since);
    logs_.trace("test jvm launched ok", run.started);
    if (!run.started) return run.why;
    return std::nullopt;
}

JvmVerdict JvmTester::probe(JvmVerdict verdict, const JvmCriteria& criteria) const {
    if (!pathExists(kProbeClassFile)) return verdict;
    const std::string& exePath = verdict.executable;
    logs_.trace("testing ", exePath);
    // The probe answers in a directory of this test's own (the current one
    // only when none can be made).
    ScratchDir scratch("qrlprobe");
    const std::string answer = scratch ? scratch.file(kProbeAnswerFile) : kProbeAnswerFile;
    (void)platform::removeFile(answer);  // best effort: a scratch directory of its own holds none
    (void)platform::setEnv("CLASSPATH", "");  // fails only for want of memory
    if (auto failure = startProbe(exePath, scratch.path())) {
        verdict.reason = JvmReason::ProbeNotStarted;
        verdict.why = std::move(*failure);
    } else {
        bool answered = pathExists(answer);
        Reading reading = checkVersion(answer, criteria);
        // The version "-version" named stands; without it, the probe's.
        if (verdict.version.empty()) verdict.version = reading.version;
        if (reading.reason == JvmReason::Accepted) {
            logs_.trace("test jvm ok", true);
        } else {
            verdict.reason = answered ? JvmReason::ProbeVersion : JvmReason::ProbeNoAnswer;
            if (verdict.reason == JvmReason::ProbeVersion) verdict.detail = reading.version;
            logs_.error("Jvm isn't installed properly.");
        }
    }
    (void)platform::removeFile(answer);  // best effort: the scratch directory goes with it
    return verdict;
}

JvmVerdict JvmTester::testProgram(std::string_view exeName, std::string_view exePath,
                                  const JvmCriteria& criteria) const {
    JvmVerdict verdict;
    verdict.executable = std::string(exePath);
    verdict.name = std::string(exeName);
    if (alreadyTested(exePath)) {
        logs_.trace("jvm already tested:", exePath);
        verdict.reason = JvmReason::AlreadyTested;
        return verdict;
    }
    return rules_.runsVersionCommand ? versionCommand(std::move(verdict), criteria) : probe(std::move(verdict), criteria);
}

void JvmTester::tell(const JvmVerdict& verdict) const {
    if (observer_) observer_->verdict(verdict);
}

JvmVerdict JvmTester::versionCommand(JvmVerdict verdict, const JvmCriteria& criteria) const {
    const std::string exePath = verdict.executable;
    logs_.trace("Testing jvm version:", exePath);
    logs_.trace("   redirecting stderr");
    // The banner is captured in a directory of this test's own (the current
    // one only when none can be made), so that tests in parallel and in a
    // directory no one may write in work alike.
    ScratchDir scratch("qrlvers");
    const std::string captureFile = scratch ? scratch.file(kVersionCaptureFile) : kVersionCaptureFile;
    (void)platform::removeFile(captureFile);  // a file that stays is truncated below
    std::FILE* capture = platform::openFile(captureFile, "wt");
    if (!capture) {
        logs_.error("Unable to redirect stderr");
        if (rules_.showsCaptureFailure) {
            // The POSIX installer also puts this one in front of the user.
            platform::writeStdout("\nUnable to redirect stderr\n");
            platform::writeStderr("\nUnable to redirect stderr\n");
        }
        logs_.error("unable to start", exePath);
        verdict.reason = JvmReason::NotStarted;
        return verdict;
    }
    std::fclose(capture);

    // The words reach the JVM as they stand; no shell reads them.
    std::vector<std::string> argv{exePath};
    if (verdict.name.substr(0, 4) == "java") argv.emplace_back("-version");
    auto since = std::chrono::steady_clock::now();
    platform::RunResult run = platform::runCommand(argv, captureFile);
    int result = run.started ? run.status : -1;
    bool started = run.started;
    if (started) countRun(since);
    verdict.status = result;
    logs_.trace("   result after issuing version command:", std::to_string(result));
    if (rules_.tracesVersionSteps) logs_.trace("   results ok:", started);
    logs_.trace("   resetting stderr");

    if (!started) {
        verdict.reason = JvmReason::NotStarted;
        verdict.why = run.why;
        logs_.error("unable to start", exePath);
        logs_.error("  reason: " + spawnErrorReason(run.why));
    } else if (Reading reading = checkVersion(captureFile, criteria); reading.reason != JvmReason::Accepted) {
        verdict.reason = reading.reason;
        verdict.version = reading.version;
        if (reading.reason == JvmReason::NoVersion) verdict.detail = reading.line;
        logs_.trace("incorrect version of jvm found:", exePath);
        logs_.trace("jvm version reported:", reading.line);
    } else {
        verdict.version = reading.version;
        verdict = probe(std::move(verdict), criteria);
        if (rules_.tracesVersionSteps) {
            logs_.trace("version tested ok", verdict.accepted());
            logs_.trace("jvm fullname:", exePath);
        }
    }
    (void)platform::removeFile(captureFile);  // best effort: the scratch directory goes with it
    return verdict;
}

JvmVerdict JvmTester::testJvm(const JvmHome& candidate, const JvmCriteria& criteria) const {
    const std::string& home = candidate.home;
    bool tested = false;
    std::string lastPath;
    std::optional<JvmVerdict> last;
    auto tryName = [&](const std::string& name) {
        for (const std::string& path : {joinPath(home, name, family_), joinPath(home, {"bin", name}, family_)}) {
            lastPath = path;
            // A directory is never a JVM's executable, whatever the family.
            if (!pathExists(path) || isDir(path)) continue;
            tested = true;
            JvmVerdict v = testProgram(name, path, criteria);
            v.home = home;
            if (candidate.knownVersion) v.version = *candidate.knownVersion;
            // An acceptance waits while a known version is still to be verified.
            if (!(v.accepted() && candidate.knownVersion)) tell(v);
            last = std::move(v);
            if (last->accepted()) return true;
        }
        return false;
    };
    bool found = tryName(candidate.exeName);
    if (!found && candidate.exeName.substr(0, 3) == "jre") {
        if (rules_.commandNames == CommandNameRule::WindowsExe)
            found = tryName(logs_.tracing() ? "javaw.exe" : "java.exe");
        else
            found = tryName("java");
    }
    if (!tested) {
        JvmVerdict none{home, {}, {}, JvmReason::NoExecutable, 0, {}, lastPath, candidate.exeName};
        tell(none);
        return none;
    }
    JvmVerdict verdict = std::move(*last);
    if (found && candidate.knownVersion) {
        JvmReason reason = verifyVersion(criteria, *candidate.knownVersion);
        verdict = {home, verdict.executable, *candidate.knownVersion, reason, 0, {}, {}, verdict.name};
        tell(verdict);
        if (!verdict.accepted()) logs_.trace("jvm doesn't meet criteria");
    }
    if (!verdict.accepted()) verdict.name = candidate.exeName;
    return verdict;
}

}  // namespace qrl
