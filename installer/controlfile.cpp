#include "installer/controlfile.h"

#include <cstdio>

#include "common/files.h"
#include "common/paths.h"
#include "common/kept.h"
#include "common/logfiles.h"
#include "common/text.h"
#include "platform/encoding.h"
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

}  // namespace

// How "jvmCommandName" becomes the launcher's file name.
enum class CommandNameRule {
    WindowsExe,         // ".exe" (or .bat/.com) ending; windowed launchers unless the user traces
    CutAnyExtension,    // ".exe"/".bat"/".com" anywhere cuts at the last dot (POSIX)
    CutFinalExtension,  // only a final ".exe"/".bat"/".com" is cut (macOS)
};

// How each family reads "qrl.control".
struct ControlFilePolicy {
    bool readsVendorKeys;       // jvmInstallerType, jvmInstallerBinary, jvmInstallerCommand
    bool readsGuiKeys;          // startGuiCommand, checkGuiRunningCommand
    bool dropsByte255;          // the line-end conversion also drops the byte 255
    bool tracesValues;          // every key is traced as it is read
    bool unescapesJvmSwitches;  // jvmExtraParameters loses backslashes before non-file-name characters
    const char* defaultClasspath;
    const char* defaultRequiredVersion;  // when neither a required nor a minimum version is given
    const char* defaultCommandName;
    CommandNameRule commandNames;
};

namespace {

const ControlFilePolicy& controlFilePolicy(Family family) {
    static const ControlFilePolicy windows{.readsVendorKeys = true,
                                           .readsGuiKeys = false,
                                           .dropsByte255 = false,
                                           .tracesValues = true,
                                           .unescapesJvmSwitches = true,
                                           .defaultClasspath = ".;install.jar",
                                           .defaultRequiredVersion = "1.4",
                                           .defaultCommandName = "jre.exe",
                                           .commandNames = CommandNameRule::WindowsExe};
    static const ControlFilePolicy posix{.readsVendorKeys = false,
                                         .readsGuiKeys = true,
                                         .dropsByte255 = true,
                                         .tracesValues = false,
                                         .unescapesJvmSwitches = false,
                                         .defaultClasspath = ".:install.jar:swingall.jar",
                                         .defaultRequiredVersion = "1.1.8",
                                         .defaultCommandName = "jre",
                                         .commandNames = CommandNameRule::CutAnyExtension};
    // The macOS installer takes the Windows installer's keys and defaults.
    static const ControlFilePolicy mac{.readsVendorKeys = true,
                                       .readsGuiKeys = false,
                                       .dropsByte255 = false,
                                       .tracesValues = true,
                                       .unescapesJvmSwitches = true,
                                       .defaultClasspath = ".:install.jar",
                                       .defaultRequiredVersion = "1.4",
                                       .defaultCommandName = "jre",
                                       .commandNames = CommandNameRule::CutFinalExtension};
    return byFamily(family, windows, posix, mac);
}

bool reads(const ControlFilePolicy& policy, KeyScope scope) {
    return scope == KeyScope::All || (scope == KeyScope::Vendor ? policy.readsVendorKeys : policy.readsGuiKeys);
}

// The entry of the table that a line sets, nullptr when none.
const Key* findKey(const ControlFilePolicy& policy, std::string_view line) {
    for (const Key& k : kKeys) {
        if (reads(policy, k.scope) && line.starts_with(k.name)) return &k;
    }
    return nullptr;
}

bool endsWithFirst(std::string_view s, std::string_view ending) {
    size_t at = s.find(ending);
    return at != std::string_view::npos && at + ending.size() == s.size();
}

}  // namespace

ControlFile::ControlFile(Family family, Logs logs, Progress& progress)
    : family_(family), policy_(controlFilePolicy(family)), logs_(std::move(logs)), status_(family, progress) {}

std::vector<ControlKey> ControlFile::keys(Family family) {
    std::vector<ControlKey> out;
    for (const Key& k : kKeys) out.push_back({k.name, k.capacity, reads(controlFilePolicy(family), k.scope)});
    return out;
}

std::optional<ControlKey> ControlFile::keyOfLine(std::string_view line, Family family) {
    const Key* k = findKey(controlFilePolicy(family), line);
    if (!k) return std::nullopt;
    return ControlKey{k->name, k->capacity, true};
}

bool ControlFile::readsVendorKeys(Family family) { return controlFilePolicy(family).readsVendorKeys; }

const char* ControlFile::defaultRequiredVersion(Family family) {
    return controlFilePolicy(family).defaultRequiredVersion;
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
        if (c != '\r' && !(policy_.dropsByte255 && static_cast<unsigned char>(c) == 0xFF)) converted += c;
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
    const Key* k = findKey(policy_, line);
    if (!k) return;
    std::string value = *prefixValue(line, k->name);
    if (value.size() > k->capacity - 1) value.resize(k->capacity - 1);
    settings.*k->field = value;
    if (policy_.tracesValues) logs_.trace(k->name, value);
}

bool ControlFile::finishParameters(ControlSettings& settings) {
    if (policy_.unescapesJvmSwitches && !settings.jvmExtraParameters.empty())
        settings.jvmExtraParameters = removeExtraBackSlashes(settings.jvmExtraParameters);
    if (!settings.predefinedJvmInstallDir.empty()) {
        settings.predefinedJvmInstallDir = unescapeInstallDir(settings.predefinedJvmInstallDir);
        if (policy_.tracesValues)
            logs_.trace("predefinedJvmInstallDir", settings.predefinedJvmInstallDir);
    }
    return verifyParameters(settings);
}

bool ControlFile::verifyParameters(ControlSettings& s) {
    if (s.loaderClasspath.empty()) {
        s.loaderClasspath = policy_.defaultClasspath;
    }
    if (s.requiredVersion.empty() && s.minVersion.empty()) {
        s.requiredVersion = !s.jvmVersion.empty() ? s.jvmVersion : policy_.defaultRequiredVersion;
    }
    if (s.jvmVersion.empty()) s.jvmVersion = s.requiredVersion;
    if (s.jvmName.empty()) s.jvmName = "JRE";
    if (s.jvmCommandName.empty()) s.jvmCommandName = policy_.defaultCommandName;
    s.jvmCommandName = normalizeCommandName(s.jvmCommandName);
    // A name that is only an extension (".exe" outside Windows) names no
    // program: the family's default stands instead.
    if (s.jvmCommandName.empty()) s.jvmCommandName = normalizeCommandName(policy_.defaultCommandName);
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
        if (hasWindowsPaths(family_)) {
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
    std::string n = platform::asciiLower(name);
    if (policy_.commandNames == CommandNameRule::WindowsExe) {
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
    bool cut = policy_.commandNames == CommandNameRule::CutAnyExtension
                   ? (n.find(".exe") != std::string::npos || n.find(".bat") != std::string::npos ||
                      n.find(".com") != std::string::npos)
                   : (endsWithFirst(n, ".exe") || endsWithFirst(n, ".bat") || endsWithFirst(n, ".com"));
    if (cut) n.resize(n.rfind('.'));
    if (n == "jrew") n = "jre";
    if (n == "javaw") n = "java";
    return n;
}

}  // namespace qrl
