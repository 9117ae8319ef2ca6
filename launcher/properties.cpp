#include "launcher/properties.h"

#include <array>

#include "common/files.h"
#include "common/familyrules.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/encoding.h"

namespace qrl {
namespace {

// A text in double quotes without them (cut at the closing quote); other text unchanged.
std::string unquoted(std::string_view text) {
    if (text.empty() || text.front() != '"') return std::string(text);
    std::string_view inner = text.substr(1);
    size_t close = inner.find('"');
    return std::string(close == std::string_view::npos ? inner : inner.substr(0, close));
}

// A relative executable is the program directory's, never the current
// directory's: a launcher started from a download folder must not run what
// lies there. A leading double quote stays in front.
std::string besideProgram(const std::string& executable, const std::string& programDir, Family family) {
    bool quoted = !executable.empty() && executable.front() == '"';
    std::string_view path = std::string_view(executable).substr(quoted ? 1 : 0);
    bool windows = rulesFor(family).windowsPaths;
    bool anchored = !path.empty() && (isSeparator(family, path[0]) || (windows && path.size() > 1 && path[1] == ':'));
    if (path.empty() || anchored || programDir.empty()) return executable;
    return (quoted ? "\"" : "") + joinPath(programDir, path, family);
}

std::string cut(std::string_view value, size_t capacity) {
    return std::string(value.substr(0, std::min(value.size(), capacity)));
}

}  // namespace

bool LaunchSettings::allowsUserOptions() const {
    std::string value = LauncherProperties::trimTrailingSpace(userJvmOptions);
    size_t start = value.find_first_not_of(' ');
    return start != std::string::npos && equalsIgnoreCase(std::string_view(value).substr(start), "true");
}

LauncherProperties::LauncherProperties(Family family, Logs logs, JvmFinder finder)
    : family_(family), logs_(std::move(logs)), finder_(std::move(finder)) {}

std::string LauncherProperties::unescape(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') {
            if (++i >= line.size()) break;
        }
        out += line[i];
    }
    return out;
}

std::string LauncherProperties::escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

const std::vector<std::string_view>& LauncherProperties::keys() {
    static const std::vector<std::string_view> names{"programName",   "execFilename",  "args",    "jvmRequiredVersion",
                                                     "jvmMaxVersion", "jvmMinVersion", "startDir",
                                                     "userJvmOptions"};
    return names;
}

std::string_view LauncherProperties::keyOfLine(std::string_view unescapedLine) {
    for (std::string_view key : keys())
        if (unescapedLine.starts_with(key)) return key;
    return {};
}

std::string LauncherProperties::trimTrailingSpace(std::string_view s) {
    size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ') --end;
    return std::string(s.substr(0, end));
}

