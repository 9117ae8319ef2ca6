#include "installer/controlfile.h"

#include <cstdio>

#include "common/files.h"
#include "common/kept.h"
#include "common/logfiles.h"
#include "common/text.h"
#include "platform/fs.h"
#include "platform/safefile.h"

namespace qrl {
namespace {


// Which families read a key: all of them, those with a vendor installer
// (Windows, macOS) or those that start a graphical desktop (POSIX).
enum class KeyScope { All, Vendor, Gui };

struct Key {
    const char* name;
    std::string ControlSettings::*field;
    size_t capacity;
    KeyScope scope;
};

// In the order the keys are tested: a line sets the first key it begins with.
const Key kKeys[] = {
    {"jvmRequiredVersion", &ControlSettings::requiredVersion, 201, KeyScope::All},
    {"jvmMinVersion", &ControlSettings::minVersion, 201, KeyScope::All},
    {"jvmMaxVersion", &ControlSettings::maxVersion, 201, KeyScope::All},
    {"jvmVersion", &ControlSettings::jvmVersion, 201, KeyScope::All},
    {"jvmName", &ControlSettings::jvmName, 201, KeyScope::All},
    {"jvmCommandName", &ControlSettings::jvmCommandName, 5001, KeyScope::All},
    {"jvmExtraParameters", &ControlSettings::jvmExtraParameters, 5000, KeyScope::All},
    {"jvmClasspathSwitch", &ControlSettings::jvmClasspathSwitch, 1000, KeyScope::All},
    {"loaderJavaCommand", &ControlSettings::loaderJavaCommand, 5000, KeyScope::All},
    {"loaderClasspath", &ControlSettings::loaderClasspath, 5000, KeyScope::All},
    {"jvmInstallerType", &ControlSettings::jvmInstallerType, 5000, KeyScope::Vendor},
    {"jvmSelfExtractor", &ControlSettings::jvmSelfExtractor, 5000, KeyScope::All},
    {"jvmInstallerBinary", &ControlSettings::jvmInstallerBinary, 5000, KeyScope::Vendor},
    {"jvmInstallerCommand", &ControlSettings::jvmInstallerCommand, 5000, KeyScope::Vendor},
    {"predefinedJvmInstallDir", &ControlSettings::predefinedJvmInstallDir, 5000, KeyScope::All},
    {"jvmHomeDir", &ControlSettings::jvmHomeDir, 5001, KeyScope::All},
    {"systemSecurityPolicyFilename", &ControlSettings::systemSecurityPolicyFilename, 5001, KeyScope::All},
    {"userSecurityPolicyFilename", &ControlSettings::userSecurityPolicyFilename, 5001, KeyScope::All},
    {"keystoreFilename", &ControlSettings::keystoreFilename, 5001, KeyScope::All},
    {"appletUrl", &ControlSettings::appletUrl, 5000, KeyScope::All},
    {"startGuiCommand", &ControlSettings::startGuiCommand, 1000, KeyScope::Gui},
    {"checkGuiRunningCommand", &ControlSettings::checkGuiRunningCommand, 1000, KeyScope::Gui},
    {"searchForJvm", &ControlSettings::searchForJvm, 100, KeyScope::All},
    {"productName", &ControlSettings::productName, 201, KeyScope::All},
};

bool reads(const FamilyRules& rules, KeyScope scope) {
    return scope == KeyScope::All || (scope == KeyScope::Vendor ? rules.readsVendorKeys : rules.readsGuiKeys);
}

// The entry of the table that a line sets, nullptr when none.
const Key* findKey(const FamilyRules& rules, std::string_view line) {
    for (const Key& k : kKeys) {
        if (reads(rules, k.scope) && line.starts_with(k.name)) return &k;
    }
    return nullptr;
}

bool endsWithFirst(std::string_view s, std::string_view ending) {
    size_t at = s.find(ending);
    return at != std::string_view::npos && at + ending.size() == s.size();
}

}  // namespace

ControlFile::ControlFile(Family family, Logs logs, Progress& progress)
    : rules_(rulesFor(family)), logs_(std::move(logs)), status_(family, progress) {}

std::vector<ControlKey> ControlFile::keys(Family family) {
    std::vector<ControlKey> out;
    for (const Key& k : kKeys) out.push_back({k.name, k.capacity, reads(rulesFor(family), k.scope)});
    return out;
}

std::optional<ControlKey> ControlFile::keyOfLine(std::string_view line, Family family) {
    const Key* k = findKey(rulesFor(family), line);
    if (!k) return std::nullopt;
    return ControlKey{k->name, k->capacity, true};
}

std::string ControlFile::productNameIn(const std::string& dir, Family family) {
    std::string text;
    if (!readTextFile(platform::pathIn(dir, kControlFile), text, nullptr)) return {};
    ControlFile reader(family, Logs::none());
    ControlSettings settings;
    reader.status().setQuietMode(true);
    reader.parseText(settings, text);
    return settings.productName;
}

bool ControlFile::getParameters(ControlSettings& settings, std::string& controlFileName) {
    controlFileName = kControlFile;
    if (!convertLineEndings(controlFileName) || !parseParameters(settings, controlFileName)) return false;
    const char* exe = settings.jvmCommandName.c_str();
    if (!settings.requiredVersion.empty()) {
        logs_.trace(std::string("Valid version of ") + exe + ": " + settings.requiredVersion);
    } else {
        // A range without an upper end is open: "1.8 or later", not "1.8 through ".
        std::string range = settings.maxVersion.empty() ? settings.minVersion + " or later"
                                                        : settings.minVersion + " through " + settings.maxVersion;
        logs_.trace(std::string("Valid versions of ") + exe + ": " + range);
    }
    return true;
}

bool ControlFile::convertLineEndings(std::string_view name) {
    // Only a plain file of bounded size is read: a link to a device, a FIFO
    // or a huge file is refused at once, with the reason.
    std::string text, why;
    if (!readTextFile(name, text, &why)) {
        logs_.errorOnly("Unable to open qrl.control");
        logs_.errorOnly("  reason: " + why);
        // A file that is there but cannot be taken: the user is told why.
        bool present = platform::exists(std::string(name));
        status_.showError(present ? "Unable to open qrl.control: " + why : std::string("Unable to open qrl.control"));
        return false;
    }
    // The work file is this run's own: whatever holds its name (a link planted
    // in the kit, a leftover) goes first, and the new file is made exclusively.
    (void)platform::removeFile(kControlTemp);  // a name that stays fails the creation below
    platform::Result opened;
    std::FILE* out = platform::openForWrite(kControlTemp, platform::WriteMode::CreateNew, false, &opened);
    if (!out) {
        logs_.errorOnly("Unable to convert line endings for qrl.control");
        logs_.errorOnly("  reason: " + opened.text());
        status_.showError("Unable to convert line endings for qrl.control");
        return false;
    }
    std::string converted = convertedText(text);
    bool written = std::fwrite(converted.data(), 1, converted.size(), out) == converted.size();
    written = std::fclose(out) == 0 && written;
    // One rename replaces the file: the kit is never without its control file.
    if (!written || !platform::renameFile(kControlTemp, std::string(name))) {
        (void)platform::removeFile(kControlTemp);  // the failure is told below
        logs_.errorOnly("Unable to convert line endings for qrl.control");
        return false;
    }
    return true;
}

std::string ControlFile::convertedText(std::string_view text) const {
    std::string converted;
    converted.reserve(text.size());
    for (char c : text)
        if (c != '\r' && !(rules_.dropsByte255 && static_cast<unsigned char>(c) == 0xFF)) converted += c;
    return converted;
}

void ControlFile::eachLine(std::string_view convertedText, const std::function<void(std::string&, bool cut)>& each) {
    splitLines(convertedText, kControlLineLimit, [&](std::string& line, bool cut) {
        each(line, cut);
        return true;
    });
}

bool ControlFile::parseParameters(ControlSettings& settings, std::string_view name) {
    std::string text, why;
    if (!readTextFile(name, text, &why)) {
        clearParameters(settings);
        logs_.error("Unable to open file", name);
        logs_.error("  reason: " + why);
        status_.showError("Unable to open control file");
        return false;
    }
    return parseText(settings, text);
}

bool ControlFile::parseText(ControlSettings& settings, std::string_view text) {
    clearParameters(settings);
    eachLine(convertedText(text), [&](std::string& line, bool) { applyLine(line, settings); });
    return finishParameters(settings);
}

void ControlFile::clearParameters(ControlSettings& settings) {
    for (const Key& k : kKeys) settings.*k.field = "";
}

void ControlFile::applyLine(std::string_view line, ControlSettings& settings) {
    const Key* k = findKey(rules_, line);
    if (!k) return;
    std::string value = *prefixValue(line, k->name);
    if (value.size() > k->capacity - 1) value.resize(k->capacity - 1);
    settings.*k->field = value;
    if (rules_.tracesControlValues) logs_.trace(k->name, value);
}

bool ControlFile::finishParameters(ControlSettings& settings) {
    if (rules_.unescapesJvmSwitches && !settings.jvmExtraParameters.empty())
        settings.jvmExtraParameters = removeExtraBackSlashes(settings.jvmExtraParameters);
    if (!settings.predefinedJvmInstallDir.empty()) {
        settings.predefinedJvmInstallDir = unescapeInstallDir(settings.predefinedJvmInstallDir);
        if (rules_.tracesControlValues)
            logs_.trace("predefinedJvmInstallDir", settings.predefinedJvmInstallDir);
    }
    return verifyParameters(settings);
}

bool ControlFile::verifyParameters(ControlSettings& s) {
    if (s.loaderClasspath.empty()) {
        s.loaderClasspath = rules_.defaultClasspath;
    }
    if (s.requiredVersion.empty() && s.minVersion.empty()) {
        s.requiredVersion = !s.jvmVersion.empty() ? s.jvmVersion : rules_.defaultRequiredVersion;
    }
    if (s.jvmVersion.empty()) s.jvmVersion = s.requiredVersion;
    if (s.jvmName.empty()) s.jvmName = "JRE";
    if (s.jvmCommandName.empty()) s.jvmCommandName = rules_.defaultCommandName;
    s.jvmCommandName = normalizeCommandName(s.jvmCommandName);
    // A name that is only an extension (".exe" outside Windows) names no
    // program: the family's default stands instead.
    if (s.jvmCommandName.empty()) s.jvmCommandName = normalizeCommandName(rules_.defaultCommandName);
    return true;
}

bool ControlFile::isfilenameChar(char c) {
    return std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos;
}

std::string ControlFile::removeExtraBackSlashes(std::string_view value) {
    std::string s(value);
    logs_.trace("initial jvm switches for installer", s);
    bool haveNext = false;
    char next = 0;
    for (size_t i = s.size(); i-- > 0;) {
        if (s[i] == '\\' && haveNext && !isfilenameChar(next)) {
            logs_.trace("  before extra back slash removed", s);
            s.erase(i, 1);
            logs_.trace("  after extra back slash removed", s);
        }
        next = s[i];
        haveNext = true;
    }
    logs_.trace("final jvm switches for installer", s);
    return s;
}

std::string ControlFile::unescapeInstallDir(std::string_view value) const {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        bool escape = c == '\\' && i + 1 < value.size() && (value[i + 1] == ':' || value[i + 1] == '\\');
        if (rules_.windowsPaths) {
            if (escape) {
                char taken = value[++i];
                out += taken == '/' ? '\\' : taken;
            } else {
                out += c == '/' ? '\\' : c;
            }
        } else if (escape) {
            char taken = value[++i];
            out += taken == '\\' ? '/' : taken;
        } else {
            out += c;
        }
    }
    return out;
}

