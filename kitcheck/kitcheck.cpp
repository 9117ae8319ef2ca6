#include "kitcheck/kitcheck.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "common/familyrules.h"
#include "common/files.h"
#include "common/text.h"
#include "launcher/javaapp.h"
#include "launcher/properties.h"
#include "provision/jvmprovisioner.h"
#include "platform/encoding.h"
#include "platform/fs.h"

namespace qrl {
namespace {

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

// What is wrong with the text after a key that a line begins with, where
// `rest` starts with the separator: blanks around "=", a longer word read as
// the key, blanks kept at either end of the value.
void checkSeparator(std::string_view key, std::string_view rest, std::vector<std::string_view> const& known,
                    const std::string& readerName, size_t lineNo, std::vector<Finding>& out) {
    if (rest.empty()) return;
    char sep = rest.front();
    std::string_view value = rest.substr(1);
    if (isBlank(sep)) {
        std::string_view after = trimBlanks(rest);
        if (!after.empty() && (after.front() == '=' || after.front() == ':')) after = trimBlanks(after.substr(1));
        out.push_back({"", lineNo,
                       "blanks around \"=\": the " + readerName + " takes the value of " + std::string(key) +
                           " from the character after the blank, so it reads " + quoted(value),
                       std::string(key) + "=" + std::string(after)});
        return;
    }
    if (std::isalnum(static_cast<unsigned char>(sep)) || sep == '_' || sep == '.') {
        const std::string line = std::string(key) + std::string(rest);
        std::string_view word = leadingWord(line);
        std::string_view near = nearestKey(word, known);
        std::string suggestion = near.empty() ? std::string(key) : std::string(near);
        size_t eq = rest.find_first_of("=:");
        std::string_view given = eq == std::string_view::npos ? std::string_view() : trimBlanks(rest.substr(eq + 1));
        out.push_back({"", lineNo,
                       quoted(word) + " is not a key: the " + readerName + " reads the line as " + std::string(key) +
                           " with the value " + quoted(value),
                       suggestion + "=" + std::string(given)});
        return;
    }
    if (!value.empty() && isBlank(value.front())) {
        out.push_back({"", lineNo, "the value of " + std::string(key) + " begins with a blank, which is kept",
                       std::string(key) + std::string(1, sep) + std::string(trimBlanks(value))});
    } else if (!value.empty() && isBlank(value.back())) {
        out.push_back({"", lineNo, "the value of " + std::string(key) + " ends with blanks, which are kept",
                       std::string(key) + std::string(1, sep) + std::string(trimBlanks(value))});
    }
}

// A line that sets no key: blank lines and comments are fine; a key behind
// blanks, a key of another family and an unknown word are not.
void checkUnknownLine(std::string_view line, const std::vector<std::string_view>& known,
                      const std::vector<std::string_view>& otherFamilies, const std::string& readerName,
                      const std::string& familyNote, size_t lineNo, std::vector<Finding>& out) {
    std::string_view trimmed = trimBlanks(line);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '!') return;
    std::string_view word = leadingWord(trimmed);
    if (std::find(known.begin(), known.end(), word) != known.end()) {
        // A key read by a step of its own rather than the parser's table.
        if (trimmed.size() == line.size()) return;
        out.push_back({"", lineNo, "blanks before the key: the " + readerName + " ignores this line",
                       std::string(trimmed)});
        return;
    }
    if (std::find(otherFamilies.begin(), otherFamilies.end(), word) != otherFamilies.end()) {
        out.push_back({"", lineNo, std::string(word) + " is not read by the " + familyNote + ": the line is ignored",
                       "remove the line"});
        return;
    }
    std::string_view near = nearestKey(word, known);
    if (!near.empty()) {
        size_t eq = trimmed.find_first_of("=:");
        std::string value = eq == std::string_view::npos ? "" : std::string(trimBlanks(trimmed.substr(eq + 1)));
        out.push_back({"", lineNo, "unknown key " + quoted(word) + " (keys are case-sensitive): the line is ignored",
                       std::string(near) + "=" + value});
        return;
    }
    out.push_back({"", lineNo, "unknown key " + quoted(word) + ": the " + readerName + " ignores this line",
                   "remove it, or start it with # to keep it as a comment"});
}

// The keys of the control file that a family reads (or, with `read` false,
// that only other families read): the parser's table, and the keys that
// single steps look up for themselves.
std::vector<std::string_view> controlKeyNames(Family family, bool read) {
    std::vector<std::string_view> names;
    for (const ControlKey& k : ControlFile::keys(family))
        if (k.read == read) names.push_back(k.name);
    const FamilyRules& rules = rulesFor(family);
    // The POSIX provisioning's choice of the vendor installer; the families
    // with vendor keys name their installer with those.
    if (rules.readsVendorKeys != read) names.push_back(kThirdPartyInstallerKey);
    // Registry entries for an installed JVM, where JVMs are found in the registry.
    if ((rules.jvmSearch == JvmSearch::Registry) == read) names.push_back("configureWinRegistry");
    return names;
}

void addFile(std::vector<Finding>& findings, const std::string& file, std::vector<Finding> more) {
    for (Finding& f : more) {
        f.file = file;
        findings.push_back(std::move(f));
    }
}

bool hasFile(const std::string& dir, std::string_view name) {
    return !name.empty() && platform::typeOf(dir + "/" + std::string(name)) == platform::FileType::File;
}

// The launcher properties files of a kit: "*.properties" in every directory
// named "Quarlan" below it (links not followed, a few levels deep).
void findPropertiesFiles(const std::string& dir, int depth, std::vector<std::string>& out) {
    std::vector<platform::DirEntry> entries;
    if (depth > 6 || !platform::listDir(dir, entries)) return;
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    bool quarlanDir = dir.size() >= 8 && dir.ends_with("/Quarlan");
    for (const auto& e : entries) {
        if (e.name == "." || e.name == ".." || e.isLink) continue;
        std::string path = dir + "/" + e.name;
        if (e.isDirectory) {
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

}  // namespace

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
    const FamilyRules& rules = rulesFor(family);
    std::string familyName = std::string(rules.name) + " installer";
    // The installer's own reader: line ends converted, lines cut at its limit
    // and the rest of a longer line skipped, the values as it ends up with
    // them. It traces and logs nothing here.
    ControlFile reader(family, Logs::none());
    std::vector<Finding> out;
    std::vector<std::string_view> known = controlKeyNames(family, true);
    std::vector<std::string_view> others = controlKeyNames(family, false);
    std::map<std::string_view, size_t> seen;
    std::map<std::string_view, std::string> given;
    size_t lineNo = 0;
    ControlFile::eachLine(reader.convertedText(text), [&](std::string& line, bool cut) {
        ++lineNo;
        if (cut)
            out.push_back({"", lineNo,
                           "the line is longer than " + std::to_string(kControlLineLimit) +
                               " characters: the installer reads its first " + std::to_string(kControlLineLimit) +
                               " and skips the rest",
                           "shorten the line"});
        std::optional<ControlKey> key = ControlFile::keyOfLine(line, family);
        if (!key) {
            checkUnknownLine(line, known, others, "installer", familyName, lineNo, out);
            return;
        }
        std::string_view after = std::string_view(line).substr(key->name.size());
        checkSeparator(key->name, after, known, "installer", lineNo, out);
        if (after.size() > key->capacity)
            out.push_back({"", lineNo,
                           "the value of " + std::string(key->name) + " is cut to " +
                               std::to_string(key->capacity - 1) + " characters",
                           "shorten the value"});
        if (auto prev = seen.find(key->name); prev != seen.end())
            out.push_back({"", lineNo,
                           std::string(key->name) + " is set again (first on line " + std::to_string(prev->second) +
                               "): the last line wins",
                           "keep one of the lines"});
        seen[key->name] = lineNo;
        given[key->name] = after.empty() ? "" : std::string(after.substr(1));
    });

    ControlSettings s;
    reader.parseText(s, text);
    if (effective) *effective = s;

    bool versionGiven = !given["jvmRequiredVersion"].empty() || !given["jvmMinVersion"].empty() ||
                        !given["jvmVersion"].empty();
    if (!versionGiven)
        out.push_back({"", 0,
                       std::string("no JVM version is given: the installer then accepts only a JVM whose version "
                                   "begins with ") +
                           rules.defaultRequiredVersion + ", which no current JVM has",
                       "jvmMinVersion=1.8 (the lowest version your application runs on)"});
    if (!given["jvmRequiredVersion"].empty() && (!given["jvmMinVersion"].empty() || !given["jvmMaxVersion"].empty()))
        out.push_back({"", seen["jvmRequiredVersion"],
                       "jvmRequiredVersion is set, so jvmMinVersion and jvmMaxVersion are not used",
                       "remove jvmRequiredVersion to accept a range of versions"});
    if (s.jvmClasspathSwitch.empty())
        out.push_back({"", 0,
                       "no class path switch: the class path reaches the JVM as a plain argument and the wizard "
                       "does not start (\"Unable to start the install wizard.\")",
                       "jvmClasspathSwitch=-cp"});
    if (s.loaderJavaCommand.empty())
        out.push_back({"", 0, "no wizard class: loaderJavaCommand names the main class the JVM runs",
                       "loaderJavaCommand=<the main class of install.jar and its arguments>"});
    return out;
}

std::vector<Finding> checkPropertiesText(std::string_view text) {
    std::vector<Finding> out;
    const std::vector<std::string_view>& known = LauncherProperties::keys();
    std::map<std::string_view, size_t> seen;
    size_t lineNo = 0;
    // The launcher's own reader: lines cut at its limit (the rest of a longer
    // line skipped), 8-bit text read as ISO 8859-1, each line ending at its
    // first carriage return.
    LauncherProperties::eachLine(text, [&](std::string& line, bool cut) {
        ++lineNo;
        std::string_view raw = std::string_view(line).substr(0, line.find('\r'));
        if (cut)
            out.push_back({"", lineNo,
                           "the line is longer than " + std::to_string(kPropLineLimit) +
                               " characters: the launcher reads its first " + std::to_string(kPropLineLimit) +
                               " and skips the rest",
                           "shorten the line"});
        std::string_view trimmed = trimBlanks(raw);
        if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '!') return;

        // Escapes: the launcher drops every backslash and takes the next
        // character as it is; nothing else is an escape.
        std::string fixed;
        bool unicode = false, single = false, control = false, continued = false;
        // A line with "X:\" holds a Windows path, where "\t" is a folder's
        // first letter; elsewhere it is Java's escape of a tab.
        bool windowsPath = raw.find(":\\") != std::string_view::npos;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\') {
                fixed += raw[i];
                continue;
            }
            if (i + 1 >= raw.size()) {
                continued = true;
                break;
            }
            char next = raw[i + 1];
            if (unicodeEscapeAt(raw, i)) {
                // Java writes each UTF-16 unit; a pair of them is one letter.
                unicode = true;
                std::u16string units;
                for (; unicodeEscapeAt(raw, i); i += 6)
                    units += static_cast<char16_t>(std::stoul(std::string(raw.substr(i + 2, 4)), nullptr, 16));
                fixed += LauncherProperties::escape(platform::utf16ToUtf8(units));
                --i;
                continue;
            }
            if (!windowsPath && std::string_view("tnrf").find(next) != std::string_view::npos) {
                // Java's escapes of a tab, line ends and a form feed: a tab
                // can stand as it is, the others cannot be written at all.
                control = true;
                if (next == 't') fixed += '\t';
            } else if (std::string_view("\\:= #!\"").find(next) == std::string_view::npos) {
                single = true;
                fixed += "\\\\";
                fixed += next;
            } else {
                fixed += raw.substr(i, 2);
            }
            ++i;
        }
        if (unicode)
            out.push_back({"", lineNo,
                           "\\uXXXX is not an escape here: the launcher drops the backslash and reads u and the four "
                           "digits (Java's Properties.store() writes them)",
                           fixed});
        else if (single)
            out.push_back({"", lineNo,
                           "a single backslash is dropped with the launcher's escapes (C:\\Java\\bin is read as "
                           "C:Javabin): write every backslash twice",
                           fixed});
        if (control)
            out.push_back({"", lineNo,
                           "\\t, \\n, \\r and \\f are not escapes here: the launcher reads the letters t, n, r, f "
                           "(Java's Properties.store() writes them for a tab and line ends)",
                           fixed});
        if (continued)
            out.push_back({"", lineNo,
                           "a backslash at the end of the line is dropped; the next line is not joined to this one",
                           "write the whole value on one line"});

        std::string unescaped = LauncherProperties::unescape(raw);
        std::string_view key = LauncherProperties::keyOfLine(unescaped);
        if (key.empty()) {
            checkUnknownLine(unescaped, known, {}, "launcher", "launcher", lineNo, out);
            return;
        }
        checkSeparator(key, std::string_view(unescaped).substr(key.size()), known, "launcher", lineNo, out);
        if (auto prev = seen.find(key); prev != seen.end())
            out.push_back({"", lineNo,
                           std::string(key) + " is set again (first on line " + std::to_string(prev->second) +
                               "): the last line wins",
                           "keep one of the lines"});
        seen[key] = lineNo;
    });

    // The values as the launcher reads them; it traces and logs nothing here.
    LauncherProperties reader(Family::Posix, Logs::none());
    LaunchSettings settings;
    reader.parseText(text, settings);
    checkQuotes(settings.arguments, seen["args"], out);
    if (settings.executable.empty())
        out.push_back({"", 0, "no execFilename: the launcher has nothing to start",
                       "execFilename=<the full path of the java program>"});
    return out;
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
    std::string controlPath = dir + "/" + kControlFile;
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
    const FamilyRules& rules = rulesFor(family);

    auto need = [&](std::string_view name, const std::string& why, const std::string& fix) {
        if (!hasFile(dir, name)) out.push_back({dir + "/" + std::string(name), 0, "missing: " + why, fix});
    };
    if (s.loaderClasspath.find("install.jar") != std::string::npos)
        need("install.jar", "the installer stops with \"install.jar does not exist.\"",
             "put the wizard's archive into the kit as install.jar");
    need("TestJvm.class", "every JVM fails the version test, so none is found",
         "copy TestJvm.class (dist/kit/TestJvm.class) into the kit");
    if (!s.jvmSelfExtractor.empty())
        need(s.jvmSelfExtractor, "jvmSelfExtractor names it, and the installer cannot install the kit's JVM",
             "put the JVM archive into the kit under that name");
    if (rules.readsVendorKeys && !s.jvmInstallerBinary.empty())
        need(s.jvmInstallerBinary, "jvmInstallerBinary names it, and the vendor installer cannot run",
             "put the vendor installer into the kit under that name");
    for (const std::string* name : {&s.systemSecurityPolicyFilename, &s.userSecurityPolicyFilename,
                                    &s.keystoreFilename})
        if (!name->empty())
            need(*name, "the control file names it as a security file", "put the file into the kit");
    if (rules.kitCleanupProgram)
        need(rules.kitCleanupProgram, "the Windows installer copies it to __cleanup.exe to remove the kit afterwards",
             "copy cleanup.exe (dist/win32) into the kit");

    std::vector<std::string> props;
    findPropertiesFiles(dir, 0, props);
    for (const std::string& p : props) {
        std::vector<Finding> more = checkPropertiesFile(p);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

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
        text += key + "=" + LauncherProperties::escape(value) + "\n";
    }
    return true;
}

}  // namespace qrl
