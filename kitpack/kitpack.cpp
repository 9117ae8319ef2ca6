#include "kitpack/kitpack.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>


#include "common/files.h"
#include "common/scratchdir.h"
#include "installer/controlfile.h"
#include "kitcheck/kitcheck.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace qrl {
namespace {

namespace fs = std::filesystem;

// The outside tool each family needs, with the Debian package that has it.
struct Tool {
    const char* program;
    const char* package;
};
Tool toolFor(Family family) {
    switch (family) {
    case Family::Posix: return {"makeself", "makeself"};
    case Family::Windows: return {"makensis", "nsis"};
    case Family::Mac: return {"zip", "zip"};
    }
    return {"", ""};
}

void say(const std::string& line) { platform::writeStdout("kitpack: " + line + "\n"); }
void complain(const std::string& line) { platform::writeStderr("kitpack: " + line + "\n"); }

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    return platform::currentDir().value_or(".") + "/" + path;
}

// What a kit holds that belongs to one run, not to the kit.
bool runsOwn(const std::string& name) { return name == "startdir.txt" || name == "__qrlwizard.sem"; }

// Copies the kit's files (modes and links kept) into `to`, leaving out the
// names in `skip`.
bool stageKit(const std::string& kit, const std::string& to, const std::vector<std::string>& skip) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) return false;
    for (const auto& entry : fs::directory_iterator(kit, ec)) {
        std::string name = entry.path().filename().string();
        if (runsOwn(name)) continue;
        bool skipped = false;
        for (const auto& s : skip) skipped = skipped || s == name;
        if (skipped) continue;
        fs::copy(entry.path(), fs::path(to) / name,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec) {
            complain("cannot copy " + entry.path().string() + ": " + ec.message());
            return false;
        }
    }
    return !ec;
}

bool copyOne(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) complain("cannot copy " + from + ": " + ec.message());
    return !ec;
}

bool writeText(const std::string& path, const std::string& text) {
    std::FILE* f = platform::openFile(path, "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) complain("cannot write " + path);
    return ok;
}

// The staged control file names the product: the kit's own name, else the
// one it is packed under. The staged file is written anew, never through a
// link the kit may hold there.
bool nameProduct(const std::string& stage, const PackOptions& o) {
    std::string control = stage + "/qrl.control", text;
    if (!readTextFile(control, text)) return true;  // kitcheck has said what is wrong with it
    std::string named = withProductName(text, o.name, o.family);
    if (named == text) return true;
    (void)platform::removeFile(control);  // writeText tells a file it cannot replace
    return writeText(control, named);
}

bool run(const std::vector<std::string>& argv) {
    platform::SpawnResult r = platform::spawn(argv[0], argv);
    if (!r.started) {
        complain("cannot start " + argv[0] + ": " + r.why.text());
        return false;
    }
    if (r.exitCode != 0) {
        complain(fs::path(argv[0]).filename().string() + " failed (exit status " + std::to_string(r.exitCode) + ")");
        return false;
    }
    return true;
}

std::string nsisQuoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '$')
            out += "$$";
        else if (c == '"')
            out += "$\\\"";
        else
            out += c;
    }
    return out + "\"";
}

// The version resource's texts are taken as they are written, but for the
// quote.
std::string versionQuoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("$\\\"") : std::string(1, c);
    return out + "\"";
}

std::string xmlEscaped(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A bundle identifier from the name: letters, digits, '-' and '.' only.
std::string bundleIdentifier(std::string_view name) {
    std::string id = "installer.";
    for (char c : name) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
        id += keep ? c : '-';
    }
    return id;
}

