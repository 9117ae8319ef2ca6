// kitcheck's readers: whatever a control or properties file holds, kitcheck's
// findings agree with what the installer and the launcher read from it (the
// same values, a missing class path switch or program reported exactly when
// the program misses it), every finding names a line of the file, and nothing
// is written, even with the trace files and term.log in the current directory.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/files.h"
#include "kitcheck/kitcheck.h"
#include "launcher/properties.h"
#include "platform/fs.h"
#include "sandbox.h"

namespace {

std::string all(const qrl::ControlSettings& s) {
    return s.requiredVersion + '\n' + s.minVersion + '\n' + s.maxVersion + '\n' + s.jvmVersion + '\n' + s.jvmName +
           '\n' + s.jvmCommandName + '\n' + s.jvmExtraParameters + '\n' + s.jvmClasspathSwitch + '\n' +
           s.loaderJavaCommand + '\n' + s.loaderClasspath + '\n' + s.jvmInstallerType + '\n' + s.jvmSelfExtractor +
           '\n' + s.jvmInstallerBinary + '\n' + s.jvmInstallerCommand + '\n' + s.predefinedJvmInstallDir + '\n' +
           s.jvmHomeDir + '\n' + s.systemSecurityPolicyFilename + '\n' + s.userSecurityPolicyFilename + '\n' +
           s.keystoreFilename + '\n' + s.appletUrl + '\n' + s.startGuiCommand + '\n' + s.checkGuiRunningCommand +
           '\n' + s.searchForJvm;
}

bool reports(const std::vector<qrl::Finding>& findings, std::string_view fix) {
    for (const auto& f : findings)
        if (f.line == 0 && f.fix == fix) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::InDir in(fuzzsupport::sandbox());
    static const bool made = [] {
        for (const char* name : {"jinstall.log", "startapp.log", "term.log"}) std::ofstream{name};
        return true;
    }();
    if (!made) std::abort();
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';

    for (qrl::Family family : {qrl::Family::Windows, qrl::Family::Posix, qrl::Family::Mac}) {
        qrl::ControlSettings seen, read;
        auto findings = qrl::checkControlText(text, family, &seen);
        qrl::ControlFile(family, qrl::Logs::none()).parseText(read, text);
        if (all(seen) != all(read)) std::abort();
        if (reports(findings, "jvmClasspathSwitch=-cp") != read.jvmClasspathSwitch.empty()) std::abort();
        for (const auto& f : findings)
            if (f.line > lines) std::abort();
    }

    auto findings = qrl::checkPropertiesText(text);
    qrl::LaunchSettings launched;
    qrl::LauncherProperties(qrl::Family::Posix, qrl::Logs::none()).parseText(text, launched);
    if (reports(findings, "execFilename=<the full path of the java program>") != launched.executable.empty())
        std::abort();
    for (const auto& f : findings)
        if (f.line > lines) std::abort();

    for (const char* name : {"jinstall.log", "startapp.log", "term.log"})
        if (platform::fileSize(name).value_or(1) != 0) std::abort();
    if (platform::exists("errors.log")) std::abort();
    return 0;
}
