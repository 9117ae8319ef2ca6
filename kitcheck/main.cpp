// kitcheck: checks a kit before it ships.
//
//   kitcheck [--family posix|windows|macos] DIR|FILE.properties ...
//   kitcheck --write-properties FILE|- key=value ...
//   kitcheck --jvm [--json] [--family F] KIT | [--min V] [--max V] [--required V]
//   kitcheck --help
//
// Exit status 0 when nothing was found, 1 otherwise (--jvm: see the usage).
#include <map>

#include "kitcheck/jvmreport.h"
#include "kitcheck/kitcheck.h"
#include "platform/console.h"
#include "platform/entry.h"
#include "platform/fs.h"

namespace {

constexpr const char* kUsage =
    "Usage: kitcheck [--family posix|windows|macos] DIR|FILE.properties ...\n"
    "       kitcheck --write-properties FILE|- key=value ...\n"
    "       kitcheck --jvm [--json] [--family posix|windows|macos] KIT\n"
    "       kitcheck --jvm [--json] [--family ...] [--min V] [--max V] [--required V]\n"
    "\n"
    "Checks a kit directory (its qrl.control, the files it needs and every\n"
    "Quarlan/*.properties below it) or launcher properties files, as the\n"
    "installer and the launchers read them. Each finding names the file and\n"
    "line, what the program would do, and a fix. The family is taken from the\n"
    "kit (installer.exe or cleanup.exe: windows; macsetup: macos; else posix).\n"
    "\n"
    "--write-properties writes a launcher properties file with the given keys\n"
    "(programName, execFilename, args, startDir, jvmMinVersion, jvmMaxVersion,\n"
    "jvmRequiredVersion, userJvmOptions), escaped as the launchers read it; - writes to\n"
    "standard output.\n"
    "\n"
    "--jvm runs the JVM search the kit's installer would run on this machine\n"
    "(or, with a version range, the one a launcher runs) and prints every\n"
    "candidate in the order it is tried, its version and why it was chosen or\n"
    "rejected, then what the installer would do next; --json prints the same\n"
    "as one JSON object. Nothing is installed. Exit status 0 when the\n"
    "installer (or launcher) would get a JVM: one it finds, or the kit's own\n"
    "archive or vendor installer; 1 otherwise; 2 when the version range\n"
    "cannot be met or read (--required takes no --min or --max).\n"
    "\n"
    "Exit status: 0 when nothing was found, 1 otherwise.\n";

int writeProperties(const std::vector<std::string>& args) {
    if (args.size() < 3) {
        platform::writeStderr(kUsage);
        return 1;
    }
    std::vector<std::pair<std::string, std::string>> values;
    for (size_t i = 3; i < args.size(); ++i) {
        size_t eq = args[i].find('=');
        if (eq == std::string::npos) {
            platform::writeStderr("kitcheck: " + args[i] + ": not key=value\n");
            return 1;
        }
        values.emplace_back(args[i].substr(0, eq), args[i].substr(eq + 1));
    }
    std::string text, error;
    if (!qrl::launcherPropertiesText(values, text, error)) {
        platform::writeStderr("kitcheck: " + error + "\n");
        return 1;
    }
    const std::string& file = args[2];
    if (file == "-") {
        platform::writeStdout(text);
        return 0;
    }
    std::FILE* f = platform::openFile(file, "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) {
        platform::writeStderr("kitcheck: cannot write " + file + "\n");
        return 1;
    }
    return 0;
}

}  // namespace

int utf8Main(std::vector<std::string>& args) {
    if (args.size() >= 2 && args[1] == "--write-properties") return writeProperties(args);
    if (args.size() >= 2 && args[1] == "--jvm") return qrl::jvmReportMain(args);
    if (args.size() < 2 || args[1] == "--help") {
        (args.size() < 2 ? platform::writeStderr : platform::writeStdout)(kUsage);
        return args.size() < 2 ? 1 : 0;
    }
    const std::map<std::string, qrl::Family> families{
        {"posix", qrl::Family::Posix}, {"windows", qrl::Family::Windows}, {"macos", qrl::Family::Mac}};
    std::optional<qrl::Family> family;
    std::vector<qrl::Finding> findings;
    size_t checked = 0;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--family" && i + 1 < args.size()) {
            auto it = families.find(args[++i]);
            if (it == families.end()) {
                platform::writeStderr("kitcheck: unknown family " + args[i] + " (posix, windows, macos)\n");
                return 1;
            }
            family = it->second;
            continue;
        }
        std::string path = args[i];
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        std::vector<qrl::Finding> more;
        if (platform::typeOf(path) == platform::FileType::Directory) {
            qrl::Family f = family.value_or(qrl::guessKitFamily(path));
            platform::writeStdout("kitcheck: " + path + " (" + qrl::familyName(f) + " kit)\n");
            more = qrl::checkKit(path, f);
        } else {
            more = qrl::checkPropertiesFile(path);
        }
        findings.insert(findings.end(), more.begin(), more.end());
        ++checked;
    }
    if (checked == 0) {
        platform::writeStderr(kUsage);
        return 1;
    }
    for (const qrl::Finding& f : findings) {
        std::string where = f.file + (f.line ? ":" + std::to_string(f.line) : "");
        platform::writeStdout(where + ": " + f.problem + "\n    fix: " + f.fix + "\n");
    }
    if (findings.empty()) {
        platform::writeStdout("kitcheck: no problems found\n");
        return 0;
    }
    platform::writeStdout("kitcheck: " + std::to_string(findings.size()) +
                          (findings.size() == 1 ? " problem\n" : " problems\n"));
    return 1;
}
