#include "installer/install.h"

#include <cstdio>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "installer/language.h"
#include "platform/encoding.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/osversion.h"
#include "platform/stopsignal.h"
#include "security/security.h"

namespace qrl {

std::string causesText(Family family) {
    std::string text =
        "Other possible causes for errors:\n"
        "    * Read/write access rights to the 'temp' and installation directories?\n"
        "    * OS need to be patched to run Java apps?\n"
        "    * Anti-virus software installed that won't permit unknonwn executable or JAR files to run?";
    if (rulesFor(family).asksAboutDisplay) text += "\n    * Does your system export the display?";
    return text;
}

std::string getStartDir() {
    std::string dir;
    readLines(kStartDirFile, 5000, [&](std::string& line) {
        dir = line;
        return false;
    });
    return trimRight(dir);
}

CommandLine parsePosixCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The argument after the switch is the details file whatever it holds
        // (a path like /srv/answers-quick.properties included); of the program
        // path only the file name counts, not the directories it lies in.
        bool takesDetails = i > 0 && cl.quiet && cl.details.empty();
        std::string_view tested = i == 0 ? std::string_view(arg).substr(arg.rfind('/') + 1) : std::string_view(arg);
        if (!takesDetails && tested.find("-q") != std::string_view::npos) {
            cl.quiet = true;
            continue;
        }
        if (takesDetails) cl.details = detailsArgument(args, i);
    }
    return cl;
}

std::string detailsArgument(const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    size_t quote = arg.find('"');
    if (quote == std::string::npos) return arg;
    std::string text = arg.substr(quote + 1);
    size_t close = text.find('"');
    if (close != std::string::npos) return text.substr(0, close);
    while (++i < args.size()) {
        size_t end = args[i].find('"');
        text += " " + args[i].substr(0, end);
        if (end != std::string::npos) break;
    }
    if (i >= args.size()) i = args.size() - 1;
    return text;
}

std::string escapeJavaProperty(std::string_view value) {
    std::string out;
    std::u16string units = platform::utf8ToUtf16(value);
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        if (c == u'\\') {
            out += "\\\\";
        } else if (c == u' ' && i == 0) {
            out += "\\ ";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c < 0x20 || c > 0x7E) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string unescapeJavaProperty(std::string_view line) {
    std::u16string out;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c != '\\') {
            // Plain bytes are taken as they are (ASCII, or UTF-8 written by hand).
            size_t start = i;
            while (i + 1 < line.size() && line[i + 1] != '\\') ++i;
            out += platform::utf8ToUtf16(line.substr(start, i - start + 1));
            continue;
        }
        if (i + 1 >= line.size()) break;
        char e = line[++i];
        if (e == 'u' && i + 4 < line.size()) {
            int v = 0;
            bool ok = true;
            for (size_t k = 1; ok && k <= 4; ++k) {
                int h = hex(line[i + k]);
                ok = h >= 0;
                v = v * 16 + h;
            }
            if (ok) {
                out += static_cast<char16_t>(v);
                i += 4;
                continue;
            }
        }
        out += e == 'n' ? u'\n' : e == 'r' ? u'\r' : e == 't' ? u'\t' : static_cast<char16_t>(static_cast<unsigned char>(e));
    }
    return platform::utf16ToUtf8(out);
}

std::string nativePropertiesText(Family family, std::string_view jvmHome, bool installed,
                                 std::string_view installDirText, bool configureRegistry) {
    const FamilyRules& rules = rulesFor(family);
    std::string home(jvmHome);
    if (rules.nativePropertiesSlashes)
        for (char& c : home)
            if (c == '\\') c = '/';
    std::string text = "nativeJvmHomeDir=" + escapeJavaProperty(home) + "\n";
    text += std::string("nativeJvmInstalled=") + (installed ? "true" : "false") + "\n";
    const std::string marker = "[$AppDir]";
    bool inTemp = rules.tempMarkerOnlyAtStart ? installDirText.substr(0, marker.size()) == marker
                                            : installDirText.find(marker) != std::string_view::npos;
    if (!installed) {
        text += "nativeJvmInstalledInTemp=false\n";
    } else if (!installDirText.empty()) {
        text += std::string("nativeJvmInstalledInTemp=") + (inTemp ? "true" : "false") + "\n";
    }
    text += std::string("configureWinRegistry=") + (configureRegistry ? "true" : "false") + "\n";
    return text;
}

Install::Install(Family family, SearchPlaces places, Logs logs)
    : family_(family), rules_(rulesFor(family)), places_(std::move(places)), logs_(std::move(logs)), status_(family) {}

std::string Install::workingDir() const { return getCurrentDir(family_); }

bool Install::getEnvironmentSetup() {
    if (!logs_.tracing()) {
        for (const std::string& name : {logs_.traceLog(), logs_.beside(kTraceSemaphore)}) {
            if (std::FILE* f = platform::openFile(name, "at")) std::fclose(f);
        }
    }
    return getHomeDirectory();
}