bool packPosix(const PackOptions& o, const std::string& programDir, const std::string& scratch,
               const std::string& out) {
    std::string stage = scratch + "/kit";
    if (!stageKit(o.kitDir, stage, {}) || !nameProduct(stage, o)) return false;
    if (!platform::exists(stage + "/unixloader")) {
        std::string ours = programDir + "/unixloader";
        if (!platform::exists(ours)) {
            complain("the kit holds no unixloader, and there is none beside kitpack");
            return false;
        }
        say("the kit holds no unixloader: adding " + ours);
        if (!copyOne(ours, stage + "/unixloader")) return false;
        (void)platform::setMode(stage + "/unixloader", 0755);  // the copy has the modes of its source already
    }
    std::string header = scratch + "/header.sh";
    if (!writeText(header, std::string(posixHeaderScript()))) return false;
    std::string label = o.name + (o.version.empty() ? "" : " " + o.version);
    return run({findOnPath("makeself"), "--quiet", "--nox11", "--nomd5", "--header", header, stage, out, label,
                "./unixloader"});
}

bool packWindows(const PackOptions& o, const std::string& scratch, const std::string& out) {
    std::string stage = scratch + "/kit";
    if (!stageKit(o.kitDir, stage, {}) || !nameProduct(stage, o)) return false;
    if (!platform::exists(stage + "/installer.exe")) {
        complain("the kit holds no installer.exe (take it from the x86 Windows archive)");
        return false;
    }
    std::string script = scratch + "/wrapper.nsi";
    if (!writeText(script, nsisScript(o, stage, out))) return false;
    return run({findOnPath("makensis"), "-V2", "-INPUTCHARSET", "UTF8", script});
}

bool packMac(const PackOptions& o, const std::string& scratch, const std::string& out) {
    std::string app = scratch + "/" + o.name + ".app";
    std::string contents = app + "/Contents";
    std::string setup = o.kitDir + "/macsetup";
    if (platform::typeOf(setup) != platform::FileType::File) {
        complain("the kit holds no macsetup (take it from the macOS archive)");
        return false;
    }
    if (!stageKit(o.kitDir, contents + "/Resources", {"macsetup"}) || !nameProduct(contents + "/Resources", o))
        return false;
    std::error_code ec;
    fs::create_directories(contents + "/MacOS", ec);
    if (ec || !copyOne(setup, contents + "/MacOS/" + o.name)) return false;
    (void)platform::setMode(contents + "/MacOS/" + o.name, 0755);  // the copy has the modes of its source already
    if (!o.icon.empty() && !copyOne(o.icon, contents + "/Resources/" + o.name + ".icns")) return false;
    if (!writeText(contents + "/Info.plist", infoPlist(o))) return false;
    (void)platform::removeFile(out);  // one that stays fails the zip, which says so
    // zip names the entries as given: run it in the folder that holds the
    // bundle. -y keeps links as links; modes travel in zip's Unix fields.
    return run({"/bin/sh", "-c", "cd \"$1\" && exec \"$2\" -q -r -y -X \"$3\" \"$4\"", "sh", scratch,
                findOnPath("zip"), out, o.name + ".app"});
}

// The end of a packing: the file is there (makeself ends with 0 even when it
// could not write it), or nothing is left of it.
bool finish(bool ok, const std::string& out) {
    std::optional<std::uint64_t> size = platform::fileSize(out);
    if (ok && (platform::typeOf(out) != platform::FileType::File || !size || *size == 0)) {
        complain(out + " was not written");
        ok = false;
    }
    if (!ok) {
        (void)platform::removeFile(out);  // the failure is told below
        complain("nothing was packed");
        return false;
    }
    say("wrote " + out);
    return true;
}

}  // namespace

