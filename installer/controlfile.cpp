#include "installer/controlfile.h"

#include <cstdio>

#include "common/files.h"
#include "common/text.h"
#include "platform/fs.h"

namespace qrl {
namespace {

constexpr const char* kTrace = "jinstall.log";
constexpr size_t kLineLimit = 998;

enum FamilyMask : unsigned { kWin = 1, kPosix = 2, kMac = 4, kAll = 7, kWinMac = kWin | kMac };

struct Key {
    const char* name;
    std::string ControlSettings::*field;
    size_t capacity;
    unsigned families;
};

// In the order the keys are tested: a line sets the first key it begins with.
const Key kKeys[] = {
    {"jvmRequiredVersion", &ControlSettings::requiredVersion, 201, kAll},
    {"jvmMinVersion", &ControlSettings::minVersion, 201, kAll},
    {"jvmMaxVersion", &ControlSettings::maxVersion, 201, kAll},
    {"jvmVersion", &ControlSettings::jvmVersion, 201, kAll},
    {"jvmName", &ControlSettings::jvmName, 201, kAll},
    {"jvmCommandName", &ControlSettings::jvmCommandName, 5001, kAll},
    {"jvmExtraParameters", &ControlSettings::jvmExtraParameters, 5000, kAll},
    {"jvmClasspathSwitch", &ControlSettings::jvmClasspathSwitch, 1000, kAll},
    {"loaderJavaCommand", &ControlSettings::loaderJavaCommand, 5000, kAll},
    {"loaderClasspath", &ControlSettings::loaderClasspath, 5000, kAll},
    {"jvmInstallerType", &ControlSettings::jvmInstallerType, 5000, kWinMac},
    {"jvmSelfExtractor", &ControlSettings::jvmSelfExtractor, 5000, kAll},
    {"jvmInstallerBinary", &ControlSettings::jvmInstallerBinary, 5000, kWinMac},
    {"jvmInstallerCommand", &ControlSettings::jvmInstallerCommand, 5000, kWinMac},
    {"predefinedJvmInstallDir", &ControlSettings::predefinedJvmInstallDir, 5000, kAll},
    {"jvmHomeDir", &ControlSettings::jvmHomeDir, 5001, kAll},
    {"systemSecurityPolicyFilename", &ControlSettings::systemSecurityPolicyFilename, 5001, kAll},
    {"userSecurityPolicyFilename", &ControlSettings::userSecurityPolicyFilename, 5001, kAll},
    {"keystoreFilename", &ControlSettings::keystoreFilename, 5001, kAll},
    {"appletUrl", &ControlSettings::appletUrl, 5000, kAll},
    {"startGuiCommand", &ControlSettings::startGuiCommand, 1000, kPosix},
    {"checkGuiRunningCommand", &ControlSettings::checkGuiRunningCommand, 1000, kPosix},
    {"searchForJvm", &ControlSettings::searchForJvm, 100, kAll},
};

unsigned maskOf(Family f) { return f == Family::Windows ? kWin : f == Family::Posix ? kPosix : kMac; }

bool endsWithFirst(std::string_view s, std::string_view ending) {
    size_t at = s.find(ending);
    return at != std::string_view::npos && at + ending.size() == s.size();
}

}  // namespace

ControlFile::ControlFile(Family family) : family_(family), status_(family) {}

bool ControlFile::getParameters(ControlSettings& settings, std::string& controlFileName) {
    controlFileName = kControlFile;
    if (!convertLineEndings(controlFileName) || !parseParameters(settings, controlFileName)) return false;
    const char* exe = settings.jvmCommandName.c_str();
    if (!settings.requiredVersion.empty()) {
        traceMessage(kTrace, std::string("Valid version of ") + exe + ": " + settings.requiredVersion);
    } else {
        traceMessage(kTrace, std::string("Valid versions of ") + exe + ": " + settings.minVersion + " through " +
                                 settings.maxVersion);
    }
    return true;
}

bool ControlFile::convertLineEndings(std::string_view name) {
    std::FILE* in = platform::openFile(std::string(name), "rb");
    if (!in) {
        logMessage("errors.log", "Unable to open qrl.control");
        status_.showError("Unable to open qrl.control");
        return false;
    }
    std::FILE* out = platform::openFile(kControlTemp, "wb");
    if (!out) {
        std::fclose(in);
        logMessage("errors.log", "Unable to convert line endings for qrl.control");
        status_.showError("Unable to convert line endings for qrl.control");
        return false;
    }
    int c = 0;
    bool dropFF = family_ == Family::Posix;
    while ((c = std::fgetc(in)) != EOF) {
        if (c == '\r' || (dropFF && c == 0xFF)) continue;
        std::fputc(c, out);
    }
    std::fclose(in);
    bool written = std::fclose(out) == 0;
    // One rename replaces the file: the kit is never without its control file.
    if (!written || !platform::renameFile(kControlTemp, std::string(name))) {
        platform::removeFile(kControlTemp);
        logMessage("errors.log", "Unable to convert line endings for qrl.control");
        return false;
    }
    return true;
}

bool ControlFile::parseParameters(ControlSettings& settings, std::string_view name) {
    unsigned mask = maskOf(family_);
    for (const Key& k : kKeys) settings.*k.field = "";
    bool opened = readLines(name, kLineLimit, [&](std::string& line) {
        for (const Key& k : kKeys) {
            if (!(k.families & mask)) continue;
            auto found = prefixValue(line, k.name);
            if (!found) continue;
            std::string value = *found;
            if (value.size() > k.capacity - 1) value.resize(k.capacity - 1);
            settings.*k.field = value;
            if (family_ != Family::Posix) traceMessage(kTrace, k.name, value);
            break;
        }
        return true;
    });
    if (!opened) {
        logAndTraceMessage("errors.log", kTrace, "Unable to open file", name);
        status_.showError("Unable to open control file");
        return false;
    }
    if (family_ != Family::Posix && !settings.jvmExtraParameters.empty())
        settings.jvmExtraParameters = removeExtraBackSlashes(settings.jvmExtraParameters);
    if (!settings.predefinedJvmInstallDir.empty()) {
        settings.predefinedJvmInstallDir = unescapeInstallDir(settings.predefinedJvmInstallDir);
        if (family_ != Family::Posix)
            traceMessage(kTrace, "predefinedJvmInstallDir", settings.predefinedJvmInstallDir);
    }
    return verifyParameters(settings);
}

bool ControlFile::verifyParameters(ControlSettings& s) {
    if (s.loaderClasspath.empty()) {
        s.loaderClasspath = family_ == Family::Windows ? ".;install.jar"
                            : family_ == Family::Posix ? ".:install.jar:swingall.jar"
                                                       : ".:install.jar";
    }
    if (s.requiredVersion.empty() && s.minVersion.empty()) {
        s.requiredVersion = !s.jvmVersion.empty() ? s.jvmVersion : family_ == Family::Posix ? "1.1.8" : "1.4";
    }
    if (s.jvmVersion.empty()) s.jvmVersion = s.requiredVersion;
    if (s.jvmName.empty()) s.jvmName = "JRE";
    if (s.jvmCommandName.empty()) s.jvmCommandName = family_ == Family::Windows ? "jre.exe" : "jre";
    s.jvmCommandName = normalizeCommandName(s.jvmCommandName);
    return true;
}

bool ControlFile::isfilenameChar(char c) {
    return std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos;
}

std::string ControlFile::removeExtraBackSlashes(std::string_view value) {
    std::string s(value);
    traceMessage(kTrace, "initial jvm switches for installer", s);
    bool haveNext = false;
    char next = 0;
    for (size_t i = s.size(); i-- > 0;) {
        if (s[i] == '\\' && haveNext && !isfilenameChar(next)) {
            traceMessage(kTrace, "  before extra back slash removed", s);
            s.erase(i, 1);
            traceMessage(kTrace, "  after extra back slash removed", s);
        }
        next = s[i];
        haveNext = true;
    }
    traceMessage(kTrace, "final jvm switches for installer", s);
    return s;
}

std::string ControlFile::unescapeInstallDir(std::string_view value) const {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        bool escape = c == '\\' && i + 1 < value.size() && (value[i + 1] == ':' || value[i + 1] == '\\');
        if (family_ == Family::Windows) {
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
    std::string n = strlwr(name);
    if (family_ == Family::Windows) {
        if (!endsWithFirst(n, ".exe") && !endsWithFirst(n, ".bat") && !endsWithFirst(n, ".com")) {
            size_t dot = n.find('.');
            if (dot != std::string::npos) n.resize(dot);
            n += ".exe";
        }
        bool userTrace = fexists("jinstall.log") && !fexists("jinstall.sem");
        if (!userTrace) {
            if (n.rfind("jre.exe", 0) == 0) n = "jrew.exe";
            else if (n.rfind("java.exe", 0) == 0) n = "javaw.exe";
        }
        return n;
    }
    bool cut = family_ == Family::Posix
                   ? (n.find(".exe") != std::string::npos || n.find(".bat") != std::string::npos ||
                      n.find(".com") != std::string::npos)
                   : (endsWithFirst(n, ".exe") || endsWithFirst(n, ".bat") || endsWithFirst(n, ".com"));
    if (cut) n.resize(n.rfind('.'));
    if (n == "jrew") n = "jre";
    if (n == "javaw") n = "java";
    return n;
}

}  // namespace qrl
