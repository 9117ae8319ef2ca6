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

bool readOutput(std::string_view file, std::vector<std::string>& lines) {
    lines.clear();
    return readLines(file, kLineLimit, [&](std::string& line) {
        lines.push_back(line);
        return lines.size() < kMaxOutputLines;
    });
}

}  // namespace

bool bannerVersion(std::string_view line, std::string& version) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    size_t nameStart = i;
    while (i < line.size() && !isBlank(line[i])) ++i;
    if (i == nameStart || i == line.size()) return false;
    while (i < line.size() && isBlank(line[i])) ++i;
    constexpr std::string_view kWord = "version";
    if (line.substr(i, kWord.size()) != kWord) return false;
    i += kWord.size();
    size_t blanks = i;
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == blanks || i == line.size() || line[i] != '"') return false;
    size_t close = line.find('"', i + 1);
    if (close == std::string_view::npos) return false;
    version = std::string(line.substr(i + 1, close - i - 1));
    return true;
}

std::string lineVersion(std::string_view line) {
    std::string version;
    if (bannerVersion(line, version)) return version;
    size_t first = 0;
    while (first < line.size() && !isDigit(line[first])) ++first;
    if (first == line.size()) return {};
    size_t last = line.size();
    while (!isDigit(line[last - 1])) --last;
    return std::string(line.substr(first, last - first));
}

std::string versionLine(const std::vector<std::string>& lines) {
    std::string version;
    for (const auto& line : lines)
        if (bannerVersion(line, version)) return line;
    return lines.empty() ? std::string() : lines.front();
}

JvmOk::JvmOk(Family family, Logs logs) : family_(family), rules_(rulesFor(family)), logs_(std::move(logs)) {}

bool JvmOk::verifyVersion(const JvmCriteria& criteria, std::string_view found) {
    if (tracesCriteria()) {
        logs_.trace("jvm version", found);
        logs_.trace("req version", criteria.required);
        logs_.trace("min version", criteria.minimum);
        logs_.trace("max version", criteria.maximum);
    }
    JvmReason reason = JvmReason::Accepted;
    if (!criteria.required.empty()) {
        if (compareWithBound(found, criteria.required) != 0) reason = JvmReason::NotRequired;
    } else if (compareWithBound(found, criteria.minimum) < 0) {
        reason = JvmReason::BelowMinimum;
    } else if (!criteria.maximum.empty() && compareWithBound(found, criteria.maximum) > 0) {
        reason = JvmReason::AboveMaximum;
    }
    bool ok = reason == JvmReason::Accepted;
    reason_ = ok || !found.empty() ? reason : JvmReason::NoVersion;
    found_ = std::string(found);
    logs_.trace("found jvm version:", found);
    if (tracesCriteria()) logs_.trace("       version ok", ok);
    return ok;
}

bool JvmOk::testLine(std::string_view line, const JvmCriteria& criteria) {
    return verifyVersion(criteria, lineVersion(line));
}

bool JvmOk::checkVersion(std::string_view file, const JvmCriteria& criteria) {
    std::vector<std::string> lines;
    if (!readOutput(file, lines)) {
        logs_.trace("Unable to verify version", file);
        reason_ = JvmReason::NoVersion;
        found_.clear();
        return false;
    }
    lastVersionLine_ = versionLine(lines);
    bool ok = testLine(lastVersionLine_, criteria);
    if (tracesCriteria()) logs_.trace("version checked ok", ok);
    return ok;
}

void JvmOk::countRun(std::chrono::steady_clock::time_point since) {
    if (!runs_) return;
    ++runs_->starts;
    runs_->runTime += std::chrono::steady_clock::now() - since;
}

bool JvmOk::alreadyTested(std::string_view exePath) {
    if (!runs_) return false;
    std::string real = platform::canonicalPath(std::string(exePath));
    if (real.empty()) return false;
    return !runs_->tested.insert(real).second;
}

