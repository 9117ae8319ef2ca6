#include "kitcheck/kitcheck.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "common/files.h"
#include "common/paths.h"
#include "common/text.h"
#include "jvm/findjvm.h"
#include "launcher/javaapp.h"
#include "launcher/properties.h"
#include "provision/jvmprovisioner.h"
#include "platform/encoding.h"
#include "platform/fs.h"
#include "platform/osversion.h"

namespace qrl {
namespace {

// The program a kit of the family carries to remove itself after the run
// (none: nullptr).
const char* kitCleanupProgram(Family family) {
    static const char* const windows = "cleanup.exe";
    static const char* const none = nullptr;
    return byFamily(family, windows, none, none);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The word a line begins with: up to the first "=", ":" or blank.
std::string_view leadingWord(std::string_view line) {
    line = trimBlanks(line);
    size_t end = line.find_first_of("=: \t");
    return line.substr(0, end);
}

// "\\uXXXX" at `at`: Java's escape of a UTF-16 unit.
bool unicodeEscapeAt(std::string_view text, size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return false;
    for (size_t i = at + 2; i < at + 6; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t up = row[j];
            bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (same ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

// One file's findings as its lines go by, and the keys set so far: the
// checks every line of a key=value file gets, worded for the program whose
// reader reads it.
// The blanks at the ends of a value that a line escapes.
struct BlanksMeant {
    bool leading = false;
    bool trailing = false;
};

class FileCheck {
public:
    struct Reader {
        std::string name;                     // "installer", "launcher"
        size_t lineLimit;
        std::vector<std::string_view> known;  // the keys it reads
        std::vector<std::string_view> others; // keys that only other families read
        std::string familyNote;               // who ignores `others`: "POSIX installer"
    };
    // Which of the lines that set one key the program takes.
    enum class Wins { Last, First };

    explicit FileCheck(Reader reader) : r_(std::move(reader)) {}

    std::vector<Finding> out;
    std::map<std::string_view, size_t> seen;  // the line each key was set on

    size_t lineNo() const { return lineNo_; }
    void add(size_t line, std::string problem, std::string fix) {
        out.push_back({"", line, std::move(problem), std::move(fix)});
    }
    // The next line, with whether the reader skipped the rest of it.
    void nextLine(bool cut);
    // A line that sets no key: blank lines and comments are fine; a key
    // behind blanks, a key of another family and an unknown word are not.
    void unknownLine(std::string_view line);
    // What is wrong with the text after a key that a line begins with, where
    // `rest` starts with the separator: blanks around "=", a longer word read
    // as the key, blanks kept at either end of the value.
    // `meant` tells the blanks at either end of the value that the file
    // escapes ("\\ "), so that they are kept on purpose.
    void separator(std::string_view key, std::string_view rest, BlanksMeant meant = {});
    // The key set on an earlier line too.
    void setAgain(std::string_view key, Wins wins);

private:
    void longerWord(std::string_view key, std::string_view rest);

    Reader r_;
    size_t lineNo_ = 0;
};

void FileCheck::nextLine(bool cut) {
    ++lineNo_;
    if (cut)
        add(lineNo_,
            "the line is longer than " + std::to_string(r_.lineLimit) + " characters: the " + r_.name +
                " reads its first " + std::to_string(r_.lineLimit) + " and skips the rest",
            "shorten the line");
}

void FileCheck::unknownLine(std::string_view line) {
    std::string_view trimmed = trimBlanks(line);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '!') return;
    std::string_view word = leadingWord(trimmed);
    if (std::find(r_.known.begin(), r_.known.end(), word) != r_.known.end()) {
        if (trimmed.size() == line.size()) return;
        add(lineNo_, "blanks before the key: the " + r_.name + " ignores this line", std::string(trimmed));
        return;
    }
    if (std::find(r_.others.begin(), r_.others.end(), word) != r_.others.end()) {
        add(lineNo_, std::string(word) + " is not read by the " + r_.familyNote + ": the line is ignored",
            "remove the line");
        return;
    }
    std::string_view near = nearestKey(word, r_.known);
    if (!near.empty()) {
        size_t eq = trimmed.find_first_of("=:");
        std::string value = eq == std::string_view::npos ? "" : std::string(trimBlanks(trimmed.substr(eq + 1)));
        add(lineNo_, "unknown key " + quoted(word) + " (keys are case-sensitive): the line is ignored",
            std::string(near) + "=" + value);
        return;
    }
    add(lineNo_, "unknown key " + quoted(word) + ": the " + r_.name + " ignores this line",
        "remove it, or start it with # to keep it as a comment");
}

void FileCheck::separator(std::string_view key, std::string_view rest, BlanksMeant meant) {
    if (rest.empty()) return;
    char sep = rest.front();
    std::string_view value = rest.substr(1);
    if (isBlank(sep)) {
        std::string_view after = trimBlanks(rest);
        if (!after.empty() && (after.front() == '=' || after.front() == ':')) after = trimBlanks(after.substr(1));
        add(lineNo_,
            "blanks around \"=\": the " + r_.name + " takes the value of " + std::string(key) +
                " from the character after the blank, so it reads " + quoted(value),
            std::string(key) + "=" + std::string(after));
    } else if (std::isalnum(static_cast<unsigned char>(sep)) || sep == '_' || sep == '.') {
        longerWord(key, rest);
    } else if (!value.empty() && isBlank(value.front()) && !meant.leading) {
        add(lineNo_, "the value of " + std::string(key) + " begins with a blank, which is kept",
            std::string(key) + std::string(1, sep) + std::string(trimBlanks(value)));
    } else if (!value.empty() && isBlank(value.back()) && !meant.trailing) {
        add(lineNo_, "the value of " + std::string(key) + " ends with blanks, which are kept",
            std::string(key) + std::string(1, sep) + std::string(trimBlanks(value)));
    }
}

// A key followed by more letters: the reader matches keys as prefixes.
void FileCheck::longerWord(std::string_view key, std::string_view rest) {
    const std::string line = std::string(key) + std::string(rest);
    std::string_view word = leadingWord(line);
    std::string_view near = nearestKey(word, r_.known);
    std::string suggestion = near.empty() ? std::string(key) : std::string(near);
    size_t eq = rest.find_first_of("=:");
    std::string_view given = eq == std::string_view::npos ? std::string_view() : trimBlanks(rest.substr(eq + 1));
    add(lineNo_,
        quoted(word) + " is not a key: the " + r_.name + " reads the line as " + std::string(key) +
            " with the value " + quoted(rest.substr(1)),
        suggestion + "=" + std::string(given));
}

void FileCheck::setAgain(std::string_view key, Wins wins) {
    auto prev = seen.find(key);
    if (prev == seen.end()) {
        seen[key] = lineNo_;
        return;
    }
    add(lineNo_,
        std::string(key) + " is set again (first on line " + std::to_string(prev->second) + "): the " +
            (wins == Wins::Last ? "last" : "first") + " line wins",
        "keep one of the lines");
    if (wins == Wins::Last) prev->second = lineNo_;
}

// A setting without which the program cannot do its job.
template <class Settings>
struct RequiredKey {
    std::string Settings::*value;
    const char* problem;
    const char* fix;
};

template <class Settings, size_t N>
void checkRequired(const RequiredKey<Settings> (&keys)[N], const Settings& settings, FileCheck& check) {
    for (const RequiredKey<Settings>& k : keys)
        if ((settings.*k.value).empty()) check.add(0, k.problem, k.fix);
}

// Keys of the control file that single steps of the installer look up for
// themselves rather than the parser's table; each step takes the first line
// of the file that begins with its key.
struct StepKey {
    std::string_view name;
    bool (*readBy)(Family);
};
const StepKey kStepKeys[] = {
    // The POSIX provisioning's choice of the vendor installer; the families
    // with vendor keys name their installer with those.
    {kThirdPartyInstallerKey, [](Family f) { return !ControlFile::readsVendorKeys(f); }},
    // Registry entries for an installed JVM, where JVMs are found in the registry.
    {"configureWinRegistry", [](Family f) { return jvmSearchOf(f) == JvmSearch::Registry; }},
};

// The step key a line sets for the family, empty when none.
std::string_view stepKeyOfLine(std::string_view line, Family family) {
    for (const StepKey& k : kStepKeys)
        if (k.readBy(family) && line.starts_with(k.name)) return k.name;
    return {};
}

// The keys of the control file that a family reads (or, with `read` false,
// that only other families read): the parser's table, then the step keys.
std::vector<std::string_view> controlKeyNames(Family family, bool read) {
    std::vector<std::string_view> names;
    for (const ControlKey& k : ControlFile::keys(family))
        if (k.read == read) names.push_back(k.name);
    for (const StepKey& k : kStepKeys)
        if (k.readBy(family) == read) names.push_back(k.name);
    return names;
}

void addFile(std::vector<Finding>& findings, const std::string& file, std::vector<Finding> more) {
    for (Finding& f : more) {
        f.file = file;
        findings.push_back(std::move(f));
    }
}

// `name` in the directory `dir` of this system.
std::string inDir(std::string_view dir, std::string_view name) { return joinPath(dir, name, thisSystemFamily()); }

bool hasFile(const std::string& dir, std::string_view name) {
    return !name.empty() && platform::typeOf(inDir(dir, name)) == platform::FileType::File;
}

// The launcher properties files of a kit: "*.properties" in every directory
// named "Quarlan" below it, a few levels deep. Linked directories are not
// entered; a properties file that is a link is taken, as the launcher opens
// it through the link.
void findPropertiesFiles(const std::string& dir, int depth, std::vector<std::string>& out) {
    std::vector<platform::DirEntry> entries;
    if (depth > 6 || !platform::listDir(dir, entries)) return;
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    bool quarlanDir = baseName(dir, thisSystemFamily()) == "Quarlan";
    for (const auto& e : entries) {
        std::string path = inDir(dir, e.name);
        if (e.isDirectory && !e.isLink) {
            findPropertiesFiles(path, depth + 1, out);
        } else if (quarlanDir && e.name.ends_with(".properties")) {
            out.push_back(path);
        }
    }
}

// The arguments as the author meant them: double quotes group wherever they
// stand and are removed.
std::vector<std::string> intendedTokens(std::string_view args) {
    std::vector<std::string> tokens;
    std::string token;
    bool inQuotes = false, any = false;
    for (char c : args) {
        if (c == '"') {
            inQuotes = !inQuotes;
            any = true;
        } else if (c == ' ' && !inQuotes) {
            if (any) tokens.push_back(token);
            token.clear();
            any = false;
        } else {
            token += c;
            any = true;
        }
    }
    if (any) tokens.push_back(token);
    return tokens;
}

// A double quote inside an argument: the launcher groups only at the start of
// an argument, so -Dx="a b" reaches the program as -Dx="a and b".
void checkQuotes(std::string_view args, size_t lineNo, std::vector<Finding>& out) {
    std::vector<std::string> tokens = JavaApp::tokenize(args);
    auto inside = std::find_if(tokens.begin(), tokens.end(),
                               [](const std::string& t) { return t.find('"') != std::string::npos; });
    if (inside == tokens.end()) return;
    std::string fixed;
    for (const std::string& t : intendedTokens(args)) {
        if (!fixed.empty()) fixed += ' ';
        fixed += t.find(' ') != std::string::npos || t.empty() ? "\"" + t + "\"" : t;
    }
    out.push_back({"", lineNo,
                   "a double quote inside an argument does not group: the launcher passes " + quoted(*inside) +
                       " with its quote, and splits at the blanks within the quotes; quote the whole argument",
                   "args=" + LauncherProperties::escape(fixed)});
}

// Java's "\uXXXX" escapes from `at` on as the letters they stand for (a pair
// of UTF-16 units is one letter), escaped for the launcher; `at` ends on the
// last character of the last of them.
std::string unicodeEscapes(std::string_view raw, size_t& at) {
    std::u16string units;
    for (; unicodeEscapeAt(raw, at); at += 6)
        units += static_cast<char16_t>(std::stoul(std::string(raw.substr(at + 2, 4)), nullptr, 16));
    --at;
    return LauncherProperties::escape(platform::utf16ToUtf8(units));
}

// What the launcher's escapes do to a line that Java or a person wrote as
// Java's escapes: the launcher drops every backslash and takes the next
// character as it is; nothing else is an escape.
struct EscapeTraps {
    std::string fixed;  // the line written so that the launcher reads what was meant
    bool unicode = false, single = false, control = false, continued = false;
};

// A backslash and the character after it.
void readEscape(char next, bool windowsPath, EscapeTraps& t) {
    if (!windowsPath && std::string_view("tnrf").find(next) != std::string_view::npos) {
        // Java's escapes of a tab, line ends and a form feed: a tab can
        // stand as it is, the others cannot be written at all.
        t.control = true;
        if (next == 't') t.fixed += '\t';
    } else if (std::string_view("\\:= #!\"").find(next) == std::string_view::npos) {
        t.single = true;
        t.fixed += "\\\\";
        t.fixed += next;
    } else {
        t.fixed += '\\';
        t.fixed += next;
    }
}

EscapeTraps findEscapeTraps(std::string_view raw) {
    EscapeTraps t;
    // A line with "X:\" holds a Windows path, where "\t" is a folder's
    // first letter; elsewhere it is Java's escape of a tab.
    bool windowsPath = raw.find(":\\") != std::string_view::npos;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            t.fixed += raw[i];
        } else if (i + 1 == raw.size()) {
            t.continued = true;
        } else if (unicodeEscapeAt(raw, i)) {
            t.unicode = true;
            t.fixed += unicodeEscapes(raw, i);
        } else {
            readEscape(raw[++i], windowsPath, t);
        }
    }
    return t;
}

void checkEscapes(std::string_view raw, FileCheck& check) {
    EscapeTraps t = findEscapeTraps(raw);
    size_t line = check.lineNo();
    if (t.unicode)
        check.add(line,
                  "\\uXXXX is not an escape here: the launcher drops the backslash and reads u and the four "
                  "digits (Java's Properties.store() writes them)",
                  t.fixed);
    else if (t.single)
        check.add(line,
                  "a single backslash is dropped with the launcher's escapes (C:\\Java\\bin is read as "
                  "C:Javabin): write every backslash twice",
                  t.fixed);
    if (t.control)
        check.add(line,
                  "\\t, \\n, \\r and \\f are not escapes here: the launcher reads the letters t, n, r, f "
                  "(Java's Properties.store() writes them for a tab and line ends)",
                  t.fixed);
    if (t.continued)
        check.add(line, "a backslash at the end of the line is dropped; the next line is not joined to this one",
                  "write the whole value on one line");
}

// A value given as the installer reads it: the text after the separator.
using GivenValues = std::map<std::string_view, std::string>;

// The version keys: none given means the family's default requirement; a
// required version overrides the range.
void checkVersions(GivenValues& given, Family family, FileCheck& check) {
    bool versionGiven = !given["jvmRequiredVersion"].empty() || !given["jvmMinVersion"].empty() ||
                        !given["jvmVersion"].empty();
    if (!versionGiven)
        check.add(0,
                  std::string("no JVM version is given: the installer then accepts only a JVM whose version "
                              "begins with ") +
                      ControlFile::defaultRequiredVersion(family) + ", which no current JVM has",
                  "jvmMinVersion=1.8 (the lowest version your application runs on)");
    if (!given["jvmRequiredVersion"].empty() && (!given["jvmMinVersion"].empty() || !given["jvmMaxVersion"].empty()))
        check.add(check.seen["jvmRequiredVersion"],
                  "jvmRequiredVersion is set, so jvmMinVersion and jvmMaxVersion are not used",
                  "remove jvmRequiredVersion to accept a range of versions");
}

const RequiredKey<ControlSettings> kRequiredControlKeys[] = {
    {&ControlSettings::jvmClasspathSwitch,
     "no class path switch: the class path reaches the JVM as a plain argument and the wizard "
     "does not start (\"Unable to start the install wizard.\")",
     "jvmClasspathSwitch=-cp"},
    {&ControlSettings::loaderJavaCommand, "no wizard class: loaderJavaCommand names the main class the JVM runs",
     "loaderJavaCommand=<the main class of install.jar and its arguments>"},
};

const RequiredKey<LaunchSettings> kRequiredLauncherKeys[] = {
    {&LaunchSettings::executable, "no execFilename: the launcher has nothing to start",
     "execFilename=<the full path of the java program>"},
};

// A line of the control file that sets a key of the parser's table.
void checkTableKeyLine(const ControlKey& key, std::string_view line, GivenValues& given, FileCheck& check) {
    std::string_view after = line.substr(key.name.size());
    check.separator(key.name, after);
    if (after.size() > key.capacity)
        check.add(check.lineNo(),
                  "the value of " + std::string(key.name) + " is cut to " + std::to_string(key.capacity - 1) +
                      " characters",
                  "shorten the value");
    check.setAgain(key.name, FileCheck::Wins::Last);
    given[key.name] = after.empty() ? "" : std::string(after.substr(1));
}

// A line of a launcher properties file, its escapes first.
// Which blanks at the ends of a line's value are escaped: "key=\\ x" and
// "key=x\\ " (a backslash before the last blank that is not itself escaped).
BlanksMeant blanksMeant(std::string_view raw, size_t keySize) {
    BlanksMeant meant;
    if (raw.size() < keySize + 3) return meant;
    std::string_view value = raw.substr(keySize + 1);
    meant.leading = value.starts_with("\\ ");
    if (value.size() >= 2 && value.back() == ' ') {
        size_t slashes = 0;
        for (size_t i = value.size() - 1; i > 0 && value[i - 1] == '\\'; --i) ++slashes;
        meant.trailing = slashes % 2 == 1;
    }
    return meant;
}

void checkPropertiesLine(std::string_view raw, FileCheck& check) {
    std::string_view trimmed = trimBlanks(raw);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '!') return;
    checkEscapes(raw, check);
    std::string unescaped = LauncherProperties::unescape(raw);
    std::string_view key = LauncherProperties::keyOfLine(unescaped);
    if (key.empty()) {
        check.unknownLine(unescaped);
        return;
    }
    check.separator(key, std::string_view(unescaped).substr(key.size()), blanksMeant(raw, key.size()));
    check.setAgain(key, FileCheck::Wins::Last);
}

}  // namespace

Family thisSystemFamily() { return platform::windowsMajorVersion() != 0 ? Family::Windows : Family::Posix; }

std::string_view nearestKey(std::string_view word, const std::vector<std::string_view>& known) {
    std::string_view best;
    size_t bestDistance = 4;
    for (std::string_view key : known) {
        if (equalsIgnoreCase(word, key)) return key;
        size_t d = editDistance(word, key);
        if (d < bestDistance && d * 3 <= key.size()) {
            bestDistance = d;
            best = key;
        }
    }
    return best;
}

std::vector<Finding> checkControlText(std::string_view text, Family family, ControlSettings* effective) {
    FileCheck check({"installer", kControlLineLimit, controlKeyNames(family, true), controlKeyNames(family, false),
                     std::string(familyName(family)) + " installer"});
    GivenValues given;
    // The installer's own reader: line ends converted, lines cut at its limit
    // and the rest of a longer line skipped, the values as it ends up with
    // them. It traces and logs nothing here.
    ControlFile reader(family, Logs::none());
    ControlFile::eachLine(reader.convertedText(text), [&](std::string& line, bool cut) {
        check.nextLine(cut);
        if (std::optional<ControlKey> key = ControlFile::keyOfLine(line, family)) {
            checkTableKeyLine(*key, line, given, check);
        } else if (std::string_view step = stepKeyOfLine(line, family); !step.empty()) {
            check.separator(step, std::string_view(line).substr(step.size()));
            check.setAgain(step, FileCheck::Wins::First);
        } else {
            check.unknownLine(line);
        }
    });
    ControlSettings s;
    reader.parseText(s, text);
    if (effective) *effective = s;
    checkVersions(given, family, check);
    checkRequired(kRequiredControlKeys, s, check);
    for (Finding& f : checkFamilyOnlyKeys(s, family)) check.out.push_back(std::move(f));
    return std::move(check.out);
}

std::vector<Finding> checkFamilyOnlyKeys(const ControlSettings& s, Family family) {
    std::vector<Finding> out;
    // The POSIX installer takes jvmSelfExtractor alone; the others run what
    // jvmInstallerType says and nothing else.
    if (!ControlFile::readsVendorKeys(family)) return out;
    const bool archive = equalsIgnoreCase(s.jvmInstallerType, "selfExtratorJvmInstaller");
    const bool vendor = equalsIgnoreCase(s.jvmInstallerType, "thirdPartyJvmInstaller");
    const std::string installer = std::string("the ") + familyName(family) + " installer";
    const std::string type = s.jvmInstallerType.empty() ? std::string("no jvmInstallerType")
                                                        : "jvmInstallerType=" + s.jvmInstallerType;
    if (!s.jvmSelfExtractor.empty() && !archive && !vendor)
        out.push_back({"", 0,
                       "jvmSelfExtractor names the kit's JVM archive, but " + installer +
                           " expands it only with jvmInstallerType=selfExtratorJvmInstaller (the POSIX installer "
                           "needs no type); with " + type + " the kit's JVM is never installed",
                       "add the line jvmInstallerType=selfExtratorJvmInstaller"});
    if (!s.jvmInstallerBinary.empty() && !archive && !vendor)
        out.push_back({"", 0,
                       "jvmInstallerBinary names the JVM vendor's installer, but " + installer +
                           " runs it only with jvmInstallerType=thirdPartyJvmInstaller; with " + type +
                           " it is never run",
                       "add the line jvmInstallerType=thirdPartyJvmInstaller"});
    return out;
}

std::vector<Finding> checkPropertiesText(std::string_view text) {
    FileCheck check({"launcher", kPropLineLimit, LauncherProperties::keys(), {}, "launcher"});
    // The launcher's own reader: lines cut at its limit (the rest of a longer
    // line skipped), 8-bit text read as ISO 8859-1, each line ending at its
    // first carriage return.
    LauncherProperties::eachLine(text, [&](std::string& line, bool cut) {
        check.nextLine(cut);
        checkPropertiesLine(std::string_view(line).substr(0, line.find('\r')), check);
    });
    // The values as the launcher reads them; it traces and logs nothing here.
    LauncherProperties reader(Family::Posix, Logs::none());
    LaunchSettings settings;
    reader.parseText(text, settings);
    checkQuotes(settings.arguments, check.seen["args"], check.out);
    if (auto at = check.seen.find("userJvmOptions"); at != check.seen.end() && !settings.allowsUserOptions() &&
                                                     !equalsIgnoreCase(trimBlanks(settings.userJvmOptions), "false"))
        check.add(at->second,
                  "userJvmOptions is \"" + settings.userJvmOptions +
                      "\": the launcher reads the user's JVM options file only when it is true",
                  "userJvmOptions=true (or false)");
    checkRequired(kRequiredLauncherKeys, settings, check);
    return std::move(check.out);
}

std::vector<Finding> checkPropertiesFile(const std::string& path) {
    std::vector<Finding> out;
    std::string text, why;
    if (!readTextFile(path, text, &why)) {
        out.push_back({path, 0,
                       (platform::exists(path) ? "unreadable (" + why + ")" : std::string("missing")) +
                           ": the launcher says \"Unable to open file\" and starts nothing",
                       "make it a plain, readable file of the launcher's properties"});
        return out;
    }
    addFile(out, path, checkPropertiesText(text));
    return out;
}

Family guessKitFamily(const std::string& dir) {
    if (hasFile(dir, "installer.exe") || hasFile(dir, "cleanup.exe")) return Family::Windows;
    if (hasFile(dir, "macsetup")) return Family::Mac;
    return Family::Posix;
}

std::vector<Finding> checkKit(const std::string& dir, Family family) {
    std::vector<Finding> out;
    std::string controlPath = inDir(dir, kControlFile);
    std::string text, why;
    if (!readTextFile(controlPath, text, &why)) {
        if (platform::exists(controlPath))
            out.push_back({controlPath, 0, "unreadable (" + why + "): the installer stops with \"Unable to open qrl.control\"",
                           "make it a plain, readable file of at most " + std::to_string(kMaxTextFile >> 20) + " MiB"});
        else
            out.push_back({controlPath, 0, "missing: the installer stops with \"Unable to open qrl.control\"",
                           "write the control file (see the kit author's guide)"});
        return out;
    }
    ControlSettings s;
    addFile(out, controlPath, checkControlText(text, family, &s));

    auto need = [&](std::string_view name, const std::string& why, const std::string& fix) {
        if (!hasFile(dir, name)) out.push_back({inDir(dir, name), 0, "missing: " + why, fix});
    };
    if (s.loaderClasspath.find("install.jar") != std::string::npos)
        need("install.jar", "the installer stops with \"install.jar does not exist.\"",
             "put the wizard's archive into the kit as install.jar");
    need("TestJvm.class", "every JVM fails the version test, so none is found",
         "copy TestJvm.class (dist/kit/TestJvm.class) into the kit");
    if (!s.jvmSelfExtractor.empty())
        need(s.jvmSelfExtractor, "jvmSelfExtractor names it, and the installer cannot install the kit's JVM",
             "put the JVM archive into the kit under that name");
    if (ControlFile::readsVendorKeys(family) && !s.jvmInstallerBinary.empty())
        need(s.jvmInstallerBinary, "jvmInstallerBinary names it, and the vendor installer cannot run",
             "put the vendor installer into the kit under that name");
    for (const std::string* name : {&s.systemSecurityPolicyFilename, &s.userSecurityPolicyFilename,
                                    &s.keystoreFilename})
        if (!name->empty())
            need(*name, "the control file names it as a security file", "put the file into the kit");
    if (const char* cleanup = kitCleanupProgram(family))
        need(cleanup, "the Windows installer copies it to __cleanup.exe to remove the kit afterwards",
             "copy cleanup.exe (dist/win32) into the kit");

    std::vector<std::string> props;
    findPropertiesFiles(dir, 0, props);
    for (const std::string& p : props) {
        std::vector<Finding> more = checkPropertiesFile(p);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

namespace {

// The value as a line of the file: backslashes doubled, and a blank at either
// end escaped to show that it is meant (the launcher keeps it either way).
std::string escapedValue(std::string_view value) {
    const bool leading = value.starts_with(' ');
    const bool trailing = value.size() > (leading ? 1u : 0u) && value.ends_with(' ');
    std::string out = LauncherProperties::escape(value);
    if (trailing) out.insert(out.size() - 1, "\\");
    if (leading) out.insert(0, "\\");
    return out;
}

}  // namespace

bool launcherPropertiesText(const std::vector<std::pair<std::string, std::string>>& values, std::string& text,
                            std::string& error) {
    const std::vector<std::string_view>& known = LauncherProperties::keys();
    text.clear();
    for (const auto& [key, value] : values) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            std::string_view near = nearestKey(key, known);
            error = "unknown key " + quoted(key) + (near.empty() ? "" : "; did you mean " + std::string(near) + "?");
            return false;
        }
        if (value.find_first_of("\r\n") != std::string::npos) {
            error = "the value of " + key + " holds a line end";
            return false;
        }
        if (!platform::isValidUtf8(value)) {
            error = "the value of " + key + " is not UTF-8 text";
            return false;
        }
        text += key + "=" + escapedValue(value) + "\n";
    }
    // What kitcheck would say of a line is what the launcher would misread:
    // such a value is refused rather than written.
    for (const Finding& f : checkPropertiesText(text)) {
        if (f.line == 0) continue;
        error = "line " + std::to_string(f.line) + ": " + f.problem + (f.fix.empty() ? "" : "; write: " + f.fix);
        return false;
    }
    return true;
}

}  // namespace qrl
