#include "tests/jvm/standin.h"

#include <algorithm>
#include <filesystem>

#include "common/files.h"
#include "common/shellquote.h"
#include "platform/fs.h"
#include "tests/support/testutil.h"

namespace qrltest {

void makeDirs(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(std::u8string(
                                            reinterpret_cast<const char8_t*>(path.c_str()))),
                                        ec);
}

namespace {

std::string parentOf(const std::string& path) {
    size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? std::string(".") : path.substr(0, sep);
}

}  // namespace

void makeScriptJvm(const std::string& path, const StandIn& s) {
    makeDirs(parentOf(path));
    std::string log = qrl::shellQuote(s.startLog.empty() ? "/dev/null" : s.startLog);
    std::string script = "#!/bin/sh\n";
    script += "printf '%s\\n' \"$0 $*\" >> " + log + "\n";
    script += "if [ \"$1\" = -cp ] && [ \"$3\" = TestJvm ]; then\n";
    script += "  printf 'CLASSPATH=%s\\n' \"${CLASSPATH-<unset>}\" >> " + log + "\n";
    if (!s.probeAnswer.empty())
        script += "  printf '%s\\n' " + qrl::shellQuote(s.probeAnswer) + " > \"$4/jvmGood.txt\"\n";
    script += "  exit 0\nfi\n";
    // Shell built-ins only: the tests may run with an empty search path.
    script += "printf '%s\\n' " + qrl::shellQuote(s.stderrText) + " >&2\n";
    writeFile(path, script);
    ASSERT_TRUE(platform::setMode(path, 0755)) << path;
}

void makeJvm(const std::string& home, const std::string& version, const std::string& startLog) {
    makeScriptJvm(home + "/bin/java",
                  {"openjdk version \"" + version + "\" 2025-04-15\nOpenJDK Runtime Environment (build " + version +
                       ")",
                   version, startLog});
}

void copyFakeJava(const std::string& path, const std::string& version) {
    makeDirs(parentOf(path));
    ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), path)) << path;
    ASSERT_TRUE(platform::setMode(path, 0755)) << path;
    writeFile(parentOf(path) + (onWindows() ? "\\" : "/") + "fakejava.version", version + "\n");
}

std::vector<std::string> traceTails(const std::string& file) {
    std::vector<std::string> out;
    for (const auto& line : readLines(file)) out.push_back(line.size() > 25 ? line.substr(25) : std::string());
    return out;
}

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::vector<std::string> starts(const std::string& startLog) {
    std::vector<std::string> out;
    for (const auto& line : readLines(startLog))
        if (line.rfind("CLASSPATH=", 0) != 0) out.push_back(line);
    return out;
}

bool took(const std::optional<qrl::FoundJvm>& found, std::string& name, std::string& exe) {
    if (!found) return false;
    name = found->name;
    exe = found->executable;
    return true;
}

bool testHome(qrl::Family family, const qrl::JvmCriteria& criteria, const std::string& home, std::string& name,
              std::string& exe, std::optional<std::string> knownVersion) {
    qrl::JvmVerdict v = qrl::JvmTester(family, logsHere()).testJvm({home, name, std::move(knownVersion)}, criteria);
    name = v.name;
    if (v.accepted()) exe = v.executable;
    return v.accepted();
}

}  // namespace qrltest
