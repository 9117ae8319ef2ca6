// kitpack: the one file an end user downloads, made from a kit.
//
//   kitpack --family posix|windows|macos --name NAME [--version V] [--icon FILE]
//           [--force] KITDIR OUTFILE
//   kitpack --jvm-archive --family posix|windows|macos JVMDIR OUTFILE
//
// Exit status 0 when the file was written, 1 otherwise.
#include "kitpack/kitpack.h"
#include "platform/console.h"
#include "platform/entry.h"
#include "platform/fs.h"

namespace {

constexpr const char* kUsage =
    "Usage: kitpack --family posix|windows|macos --name NAME [--version V] [--icon FILE]\n"
    "               [--force] KITDIR OUTFILE\n"
    "       kitpack --jvm-archive --family posix|windows|macos JVMDIR OUTFILE\n"
    "\n"
    "Checks the kit as kitcheck does (a kit with problems is refused unless\n"
    "--force is given), then writes the one file an end user runs:\n"
    "  posix    OUTFILE, a self-extracting program (makeself):\n"
    "           ./OUTFILE  or  ./OUTFILE -q answers.properties\n"
    "  windows  OUTFILE.exe (makensis): OUTFILE.exe [-q answers.properties]\n"
    "  macos    OUTFILE.zip holding NAME.app (zip)\n"
    "The end user's program exits with 0 when the installation succeeded,\n"
    "1 when it failed (POSIX: 128+N when stopped by signal N).\n"
    "\n"
    "--jvm-archive makes the kit's own JVM archive (the kit's jvmSelfExtractor)\n"
    "from a JVM folder (a JDK, or what jlink made): a program that unpacks the\n"
    "JVM into its current directory, modes and links kept, silent, exit status\n"
    "0 on success (posix, macos: makeself; windows: OUTFILE.exe, NSIS).\n"
    "\n"
    "Exit status: 0 when the file was written, 1 otherwise.\n";

}  // namespace

int utf8Main(std::vector<std::string>& args) {
    if (args.size() >= 2 && (args[1] == "--help" || args[1] == "-h")) {
        platform::writeStdout(kUsage);
        return 0;
    }
    std::string error;
    std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    std::optional<qrl::PackOptions> options = qrl::parsePackArgs(rest, error);
    if (!options) {
        platform::writeStderr("kitpack: " + error + "\n\n" + kUsage);
        return 1;
    }
    std::string program = platform::programPath();
    std::string programDir = program.substr(0, program.rfind('/') == std::string::npos ? 0 : program.rfind('/'));
    if (options->jvmArchive) return qrl::packJvmArchive(*options) ? 0 : 1;
    return qrl::packKit(*options, programDir.empty() ? "." : programDir) ? 0 : 1;
}
