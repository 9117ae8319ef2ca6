// Argument strings split at blanks for a process start, and the joined log
// form: splitting never loses a byte, and the shell quoting of any word
// contains no unquoted special character.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/execcmd.h"
#include "common/shellquote.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string args(reinterpret_cast<const char*>(data), size);
    qrl::ExecCommand exec(qrl::Family::Windows, qrl::Logs::inCurrentDir());
    auto argv = exec.buildVector("prog.exe", args);
    std::string joined;
    for (size_t i = 1; i < argv.size(); ++i) joined += (i > 1 ? " " : "") + argv[i];
    if (!args.empty() && joined != args) std::abort();
    (void)qrl::ExecCommand::argsString(argv);

    std::string quoted = qrl::shellQuote(args);
    if (quoted.empty()) std::abort();
    if (quoted.front() == '\'') {
        // Every single quote inside is written as '\'' and the word is closed.
        if (quoted.back() != '\'') std::abort();
    } else if (quoted != args) {
        std::abort();
    }
    return 0;
}