bool Install::getHomeDirectory() {
    if (rules_.homeIsWindowsDirectory) return getWindowsHomeDirectory();
    for (const char* name : {"home", "HOME", "Home"}) {
        if (auto v = platform::getEnv(name)) {
            homeDirectory_ = *v;
            return true;
        }
    }
    homeDirectory_ = workingDir();
    logs_.trace("home environment variable not set; using", homeDirectory_);
    return true;
}

bool Install::stopped() {
    int signal = platform::stopSignal();
    if (signal == 0) return false;
    if (errorMessage_.empty()) {
        // Told once: the run goes straight to its end.
        errorMessage_ = "The installation was stopped (signal " + std::to_string(signal) + ").";
        errorDetails_ = "Start the installer again to install the application.";
        logs_.error("installation stopped by signal", std::to_string(signal));
    }
    return true;
}

bool Install::getParams() {
    ControlFile params(family_, logs_);
    // A quiet run shows nothing, not even that the control file is missing.
    params.status().setQuietMode(status_.quietMode());
    kitRead_ = params.getParameters(settings_, controlFileName_);
    return kitRead_;
}

std::string Install::versionText() const {
    const ControlSettings& s = settings_;
    if (!s.requiredVersion.empty()) return s.requiredVersion;
    if (!s.maxVersion.empty()) return s.minVersion + " - " + s.maxVersion;
    return s.minVersion + " or a later version";
}

void Install::showStatusMessage(unsigned number) {
    if (quietInstall_ || propertiesInstall_) return;
    std::string text = progressText(family_, getLanguage(family_), number);
    if (rules_.progressOnTerminal) {
        status_.showStatus(text);
    } else {
        logs_.trace(text);
    }
}

bool Install::install(bool quiet, bool properties, std::string_view details) {
    if (rules_.installSequence == InstallSequence::WithRetry) return installWithRetry(quiet, properties, details);
    quietInstall_ = quiet;
    propertiesInstall_ = properties;
    status_.setQuietMode(quiet || properties);
    showStatusMessage(1);
    logs_.trace("");
    logs_.trace("Preparing Java install wizard");
    getEnvironmentSetup();
    errorMessage_.clear();
    errorDetails_.clear();

    const ControlSettings& s = settings_;
    bool ok = getParams();
    if (!ok) logs_.error("unable to get parameters");

    if (ok && !isJvmInstalled()) {
        if (stopped()) {
            ok = false;
        } else if (!s.jvmSelfExtractor.empty() && fexists(s.jvmSelfExtractor)) {
            logs_.trace("attempting to install jvm", versionText());
            ok = installTheJvm();
            if (!ok && !stopped()) installFailedTexts();
        } else if (!s.jvmSelfExtractor.empty()) {
            missingFileTexts(versionText());
            ok = false;
        } else {
            notFoundTexts(versionText());
            ok = false;
        }
    }
    if (ok) {
        // The security files follow every run that found or installed a JVM
        // (the Windows and macOS installers add them only to a JVM they put
        // in place); only the Java Plug-in cannot do without them.
        bool plugin = stricmp(s.jvmName, "Java Plug-in") == 0;
        if (!addSecurity(plugin) && plugin) {
            errorMessage_ = "Unable to add Java security files.";
            errorDetails_ = kDiskText;
            ok = false;
        }
    }
    if (ok) {
        ok = runJavaInstaller(details);
        if (!ok && !stopped()) {
            errorMessage_ = std::string("Unable to start the install wizard.\r\r") + kDiskText;
            errorDetails_ = causesText(family_);
        }
    }
    if (!ok) {
        if (errorMessage_.empty()) errorMessage_ = std::string("Unable to install application.\r\r") + kDiskText;
        if (errorDetails_.empty()) errorDetails_ = causesText(family_);
        nameTheLogs();
        logs_.error(errorMessage_);
        logs_.error(errorDetails_);
        // The terminal of the POSIX installer gets the message alone.
        status_.showError(errorMessage_, rules_.errors == ErrorDisplay::Terminal ? std::string_view() : errorDetails_);
    }
    cleanUp(ok);
    return ok;
}

bool Install::addSecurity(bool plugin) {
    const ControlSettings& s = settings_;
    Security security(family_, getLanguage(family_), logs_);
    if (rules_.userProfileKeystore) {
        bool winNT = (platform::windowsVersionWord() & 0x80000000UL) == 0;
        security.setLoginName([winNT] { return registryLoginName(winNT); });
    }
    return security.addSecurity(s.systemSecurityPolicyFilename, s.userSecurityPolicyFilename, s.keystoreFilename,
                                jvmHome_, homeDirectory_, plugin);
}

bool startProgram(Family family, bool quiet, bool properties, std::string_view details, bool* kitRead) {
    // The run's logs are those of the working directory it starts in, unless
    // that cannot take them.
    std::string cwd = platform::currentDir().value_or("");
    Install install(family, SearchPlaces::defaults(family), Logs::in(logsPlace(family, cwd, getStartDir())));
    bool ok = install.install(quiet, properties, details);
    if (kitRead) *kitRead = install.kitRead();
    return ok;
}

}  // namespace qrl
