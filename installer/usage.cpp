#include "installer/usage.h"

#include "installer/installrun.h"
#include "installer/commandline.h"
#include "platform/console.h"

namespace qrl {

std::string_view programVersion() { return QRL_VERSION; }

std::string installerVersion(std::string_view program) {
    return std::string(program) + " (Quarlan native programs) " + std::string(programVersion()) + "\n";
}

std::string installerUsage(std::string_view program, Family family) {
    const RunPolicy& policy = runPolicy(family);
    const bool windows = family == Family::Windows;
    std::string p(program);
    std::string text = p + ": the installer of a Quarlan kit (" + familyName(family) + " family).\n\n";
    text += "Usage: " + p + (policy.propertiesSwitch ? " [-q FILE | -s FILE]\n" : " [-q FILE]\n");
    text += "       " + p + (windows ? " --version\n\n" : " --help | --version\n\n");
    text += "Start it in the directory of the unpacked kit (qrl.control, install.jar, ...).\n"
            "It finds a Java runtime that the kit accepts, or installs the kit's own, starts\n"
            "the kit's Java install wizard and waits for it, then copies its logs to the\n"
            "directory named in startdir.txt and removes the kit's directory.\n\n";
    text += "  -q FILE     unattended: no questions; the wizard takes its answers from FILE\n";
    if (policy.propertiesSwitch) text += "  -s FILE     the wizard takes its answers from FILE; no status window\n";
    if (!windows) text += "  --help      this text (nothing is installed)\n";
    text += "  --version   the version (nothing is installed)\n\n";
    text += windows ? "Exit status: 0 when the installation succeeded, 1 when it failed or the\n"
                      "command line holds another switch (nothing is installed then).\n"
                    : "Exit status: 1 when the installation succeeded, 0 when it failed.\n";
    text += "Logs land in the directory named in startdir.txt: errors.log, and the trace\n"
            "jinstall.log after a failure (always, when the kit holds one beforehand;\n"
            "an empty term.log in the kit echoes the trace on the terminal).\n";
    return text;
}

namespace {

std::string programName(const std::vector<std::string>& args) {
    std::string program = args.empty() ? "installer" : args[0];
    size_t sep = program.find_last_of("/\\");
    if (sep != std::string::npos) program.erase(0, sep + 1);
    return program;
}

}  // namespace

bool printInstallerInfo(const std::vector<std::string>& args, Family family) {
    if (args.size() < 2 || (args[1] != "--help" && args[1] != "--version")) return false;
    std::string program = programName(args);
    platform::writeStdout(args[1] == "--help" ? installerUsage(program, family) : installerVersion(program));
    return true;
}

std::string unknownSwitch(const std::vector<std::string>& args, Family family) {
    if (family == Family::Windows) {
        // As the installer reads its words: "-q" and "-s" are switches, the
        // first other word after one is the details file, whatever it holds.
        bool switchSeen = false, detailsTaken = false;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& word = args[i];
            if (word == "-q" || word == "-s") {
                switchSeen = true;
            } else if (switchSeen && !detailsTaken) {
                detailsTaken = true;
            } else if (!word.empty() && (word[0] == '-' || word[0] == '/') &&
                       !(word == "--version" && args.size() == 2)) {
                return word;
            }
        }
        return {};
    }
    const bool properties = runPolicy(family).propertiesSwitch;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "-q" || (properties && word == "-s")) {
            if (i + 1 < args.size()) detailsArgument(args, ++i);
            continue;
        }
        // Older Finders add "-psn_<number>" to a program started from a bundle.
        if (word.rfind("-psn_", 0) == 0) continue;
        if (word.size() > 1 && word[0] == '-' && word != "--help" && word != "--version") return word;
    }
    return {};
}

bool rejectUnknownSwitch(const std::vector<std::string>& args, Family family) {
    std::string word = unknownSwitch(args, family);
    if (word.empty()) return false;
    std::string program = programName(args);
    platform::writeStderr(program + ": unknown option " + word + "\n\n" + installerUsage(program, family));
    return true;
}

}  // namespace qrl