bool JvmOk::probeStarted(std::string_view exePath, const std::string& answerDir) {
    std::string cwd = answerDir.empty() ? getCurrentDir(family_, 5000) : answerDir;
    auto since = std::chrono::steady_clock::now();
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        std::vector<std::string> argv{std::string(baseName(exePath, family_)), "-cp", ".", kProbeClass, cwd};
        platform::SpawnResult r = platform::spawn(std::string(exePath), argv);
        if (!r.started) {
            reason_ = JvmReason::ProbeNotStarted;
            why_ = r.why;
            logs_.error("Error running JVM: " + spawnErrorReason(r.why), false);
            logs_.reason(r.why);
            return false;
        }
        countRun(since);
        logs_.trace("test jvm launched ok", true);
        return true;
    }
    std::string command = shellQuote(exePath) + " -cp . " + kProbeClass + " " + shellQuote(cwd);
    logs_.trace("test jvm command:", command);
    platform::RunResult run = platform::runCommand({std::string(exePath), "-cp", ".", kProbeClass, cwd});
    bool started = run.started;
    if (!started) {
        reason_ = JvmReason::ProbeNotStarted;
        why_ = run.why;
        logs_.error("Error running JVM: " + spawnErrorReason(run.why), false);
    }
    if (started) countRun(since);
    logs_.trace("test jvm launched ok", started);
    return started;
}

bool JvmOk::testVersion(const JvmCriteria& criteria, std::string_view exePath) {
    if (!fexists(kProbeClassFile)) return true;
    logs_.trace("testing ", exePath);
    // The probe answers in a directory of this test's own (the current one
    // only when none can be made).
    ScratchDir scratch("qrlprobe");
    const std::string answer = scratch ? scratch.file(kProbeAnswerFile) : kProbeAnswerFile;
    platform::removeFile(answer);
    platform::setEnv("CLASSPATH", "");
    bool ok = probeStarted(exePath, scratch.path());
    if (ok) {
        bool answered = fexists(answer);
        ok = checkVersion(answer, criteria);
        if (ok) {
            logs_.trace("test jvm ok", true);
        } else {
            reason_ = answered ? JvmReason::ProbeVersion : JvmReason::ProbeNoAnswer;
            logs_.error("Jvm isn't installed properly.");
        }
    }
    platform::removeFile(answer);
    return ok;
}

bool JvmOk::correctVersion(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath) {
    std::string path(exePath);
    // A directory is never a JVM's executable, whatever the family.
    if (!fexists(path) || isDir(path)) return false;
    tested_ = true;
    reason_ = JvmReason::Accepted;
    found_.clear();
    runVersion_.clear();
    status_ = 0;
    why_ = {};
    if (alreadyTested(path)) {
        logs_.trace("jvm already tested:", path);
        reason_ = JvmReason::AlreadyTested;
        tell(path, false);
        return false;
    }
    bool ok = rules_.runsVersionCommand ? versionCommand(criteria, exeName, path) : testVersion(criteria, path);
    tell(path, ok);
    return ok;
}

void JvmOk::tell(std::string_view exePath, bool ok) {
    if (!observer_ || (ok && knownVersion_)) return;
    JvmVerdict v;
    v.home = home_;
    v.executable = std::string(exePath);
    v.version = knownVersion_ ? *knownVersion_ : !runVersion_.empty() ? runVersion_ : found_;
    v.reason = ok ? JvmReason::Accepted : reason_;
    v.status = status_;
    v.why = why_;
    if (v.reason == JvmReason::NoVersion) v.detail = lastVersionLine_;
    if (v.reason == JvmReason::ProbeVersion) v.detail = found_;
    tell(v);
}

void JvmOk::tell(const JvmVerdict& verdict) const {
    if (observer_) observer_->verdict(verdict);
}

