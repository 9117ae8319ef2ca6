// Test helper: a kit's JVM archive or a JVM vendor's installer (Windows).
//
//   archive   (no "vendor" argument) unpacks a stand-in JVM into the current
//             directory: bin\java.exe and bin\javaw.exe, copies of the
//             fakejava helper (FAKEJVMKIT_JAVA, else fakejava.exe beside this
//             program). FAKEJVMKIT_MODE "fail" writes them and exits with 3;
//             "old" writes them with bin\fakejava.version saying 1.4.2;
//             "empty" writes nothing and exits with 0.
//   vendor    "vendor <home> <version>" unpacks the same stand-in into <home>
//             and registers it as a JRE below SOFTWARE\JavaSoft (below
//             QUARLAN_REGISTRY_ROOT of HKEY_CURRENT_USER; nothing without it).
//   record    when FAKEJVMKIT_RECORD names a file, the working directory and
//             the arguments (one record "<length>:<bytes>\n" each).
#include <cstdio>
#include <string>

#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace {

bool copy(const std::string& from, const std::string& to) {
    std::FILE* in = platform::openFile(from, "rb");
    if (!in) return false;
    std::FILE* out = platform::openFile(to, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) std::fwrite(buf, 1, n, out);
    std::fclose(in);
    return std::fclose(out) == 0;
}

bool unpack(const std::string& home) {
    std::string java = platform::getEnv("FAKEJVMKIT_JAVA").value_or("");
    if (java.empty()) {
        std::string self = platform::programPath();
        java = self.substr(0, self.find_last_of("\\/") + 1) + "fakejava.exe";
    }
    // Either may exist already; a folder that is missing fails the copies.
    (void)platform::makeDir(home);
    (void)platform::makeDir(home + "\\bin");
    return copy(java, home + "\\bin\\java.exe") && copy(java, home + "\\bin\\javaw.exe");
}

}  // namespace

int utf8Main(std::vector<std::string>& args) {
    if (auto file = platform::getEnv("FAKEJVMKIT_RECORD"); file && !file->empty()) {
        if (std::FILE* f = platform::openFile(*file, "wb")) {
            std::fprintf(f, "cwd=%s\n", platform::currentDir().value_or("").c_str());
            for (const auto& a : args) std::fprintf(f, "%zu:%s\n", a.size(), a.c_str());
            std::fclose(f);
        }
    }
    if (args.size() >= 4 && args[1] == "vendor") {
        const std::string& home = args[2];
        const std::string& version = args[3];
        if (!unpack(home)) return 2;
        auto root = platform::getEnv("QUARLAN_REGISTRY_ROOT");
        if (!root || root->empty()) return 0;
        size_t dot = version.rfind('.');
        std::string key = *root + "\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\" + version.substr(0, dot);
        // A JRE left unregistered shows in the test that looks for it.
        (void)platform::regSetString(platform::RegRoot::CurrentUser, key, "JavaHome", home);
        (void)platform::regSetString(platform::RegRoot::CurrentUser, key, "MicroVersion", version.substr(dot + 1));
        return 0;
    }
    std::string mode = platform::getEnv("FAKEJVMKIT_MODE").value_or("ok");
    if (mode == "empty") return 0;
    if (!unpack(".")) return 2;
    if (mode == "old") {
        if (std::FILE* f = platform::openFile("bin\\fakejava.version", "wb")) {
            std::fputs("1.4.2\n", f);
            std::fclose(f);
        }
    }
    return mode == "fail" ? 3 : 0;
}