bool LauncherProperties::getPropertiesFilename(std::string_view programPath, std::string& programDir) {
    if (programPath.empty()) return false;
    logs_.trace("Full program path", programPath);
    std::string path = unquoted(programPath);
    if (path.empty()) {
        logs_.trace("unable to contruct the properties filename");
        return false;
    }
    size_t sep = lastSeparator(path, family_);
    programDir = sep == std::string::npos ? "." : path.substr(0, sep);
    if (programDir == ".") programDir = getCurrentDir(family_);
    logs_.trace("Program dir", programDir);
    programDir_ = programDir;
    std::string base = sep == std::string::npos ? path : path.substr(sep + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.resize(dot);
    logs_.trace("Filename", base);
    propertiesFile_ = joinPath(programDir, {"Quarlan", base + ".properties"}, family_);
    logs_.trace("Properties filename", propertiesFile_);
    return true;
}

void LauncherProperties::parseLine(std::string_view raw, LaunchSettings& settings) const {
    std::string_view line = raw.substr(0, std::min(raw.find('\r'), raw.find('\n')));
    logs_.trace("original line", line);
    std::string text = unescape(line);
    logs_.trace("unescaped line", text);

    struct Field {
        std::string_view name;
        std::string* value;
        size_t capacity;
        std::string_view label;
    };
    const std::array<Field, 8> fields{{
        {"programName", &settings.programName, kPropNameCapacity, "programName:"},
        {"execFilename", &settings.executable, kPropNameCapacity, "executable:"},
        {"args", &settings.arguments, kPropArgsCapacity, "args:"},
        {"jvmRequiredVersion", &settings.criteria.required, kPropVersionCapacity, "jvmRequiredVersionField:"},
        {"jvmMaxVersion", &settings.criteria.maximum, kPropVersionCapacity, "jvmMaxVersionField:"},
        {"jvmMinVersion", &settings.criteria.minimum, kPropVersionCapacity, "jvmMinVersionField:"},
        {"startDir", &settings.workingDir, kPropArgsCapacity, "workingDirField:"},
        {"userJvmOptions", &settings.userJvmOptions, kPropVersionCapacity, "userJvmOptions:"},
    }};
    std::string_view key = keyOfLine(text);
    for (const Field& field : fields) {
        if (key.empty() || field.name != key) continue;
        // The character after the key is the separator, whatever it is.
        std::string_view value = text.size() > key.size() ? std::string_view(text).substr(key.size() + 1)
                                                          : std::string_view();
        if (field.value == &settings.workingDir) logs_.trace("full workingDir line:", text);
        *field.value = cut(value, field.capacity);
        logs_.trace(field.label, *field.value);
        return;
    }
}

void LauncherProperties::eachLine(std::string_view text, const std::function<void(std::string& line, bool cut)>& each) {
    splitLines(withLineFeeds(text), kPropLineLimit, [&](std::string& line, bool cut) {
        // Text is UTF-8 here; a file written in a legacy 8-bit code page
        // (what Java's Properties writes) is read as ISO 8859-1.
        if (!platform::isValidUtf8(line)) line = platform::latin1ToUtf8(line);
        each(line, cut);
        return true;
    });
}

void LauncherProperties::parseText(std::string_view text, LaunchSettings& settings) const {
    eachLine(text, [&](std::string& line, bool) { parseLine(line, settings); });
}

bool LauncherProperties::parseParameters(LaunchSettings& settings) {
    settings.programName.clear();
    settings.executable.clear();
    settings.arguments.clear();
    settings.userJvmOptions.clear();
    // Only a plain file of bounded size: a FIFO or a link to a device is
    // refused at once instead of being waited for or read for ever.
    std::string text, why;
    if (!readTextFile(propertiesFile_, text, &why)) {
        logs_.error("Unable to open file", propertiesFile_);
        logs_.error("  reason: " + why);
        logs_.trace("parsed parameters ok", false);
        return false;
    }
    parseText(text, settings);
    settings.executable = besideProgram(settings.executable, programDir_, family_);
    if (!pathExists(settings.executable)) {
        logs_.trace("exec doesn't exist:", settings.executable);
        if (settings.executable.find("java") != std::string::npos ||
            settings.executable.find("jre") != std::string::npos) {
            logs_.trace("looking for another version");
            settings.noJvmReason = getGoodJre(settings.executable, settings.criteria);
        }
    }
    if (!settings.executable.empty() && settings.executable.front() == '"') {
        settings.executable = unquoted(settings.executable);
        logs_.trace("stripped executable:", settings.executable);
    }
    logs_.trace("parsed parameters ok", true);
    return true;
}

std::string LauncherProperties::getGoodJre(std::string& executable, const JvmCriteria& criteria) {
    if (!finder_) return {};
    JvmSearchAnswer answer = finder_(criteria);
    if (answer.exePath.empty()) return answer.nearestMiss;
    const std::string& found = answer.exePath;
    if (pathExists(found)) {
        logs_.trace("found new jre:", found);
        logs_.trace("old jre", executable);
        // The program as configured (javaw.exe, java.exe, java), taken from the
        // new JVM's directory. A quoted executable is judged without its quotes.
        std::string old = unquoted(executable);
        size_t oldSep = lastSeparator(old, family_);
        size_t newSep = lastSeparator(found, family_);
        if (oldSep != std::string::npos && newSep != std::string::npos) {
            std::string fileName = old.substr(oldSep);
            logs_.trace("executable", fileName);
            executable = cut(found.substr(0, newSep) + fileName, kPropNameCapacity);
        } else {
            executable = cut(found, kPropNameCapacity);
        }
    }
    logs_.trace("new jre exec:", executable);
    return {};
}

bool LauncherProperties::getParameters(std::string_view programPath, LaunchSettings& settings) {
    std::string programDir;
    if (!getPropertiesFilename(programPath, programDir)) return false;
    settings.workingDir = programDir;
    if (!parseParameters(settings)) return false;
    logs_.trace("Program name", settings.programName);
    logs_.trace("Executable", settings.executable);
    logs_.trace("Original arguments", settings.arguments);
    logs_.trace("Program dir", programDir);
    logs_.trace("Working dir", settings.workingDir);
    return true;
}

}  // namespace qrl