std::string ControlFile::normalizeCommandName(std::string_view name) const {
    std::string n = asciiLower(name);
    if (rules_.commandNames == CommandNameRule::WindowsExe) {
        if (!endsWithFirst(n, ".exe") && !endsWithFirst(n, ".bat") && !endsWithFirst(n, ".com")) {
            size_t dot = n.find('.');
            if (dot != std::string::npos) n.resize(dot);
            n += ".exe";
        }
        bool userTrace = logs_.tracing() && !pathExists(logs_.beside(kTraceSemaphore));
        if (!userTrace) {
            if (n.rfind("jre.exe", 0) == 0) n = "jrew.exe";
            else if (n.rfind("java.exe", 0) == 0) n = "javaw.exe";
        }
        return n;
    }
    bool cut = rules_.commandNames == CommandNameRule::CutAnyExtension
                   ? (n.find(".exe") != std::string::npos || n.find(".bat") != std::string::npos ||
                      n.find(".com") != std::string::npos)
                   : (endsWithFirst(n, ".exe") || endsWithFirst(n, ".bat") || endsWithFirst(n, ".com"));
    if (cut) n.resize(n.rfind('.'));
    if (n == "jrew") n = "jre";
    if (n == "javaw") n = "java";
    return n;
}

}  // namespace qrl