bool JvmOk::versionCommand(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath) {
    logs_.trace("Testing jvm version:", exePath);
    logs_.trace("   redirecting stderr");
    // The banner is captured in a directory of this test's own (the current
    // one only when none can be made), so that tests in parallel and in a
    // directory no one may write in work alike.
    ScratchDir scratch("qrlvers");
    const std::string captureFile = scratch ? scratch.file(kVersionCaptureFile) : kVersionCaptureFile;
    platform::removeFile(captureFile);
    std::FILE* capture = platform::openFile(captureFile, "wt");
    if (!capture) {
        logs_.error("Unable to redirect stderr");
        if (rules_.showsCaptureFailure) {
            // The POSIX installer also puts this one in front of the user.
            platform::writeStdout("\nUnable to redirect stderr\n");
            platform::writeStderr("\nUnable to redirect stderr\n");
        }
        logs_.error("unable to start", exePath);
        reason_ = JvmReason::NotStarted;
        return false;
    }
    std::fclose(capture);

    // The words reach the JVM as they stand; no shell reads them.
    std::vector<std::string> argv{std::string(exePath)};
    if (exeName.substr(0, 4) == "java") argv.emplace_back("-version");
    auto since = std::chrono::steady_clock::now();
    platform::RunResult run = platform::runCommand(argv, captureFile);
    int result = run.started ? run.status : -1;
    bool started = run.started;
    if (started) countRun(since);
    status_ = result;
    logs_.trace("   result after issuing version command:", std::to_string(result));
    if (rules_.tracesVersionSteps) logs_.trace("   results ok:", started);
    logs_.trace("   resetting stderr");

    bool ok = false;
    bool versionOk = started && checkVersion(captureFile, criteria);
    runVersion_ = found_;
    if (!started) {
        reason_ = JvmReason::NotStarted;
        why_ = run.why;
        logs_.error("unable to start", exePath);
        logs_.error("  reason: " + spawnErrorReason(run.why));
    } else if (!versionOk) {
        logs_.trace("incorrect version of jvm found:", exePath);
        logs_.trace("jvm version reported:", lastVersionLine_);
    } else {
        ok = testVersion(criteria, exePath);
        if (rules_.tracesVersionSteps) {
            logs_.trace("version tested ok", ok);
            logs_.trace("jvm fullname:", exePath);
        }
    }
    platform::removeFile(captureFile);
    return ok;
}

bool JvmOk::jvmCorrectVersion(const JvmCriteria& criteria, std::string_view home, std::string& exeName,
                              std::string& exePath) {
    const std::string saved = exeName;
    home_ = std::string(home);
    tested_ = false;
    auto tryHome = [&] {
        std::string direct = joinPath(home, exeName, family_);
        std::string inBin = joinPath(home, {"bin", exeName}, family_);
        for (const std::string& path : {direct, inBin}) {
            exePath = path;
            if (correctVersion(criteria, exeName, path)) return true;
        }
        return false;
    };
    if (tryHome()) return true;
    if (exeName.substr(0, 3) == "jre") {
        if (rules_.commandNames == CommandNameRule::WindowsExe)
            exeName = logs_.tracing() ? "javaw.exe" : "java.exe";
        else
            exeName = "java";
        if (tryHome()) return true;
    }
    exeName = saved;
    if (!tested_) tell(JvmVerdict{std::string(home), {}, {}, JvmReason::NoExecutable, 0, {}, exePath});
    return false;
}

bool JvmOk::jvmCorrectVersion(const JvmCriteria& criteria, std::string_view knownVersion, std::string_view home,
                              std::string& exeName, std::string& exePath) {
    const std::string saved = exeName;
    knownVersion_ = std::string(knownVersion);
    bool found = jvmCorrectVersion(criteria, home, exeName, exePath);
    knownVersion_.reset();
    if (!found) {
        exeName = saved;
        return false;
    }
    bool ok = verifyVersion(criteria, knownVersion);
    JvmVerdict v{home_, exePath, std::string(knownVersion), ok ? JvmReason::Accepted : reason_, 0, {}, {}};
    tell(v);
    if (!ok) {
        logs_.trace("jvm doesn't meet criteria");
        exeName = saved;
        return false;
    }
    return true;
}

}  // namespace qrl
