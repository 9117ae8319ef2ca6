#include "jvm/jvmok.h"

#include "common/files.h"
#include "common/logfiles.h"
#include "common/paths.h"
#include "common/execcmd.h"
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
    bool ok = true;
    if (!criteria.required.empty()) {
        ok = compareWithBound(found, criteria.required) == 0;
    } else {
        if (compareWithBound(found, criteria.minimum) < 0) ok = false;
        if (ok && !criteria.maximum.empty() && compareWithBound(found, criteria.maximum) > 0) ok = false;
    }
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

bool JvmOk::probeStarted(std::string_view exePath) {
    std::string cwd = getCurrentDir(family_, 5000);
    auto since = std::chrono::steady_clock::now();
    if (rules_.commands == CommandStyle::WindowsSpawn) {
        std::vector<std::string> argv{std::string(baseName(exePath, family_)), "-cp", ".", kProbeClass, cwd};
        platform::SpawnResult r = platform::spawn(std::string(exePath), argv);
        if (!r.started) {
            logs_.error("Error running JVM: " + spawnErrorReason(r.error), false);
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
    if (!started) logs_.error("Error running JVM: " + spawnErrorReason(run.error), false);
    if (started) countRun(since);
    logs_.trace("test jvm launched ok", started);
    return started;
}

bool JvmOk::testVersion(const JvmCriteria& criteria, std::string_view exePath) {
    if (!fexists(kProbeClassFile)) return true;
    logs_.trace("testing ", exePath);
    platform::removeFile(kProbeAnswerFile);
    platform::setEnv("CLASSPATH", "");
    bool ok = probeStarted(exePath);
    if (ok) {
        ok = checkVersion(kProbeAnswerFile, criteria);
        if (ok)
            logs_.trace("test jvm ok", true);
        else
            logs_.error("Jvm isn't installed properly.");
    }
    platform::removeFile(kProbeAnswerFile);
    return ok;
}

bool JvmOk::correctVersion(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath) {
    std::string path(exePath);
    // A directory is never a JVM's executable, whatever the family.
    if (!fexists(path) || isDir(path)) return false;
    if (alreadyTested(path)) {
        logs_.trace("jvm already tested:", path);
        return false;
    }
    if (!rules_.runsVersionCommand) return testVersion(criteria, path);
    return versionCommand(criteria, exeName, path);
}

bool JvmOk::versionCommand(const JvmCriteria& criteria, std::string_view exeName, std::string_view exePath) {
    logs_.trace("Testing jvm version:", exePath);
    logs_.trace("   redirecting stderr");
    platform::removeFile(kVersionCaptureFile);
    std::FILE* capture = platform::openFile(kVersionCaptureFile, "wt");
    if (!capture) {
        logs_.error("Unable to redirect stderr");
        if (rules_.showsCaptureFailure) {
            // The POSIX installer also puts this one in front of the user.
            platform::writeStdout("\nUnable to redirect stderr\n");
            platform::writeStderr("\nUnable to redirect stderr\n");
        }
        logs_.error("unable to start", exePath);
        return false;
    }
    std::fclose(capture);

    // The words reach the JVM as they stand; no shell reads them.
    std::vector<std::string> argv{std::string(exePath)};
    if (exeName.substr(0, 4) == "java") argv.emplace_back("-version");
    auto since = std::chrono::steady_clock::now();
    platform::RunResult run = platform::runCommand(argv, kVersionCaptureFile);
    int result = run.started ? run.status : -1;
    bool started = run.started;
    if (started) countRun(since);
    logs_.trace("   result after issuing version command:", std::to_string(result));
    if (rules_.tracesVersionSteps) logs_.trace("   results ok:", started);
    logs_.trace("   resetting stderr");

    bool ok = false;
    if (!started) {
        logs_.error("unable to start", exePath);
        logs_.error("  reason: " + spawnErrorReason(run.error));
    } else if (!checkVersion(kVersionCaptureFile, criteria)) {
        logs_.trace("incorrect version of jvm found:", exePath);
        logs_.trace("jvm version reported:", lastVersionLine_);
    } else {
        ok = testVersion(criteria, exePath);
        if (rules_.tracesVersionSteps) {
            logs_.trace("version tested ok", ok);
            logs_.trace("jvm fullname:", exePath);
        }
    }
    platform::removeFile(kVersionCaptureFile);
    return ok;
}

bool JvmOk::jvmCorrectVersion(const JvmCriteria& criteria, std::string_view home, std::string& exeName,
                              std::string& exePath) {
    const std::string saved = exeName;
    auto tryHome = [&] {
        std::string direct = joinPath(home, exeName, family_);
        std::string inBin = joinPath(joinPath(home, "bin", family_), exeName, family_);
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
    return false;
}

bool JvmOk::jvmCorrectVersion(const JvmCriteria& criteria, std::string_view knownVersion, std::string_view home,
                              std::string& exeName, std::string& exePath) {
    const std::string saved = exeName;
    if (!jvmCorrectVersion(criteria, home, exeName, exePath)) {
        exeName = saved;
        return false;
    }
    if (!verifyVersion(criteria, knownVersion)) {
        logs_.trace("jvm doesn't meet criteria");
        exeName = saved;
        return false;
    }
    return true;
}

}  // namespace qrl
