// The control file: any bytes parse without a crash in every family, values
// hold no line ends and fit their fields, and the defaults always apply.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/controlfile.h"

namespace {

// The control file has a fixed name in the current directory: each input is
// parsed in a scratch directory, and the fuzzer's own directory restored.
const std::string& scratchDir() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/qrlfuzz-control-XXXXXX";
        return std::string(::mkdtemp(tmpl) ? tmpl : "");
    }();
    return dir;
}

struct InScratch {
    int saved = ::open(".", O_RDONLY);
    bool ok = saved >= 0 && !scratchDir().empty() && ::chdir(scratchDir().c_str()) == 0;
    ~InScratch() {
        if (saved >= 0) {
            (void)::fchdir(saved);
            ::close(saved);
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InScratch scratch;
    if (!scratch.ok) return 0;
    for (qrl::Family family : {qrl::Family::Windows, qrl::Family::Posix, qrl::Family::Mac}) {
        std::FILE* f = std::fopen("qrl.control", "wb");
        if (!f) return 0;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        std::remove("jinstall.log");
        qrl::ControlFile params(family);
        qrl::ControlSettings s;
        std::string name;
        if (!params.getParameters(s, name)) std::abort();
        for (const std::string* v : {&s.requiredVersion, &s.minVersion, &s.jvmVersion, &s.jvmName,
                                     &s.loaderClasspath, &s.jvmCommandName, &s.predefinedJvmInstallDir}) {
            if (v->find('\n') != std::string::npos || v->find('\r') != std::string::npos) std::abort();
        }
        if (s.requiredVersion.size() > 200 || s.searchForJvm.size() > 99) std::abort();
        if (s.jvmName.empty() || s.loaderClasspath.empty() || s.jvmCommandName.empty()) std::abort();
        if (s.requiredVersion.empty() && s.minVersion.empty()) std::abort();
    }
    return 0;
}