std::optional<PackOptions> parsePackArgs(const std::vector<std::string>& args, std::string& error) {
    static const std::map<std::string, Family> families{
        {"posix", Family::Posix}, {"windows", Family::Windows}, {"macos", Family::Mac}};
    PackOptions o;
    bool haveFamily = false;
    std::vector<std::string> plain;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--family") {
            std::string f;
            if (!value(f)) return std::nullopt;
            auto it = families.find(f);
            if (it == families.end()) {
                error = "unknown family " + f + " (posix, windows, macos)";
                return std::nullopt;
            }
            o.family = it->second;
            haveFamily = true;
        } else if (a == "--name") {
            if (!value(o.name)) return std::nullopt;
        } else if (a == "--version") {
            if (!value(o.version)) return std::nullopt;
        } else if (a == "--icon") {
            if (!value(o.icon)) return std::nullopt;
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--jvm-archive") {
            o.jvmArchive = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return std::nullopt;
        } else {
            plain.push_back(a);
        }
    }
    if (!haveFamily) error = "--family is required";
    else if (o.jvmArchive) error = plain.size() != 2 ? "a JVM folder and an output file are required" : "";
    else if (o.name.empty()) error = "--name is required";
    else if (!isUsableName(o.name)) error = "--name must not hold '/', control characters or be . or ..";
    else if (plain.size() != 2) error = "a kit folder and an output file are required";
    if (!error.empty()) return std::nullopt;
    o.kitDir = plain[0];
    while (o.kitDir.size() > 1 && o.kitDir.back() == '/') o.kitDir.pop_back();
    o.outFile = plain[1];
    return o;
}

std::string packedFileName(Family family, const std::string& outFile) {
    if (family == Family::Windows && !endsWith(outFile, ".exe")) return outFile + ".exe";
    if (family == Family::Mac && !endsWith(outFile, ".zip")) return outFile + ".zip";
    return outFile;
}

bool isUsableName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\') return false;
    return true;
}

std::string fourPartVersion(std::string_view version) {
    unsigned long parts[4] = {0, 0, 0, 0};
    size_t count = 0, i = 0;
    while (count < 4 && i < version.size() && version[i] >= '0' && version[i] <= '9') {
        unsigned long v = 0;
        while (i < version.size() && version[i] >= '0' && version[i] <= '9') {
            if (v < 65535) v = v * 10 + static_cast<unsigned long>(version[i] - '0');
            ++i;
        }
        parts[count++] = v > 65535 ? 65535 : v;
        if (i < version.size() && version[i] == '.') ++i;
        else break;
    }
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
           std::to_string(parts[3]);
}

std::string nsisScript(const PackOptions& o, const std::string& kitDir, const std::string& outFile) {
    std::string version = o.version.empty() ? "0" : o.version;
    std::string s;
    s += "; The Windows wrapper: unpacks the kit into a private folder, writes\n"
         "; startdir.txt (UTF-8, the folder this program lies in), runs installer.exe\n"
         "; there with this program's command line and ends with its exit status.\n";
    s += "Unicode true\nSetCompressor /SOLID lzma\nSilentInstall silent\nRequestExecutionLevel user\n";
    s += "Name " + nsisQuoted(o.name) + "\n";
    s += "OutFile " + nsisQuoted(outFile) + "\n";
    if (!o.icon.empty()) s += "Icon " + nsisQuoted(absolute(o.icon)) + "\n";
    s += "VIProductVersion " + fourPartVersion(version) + "\n";
    s += "VIFileVersion " + fourPartVersion(version) + "\n";
    s += "VIAddVersionKey /LANG=0 ProductName " + versionQuoted(o.name) + "\n";
    s += "VIAddVersionKey /LANG=0 FileDescription " + versionQuoted(o.name + " Setup") + "\n";
    s += "VIAddVersionKey /LANG=0 LegalCopyright " + versionQuoted(o.name) + "\n";
    s += "VIAddVersionKey /LANG=0 ProductVersion " + versionQuoted(version) + "\n";
    s += "VIAddVersionKey /LANG=0 FileVersion " + versionQuoted(version) + "\n";
    s += "!include FileFunc.nsh\n";
    s += R"NSIS(
Var start
Var work
Var params

Section
  ; The folder the user is in: a relative answers file is named from there.
  System::Call 'kernel32::GetCurrentDirectoryW(i ${NSIS_MAX_STRLEN}, w .r0)'
  StrCpy $start $0

  ; A private folder of this run below TEMP.
  ClearErrors
  GetTempFileName $work
  Delete $work
  CreateDirectory $work
  IfErrors 0 +3
    SetErrorLevel 1
    Quit
  SetOutPath $work
)NSIS";
    s += "  File /r " + nsisQuoted(kitDir + "/*") + "\n";
    s += R"NSIS(
  ; startdir.txt as UTF-8 without a byte order mark.
  FileOpen $1 "$work\startdir.txt" w
  System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w "$EXEDIR", i -1, p 0, i 0, p 0, p 0) i .r2'
  System::Alloc $2
  Pop $3
  System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w "$EXEDIR", i -1, p r3, i r2, p 0, p 0) i .r2'
  IntOp $2 $2 - 1
  System::Call 'kernel32::WriteFile(p r1, p r3, i r2, *i 0, p 0)'
  System::Free $3
  FileWriteByte $1 13
  FileWriteByte $1 10
  FileClose $1

  ; -q FILE or -s FILE: a relative FILE is made absolute from the user's folder.
  ${GetParameters} $params
  StrCpy $0 $params 3
  StrCmp $0 "-q " switch
  StrCmp $0 "-s " switch run
