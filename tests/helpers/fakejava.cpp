// Test helper: a stand-in Java launcher ("java", "java.exe", "javaw.exe").
//
//   version   first line of "fakejava.version" beside the program, else the
//             environment variable FAKEJAVA_VERSION, else 17.0.15
//   -version  prints a banner on standard error, after the notice a real JVM
//             prints when JAVA_TOOL_OPTIONS is set:
//               openjdk version "<version>" 2025-04-15
//   probe     "-cp . TestJvm <dir>" writes <dir>/jvmGood.txt with the version,
//             provided "TestJvm.class" is in the working directory
//   record    when FAKEJAVA_RECORD names a file, the arguments (one record
//             "<length>:<bytes>\n" each, the program name first), and in
//             <file>.info the working directory and CLASSPATH
//   wizard    a main class other than TestJvm creates "__qrlwizard.sem" in the
//             working directory when FAKEJAVA_WIZARD is "ok", unless a file
//             "fakejava.nowizard" lies beside the program (a JVM that cannot
//             run the wizard)
//   sleep     a wizard waits FAKEJAVA_SLEEP_MS milliseconds before it ends
//   echo      when FAKEJAVA_ECHO is set, standard input is copied to standard
//             output, then the value written to standard error
//   exit      FAKEJAVA_EXIT, else 0; a wizard's FAKEJAVA_WIZARD_EXIT when set
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace {

std::string dirOf(const std::string& path) {
    size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? "." : path.substr(0, sep);
}

std::string version() {
    std::string file = dirOf(platform::programPath()) + "/fakejava.version";
    if (std::FILE* f = platform::openFile(file, "rb")) {
        char buf[256] = {};
        std::string v = std::fgets(buf, sizeof buf, f) ? buf : "";
        std::fclose(f);
        while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
        return v;
    }
    return platform::getEnv("FAKEJAVA_VERSION").value_or("17.0.15");
}

void record(const std::vector<std::string>& args) {
    auto file = platform::getEnv("FAKEJAVA_RECORD");
    if (!file || file->empty()) return;
    if (std::FILE* f = platform::openFile(*file, "wb")) {
        for (const auto& a : args) std::fprintf(f, "%zu:%s\n", a.size(), a.c_str());
        std::fclose(f);
    }
    if (std::FILE* f = platform::openFile(*file + ".info", "wb")) {
        std::fprintf(f, "cwd=%s\n", platform::currentDir().value_or("").c_str());
        auto cp = platform::getEnv("CLASSPATH");
        std::fprintf(f, "classpath=%s\n", cp ? cp->c_str() : "<unset>");
        std::fclose(f);
    }
}

}  // namespace

int utf8Main(std::vector<std::string>& args) {
    record(args);
    if (auto echo = platform::getEnv("FAKEJAVA_ECHO")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, stdin)) > 0;) std::fwrite(buf, 1, n, stdout);
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", echo->c_str());
    }
    int status = std::atoi(platform::getEnv("FAKEJAVA_EXIT").value_or("0").c_str());
    if (auto opts = platform::getEnv("JAVA_TOOL_OPTIONS"))
        std::fprintf(stderr, "Picked up JAVA_TOOL_OPTIONS: %s\n", opts->c_str());
    std::string v = version();
    size_t i = 1;
    while (i < args.size() && !args[i].empty() && args[i][0] == '-') {
        if (args[i] == "-version") {
            std::fprintf(stderr, "openjdk version \"%s\" 2025-04-15\n", v.c_str());
            std::fprintf(stderr, "OpenJDK Runtime Environment (build %s)\n", v.c_str());
            return status;
        }
        i += (args[i] == "-cp" || args[i] == "-classpath") ? 2 : 1;
    }
    if (i >= args.size()) return status;
    if (args[i] == "TestJvm") {
        if (!platform::exists("TestJvm.class")) {
            std::fprintf(stderr, "Error: Could not find or load main class TestJvm\n");
            return 1;
        }
        std::string dir = i + 1 < args.size() ? args[i + 1] : ".";
        if (std::FILE* f = platform::openFile(dir + "/jvmGood.txt", "wb")) {
            std::fprintf(f, "%s\n", v.c_str());
            std::fclose(f);
        }
        return status;
    }
    if (auto ms = platform::getEnv("FAKEJAVA_SLEEP_MS")) platform::sleepMs(static_cast<unsigned>(std::atoi(ms->c_str())));
    bool canRunWizard = !platform::exists(dirOf(platform::programPath()) + "/fakejava.nowizard");
    if (canRunWizard && platform::getEnv("FAKEJAVA_WIZARD").value_or("") == "ok") {
        if (std::FILE* f = platform::openFile("__qrlwizard.sem", "wb")) std::fclose(f);
    }
    if (auto wizardExit = platform::getEnv("FAKEJAVA_WIZARD_EXIT")) return std::atoi(wizardExit->c_str());
    return status;
}
