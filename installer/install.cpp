#include "installer/install.h"
#include "installer/commandline.h"
#include "installer/kitdir.h"
#include "installer/nativeproperties.h"
#include "installer/startdir.h"

#include <cstdio>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/workdirs.h"
#include "installer/language.h"
#include "platform/codepage.h"
#include "platform/encoding.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/fs.h"
#include "platform/osversion.h"
#include "platform/stopsignal.h"

namespace qrl {

std::string causesText(Family family) {
    std::string text =
        "Other possible causes for errors:\n"
        "    * Read/write access rights to the 'temp' and installation directories?\n"
        "    * OS need to be patched to run Java apps?\n"
        "    * Anti-virus software installed that won't permit unknown executable or JAR files to run?";
    if (rulesFor(family).asksAboutDisplay) text += "\n    * Does your system export the display?";
    return text;
}

namespace {

// The text of "startdir.txt" as UTF-8, whichever writer made it: a byte order
// mark says UTF-8 or UTF-16 (PowerShell's ">" and Notepad's "Unicode"); other
// bytes that are not UTF-8 are the system's code page (cmd's echo, Notepad's
// "ANSI").
std::string decodeStartDirFile(std::string_view bytes) {
    auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    const bool little = startsWith("\xFF\xFE"), big = startsWith("\xFE\xFF");
    if (little || big) {
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned char lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
            unsigned char hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
            units += static_cast<char16_t>(lo | (hi << 8));
        }
        return platform::utf16ToUtf8(units);
    }
    if (platform::isValidUtf8(bytes)) return std::string(bytes);
    return platform::systemCodePageToUtf8(bytes);
}

}  // namespace

std::string startDirLine(std::string_view fileBytes) {
    std::string text = decodeStartDirFile(fileBytes);
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();  // CR LF
    // At most 5000 characters of the line, never half a letter.
    if (line.size() > 5000) {
        size_t cut = 5000;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line.resize(cut);
    }
    return line;
}

std::string getStartDir() {
    std::string bytes;
    if (!readTextFile(kStartDirFile, bytes)) return {};
    std::string line = startDirLine(bytes);
    // Blanks an editor or "echo dir > startdir.txt" left at the end are not
    // part of the name, unless only the name with them is a folder.
    std::string trimmed = trimRight(line);
    if (trimmed != line && !isDir(trimmed) && isDir(line)) return line;
    return trimmed;
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

InstallRun::InstallRun(Family family, Logs logs, Progress& progress)
    : family(family), rules(rulesFor(family)), logs(std::move(logs)), progress(progress), status(family, progress) {}

bool InstallRun::findHomeDirectory() {
    if (rules.homeIsWindowsDirectory) return findWindowsDirectory();
    for (const char* name : {"home", "HOME", "Home"}) {
        if (auto v = platform::getEnv(name)) {
            homeDirectory = *v;
            return true;
        }
    }
    homeDirectory = getCurrentDir(family);
    logs.trace("home environment variable not set; using", homeDirectory);
    return true;
}

bool InstallRun::findWindowsDirectory() {
    homeDirectory.clear();
    if (auto dir = platform::windowsDirectory()) {
        homeDirectory = dir->path;
        // A directory a test names comes from no registry value.
        if (!dir->source.empty()) logs.trace("got home directory from " + dir->source);
        logs.trace("home directory", homeDirectory);
        return true;
    }
    logs.trace("unable to get windows directory from registry");
    if (auto path = getPathPtr()) {
        for (const auto& element : splitList(*path, ';')) {
            std::string lower = strlwr(element);
            if (lower.size() >= 5 && lower.compare(lower.size() - 5, 5, "winnt") == 0) {
                homeDirectory = lower;
                logs.trace("home directory", homeDirectory);
                return true;
            }
        }
    }
    if (isDir("c:\\winnt")) {
        homeDirectory = "c:\\winnt";
        logs.trace("home directory", homeDirectory);
        return true;
    }
    homeDirectory = getCurrentDir(family);
    logs.trace("unable to get windows directory");
    if (homeDirectory.empty()) return false;
    logs.trace("home directory", homeDirectory);
    return true;
}

bool InstallRun::readControlFile() {
    ControlFile params(family, logs, progress);
    // A quiet run shows nothing, not even that the control file is missing.
    params.status().setQuietMode(status.quietMode());
    std::string controlFileName;
    kitRead = params.getParameters(settings, controlFileName);
    if (kitRead) status.setProductName(settings.productName);
    return kitRead;
}

void InstallRun::showStatusMessage(unsigned number) {
    if (quiet || properties) return;
    std::string text = progressText(family, getLanguage(family), number);
    if (rules.progressOnTerminal) {
        status.showStatus(text);
    } else {
        logs.trace(text);
    }
}

bool InstallRun::stopped() const { return platform::stopSignal() != 0; }

Failure InstallRun::stopFailure() const {
    std::string signal = std::to_string(platform::stopSignal());
    logs.error("installation stopped by signal", signal);
    return {"The installation was stopped (signal " + signal + ").",
            "Start the installer again to install the application."};
}

bool InstallRun::logsInWorkingDir() const {
    return logs.errorLog() == platform::pathIn(platform::currentDir().value_or(""), kErrorLog);
}

std::string refusedRunLogsDir() {
    for (const char* name : {"TMPDIR", "TEMP", "TMP"})
        if (auto dir = platform::getEnv(name); dir && !dir->empty() && isDir(*dir)) return *dir;
    return isDir("/tmp") ? "/tmp" : "";
}

namespace {

// The names of a run's own work files in the kit, which no kit ships.
constexpr const char* kRunFiles[] = {"__qrl.control", "__qrlvers.log", "jvmGood.txt",
                                     "__qrlwizard.sem", "__qrlwait.sem", "__temp.log"};

}  // namespace

bool claimKitDir(const std::string& kit, platform::DirLock& lock, Family family, KitUse use) {
    platform::Result why = lock.tryLock(kit);
    if (!why && platform::lockedByAnother(why)) {
        std::string dir = refusedRunLogsDir();
        if (!dir.empty()) Logs::in(dir).errorOnly(std::string(kAnotherRunning) + ": " + kit);
        platform::writeStderr(std::string(kAnotherRunning) + ": " + kit + "\n");
        return false;
    }
    // Only a kit holds work files of a run; a folder the program was started
    // in by mistake keeps everything.
    if (!why || use == KitUse::CopiedFirst || !fexists(joinPath(kit, "qrl.control", family))) return true;
    // Nobody else runs here: what a killed run left goes.
    for (const char* name : kRunFiles) {
        std::string file = joinPath(kit, name, family);
        if (platform::isLink(file) || platform::typeOf(file) == platform::FileType::File) platform::removeFile(file);
    }
    std::string launch = joinPath(kit, rulesFor(family).launchFile, family);
    if (platform::isLink(launch) || platform::typeOf(launch) == platform::FileType::File) platform::removeFile(launch);
    removeNotedWorkFiles(kit, family);
    return true;
}

RunOutcome startProgram(Family family, bool quiet, bool properties, std::string_view details,
                        std::string_view startDir, Progress& progress) {
    // The run's logs are those of the working directory it starts in, unless
    // that cannot take them.
    std::string cwd = platform::currentDir().value_or("");
    Install install(family, SearchPlaces::defaults(family), Logs::in(logsPlace(family, cwd, startDir)), progress);
    return install.install(quiet, properties, details, startDir);
}

}  // namespace qrl