switch:
  StrCpy $1 $params "" 3
  StrCpy $2 $1 1
  StrCmp $2 '"' 0 +3
    StrCpy $1 $1 "" 1
    StrCpy $1 $1 -1
  StrCpy $2 $1 1 1
  StrCmp $2 ":" run
  StrCpy $2 $1 1
  StrCmp $2 "\" run
  StrCmp $2 "/" run
  StrCmp $1 "" run
  StrCpy $params '$0"$start\$1"'
run:
  ClearErrors
  ExecWait '"$work\installer.exe" $params' $0
  IfErrors 0 +2
    StrCpy $0 1
  ; Leave the folder, so that the installer's clean-up can empty it.
  SetOutPath $TEMP
  SetErrorLevel $0
SectionEnd
)NSIS";
    return s;
}

std::string nsisJvmScript(const std::string& jvmDir, const std::string& outFile) {
    std::string s;
    s += "; A JVM that unpacks itself into the current folder, silently.\n";
    s += "Unicode true\nSetCompressor /SOLID lzma\nSilentInstall silent\nRequestExecutionLevel user\n";
    s += "Name \"JVM\"\nOutFile " + nsisQuoted(outFile) + "\n";
    s += R"NSIS(
Section
  System::Call 'kernel32::GetCurrentDirectoryW(i ${NSIS_MAX_STRLEN}, w .r0)'
  ClearErrors
  SetOutPath $0
)NSIS";
    s += "  File /r " + nsisQuoted(jvmDir + "/*") + "\n";
    s += R"NSIS(
  IfErrors 0 +2
    SetErrorLevel 1
SectionEnd
)NSIS";
    return s;
}

std::string infoPlist(const PackOptions& o) {
    std::string version = o.version.empty() ? "1.0" : o.version;
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n";
    auto key = [&](const std::string& k, const std::string& v) {
        s += "  <key>" + k + "</key>\n  <string>" + xmlEscaped(v) + "</string>\n";
    };
    key("CFBundleDevelopmentRegion", "en");
    key("CFBundleExecutable", o.name);
    key("CFBundleIdentifier", bundleIdentifier(o.name));
    key("CFBundleInfoDictionaryVersion", "6.0");
    key("CFBundleName", o.name);
    key("CFBundleDisplayName", o.name);
    key("CFBundlePackageType", "APPL");
    key("CFBundleShortVersionString", version);
    key("CFBundleVersion", version);
    if (!o.icon.empty()) key("CFBundleIconFile", o.name + ".icns");
    key("LSMinimumSystemVersion", "11.0");
    s += "</dict>\n</plist>\n";
    return s;
}

std::string withProductName(std::string_view controlText, std::string_view name, Family family) {
    ControlFile reader(family, Logs::none());
    reader.status().setQuietMode(true);
    ControlSettings settings;
    reader.parseText(settings, controlText);
    std::string text(controlText);
    if (!settings.productName.empty() || name.empty()) return text;
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text + "productName=" + std::string(name) + "\n";
}

