// The control file: any bytes parse without a crash in every family, values
// hold no line ends and fit their fields, the defaults always apply, and the
// part of a line beyond the line limit never changes a setting.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/controlfile.h"

namespace {

constexpr size_t kLineLimit = 998;

// Tracing and the Windows command-name rule look at the logs' directory: the
// parser gets logs in a directory that no longer exists, so nothing is ever
// traced or written and no directory is left behind.
const qrl::Logs& noLogs() {
    static const qrl::Logs logs = [] {
        char tmpl[] = "/tmp/qrlfuzz-control-XXXXXX";
        std::string dir = ::mkdtemp(tmpl) ? tmpl : "/nonexistent/qrlfuzz-control";
        ::rmdir(dir.c_str());
        return qrl::Logs::in(dir);
    }();
    return logs;
}

// Parsed from memory: no file is written per input.
bool parse(qrl::Family family, const std::string& text, qrl::ControlSettings& s) {
    qrl::ControlFile params(family, noLogs());
    if (!params.parseText(s, text)) std::abort();
    return true;
}

// The text as the parser sees it once the line ends are converted, with every
// line cut at the line limit.
std::string cutLines(qrl::Family family, const std::string& raw) {
    // Only the POSIX reader drops the byte 255 with the carriage returns.
    bool dropFF = family == qrl::Family::Posix;
    std::string out;
    size_t column = 0;
    for (char c : raw) {
        if (c == '\r' || (dropFF && static_cast<unsigned char>(c) == 0xFF)) continue;
        if (c == '\n') {
            column = 0;
        } else if (column++ >= kLineLimit) {
            continue;
        }
        out += c;
    }
    return out;
}

bool sameSettings(const qrl::ControlSettings& a, const qrl::ControlSettings& b) {
    auto all = [](const qrl::ControlSettings& s) {
        return std::string() + s.requiredVersion + '\n' + s.minVersion + '\n' + s.maxVersion + '\n' + s.jvmVersion +
               '\n' + s.jvmName + '\n' + s.jvmCommandName + '\n' + s.jvmExtraParameters + '\n' +
               s.jvmClasspathSwitch + '\n' + s.loaderJavaCommand + '\n' + s.loaderClasspath + '\n' +
               s.jvmInstallerType + '\n' + s.jvmSelfExtractor + '\n' + s.jvmInstallerBinary + '\n' +
               s.jvmInstallerCommand + '\n' + s.predefinedJvmInstallDir + '\n' + s.jvmHomeDir + '\n' +
               s.systemSecurityPolicyFilename + '\n' + s.userSecurityPolicyFilename + '\n' + s.keystoreFilename +
               '\n' + s.appletUrl + '\n' + s.startGuiCommand + '\n' + s.checkGuiRunningCommand + '\n' +
               s.searchForJvm;
    };
    return all(a) == all(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (qrl::Family family : {qrl::Family::Windows, qrl::Family::Posix, qrl::Family::Mac}) {
        qrl::ControlSettings s;
        if (!parse(family, input, s)) return 0;
        for (const std::string* v : {&s.requiredVersion, &s.minVersion, &s.jvmVersion, &s.jvmName,
                                     &s.loaderClasspath, &s.jvmCommandName, &s.predefinedJvmInstallDir}) {
            if (v->find('\n') != std::string::npos || v->find('\r') != std::string::npos) std::abort();
        }
        if (s.requiredVersion.size() > 200 || s.searchForJvm.size() > 99) std::abort();
        if (s.jvmName.empty() || s.loaderClasspath.empty() || s.jvmCommandName.empty()) std::abort();
        if (s.requiredVersion.empty() && s.minVersion.empty()) std::abort();
        // Only worth the second parse when some line is over the limit.
        std::string cut = cutLines(family, input);
        qrl::ControlSettings t;
        if (cut.size() != input.size() && parse(family, cut, t) && !sameSettings(s, t)) std::abort();
    }
    return 0;
}