std::string findOnPath(const std::string& name) {
    std::string path = platform::getEnv("PATH").value_or("/usr/bin:/bin");
    size_t from = 0;
    while (from <= path.size()) {
        size_t colon = path.find(':', from);
        std::string dir = path.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        if (dir.empty()) dir = ".";
        std::string candidate = dir + "/" + name;
        std::error_code ec;
        auto st = fs::status(candidate, ec);
        if (!ec && fs::is_regular_file(st) && (st.permissions() & fs::perms::owner_exec) != fs::perms::none)
            return candidate;
        if (colon == std::string::npos) break;
        from = colon + 1;
    }
    return {};
}

namespace {

// The family's outside tool is installed and the scratch folder was made;
// else the reason is on the console.
bool readyToPack(Family family, const ScratchDir& scratch) {
    Tool tool = toolFor(family);
    if (findOnPath(tool.program).empty()) {
        complain(std::string(tool.program) + " is not installed (Debian package " + tool.package +
                 ": apt-get install " + tool.package + ")");
        return false;
    }
    if (scratch.path().empty()) {
        complain("cannot make a scratch folder below TMPDIR");
        return false;
    }
    return true;
}

}  // namespace

bool packJvmArchive(const PackOptions& o) {
    if (platform::typeOf(o.kitDir) != platform::FileType::Directory) {
        complain(o.kitDir + " is not a folder");
        return false;
    }
    Family family = o.family == Family::Windows ? Family::Windows : Family::Posix;
    ScratchDir scratch("kitpack");
    if (!readyToPack(family, scratch)) return false;
    std::string out = absolute(packedFileName(family, o.outFile));
    bool ok = false;
    if (family == Family::Windows) {
        std::string script = scratch.path() + "/jvm.nsi";
        ok = writeText(script, nsisJvmScript(absolute(o.kitDir), out)) &&
             run({findOnPath("makensis"), "-V2", "-INPUTCHARSET", "UTF8", script});
    } else {
        std::string header = scratch.path() + "/header.sh";
        ok = writeText(header, std::string(jvmArchiveHeaderScript())) &&
             run({findOnPath("makeself"), "--quiet", "--nox11", "--nomd5", "--header", header, o.kitDir, out, "JVM",
                  "true"});
    }
    return finish(ok, out);
}

bool packKit(const PackOptions& o, const std::string& programDir) {
    if (platform::typeOf(o.kitDir) != platform::FileType::Directory) {
        complain(o.kitDir + " is not a folder");
        return false;
    }
    if (!o.icon.empty() && platform::typeOf(o.icon) != platform::FileType::File) {
        complain("no icon file " + o.icon);
        return false;
    }
    std::vector<Finding> findings = checkKit(o.kitDir, o.family);
    for (const Finding& f : findings) {
        std::string where = f.file + (f.line ? ":" + std::to_string(f.line) : "");
        platform::writeStdout(where + ": " + f.problem + "\n    fix: " + f.fix + "\n");
    }
    if (!findings.empty()) {
        if (!o.force) {
            complain("the kit has problems (above); nothing was packed (--force packs it anyway)");
            return false;
        }
        say("the kit has problems (above); packing it anyway (--force)");
    }
    ScratchDir scratch("kitpack");
    if (!readyToPack(o.family, scratch)) return false;
    std::string out = absolute(packedFileName(o.family, o.outFile));
    std::string outDir = out.substr(0, out.rfind('/'));
    if (platform::typeOf(outDir.empty() ? "/" : outDir) != platform::FileType::Directory) {
        complain("no folder " + outDir + " to write " + out + " in");
        return false;
    }
    bool ok = false;
    switch (o.family) {
    case Family::Posix: ok = packPosix(o, programDir, scratch.path(), out); break;
    case Family::Windows: ok = packWindows(o, scratch.path(), out); break;
    case Family::Mac: ok = packMac(o, scratch.path(), out); break;
    }
    return finish(ok, out);
}

}  // namespace qrl
