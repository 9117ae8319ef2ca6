// Test helper: a stand-in Java uninstaller ("Uninstall.exe").
//   FAKEUNINSTALL_RECORD  file that receives the arguments (argvdump records,
//                         the program name first) and <file>.info the working
//                         directory
//   FAKEUNINSTALL_DONE    "1": create "__uninstall_done__" in the working
//                         directory, as a completed uninstall does
#include <cstdio>

#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"

int utf8Main(std::vector<std::string>& args) {
    if (auto file = platform::getEnv("FAKEUNINSTALL_RECORD")) {
        if (std::FILE* f = platform::openFile(*file, "wb")) {
            for (const auto& a : args) std::fprintf(f, "%zu:%s\n", a.size(), a.c_str());
            std::fclose(f);
        }
        if (std::FILE* f = platform::openFile(*file + ".info", "wb")) {
            std::fprintf(f, "cwd=%s\n", platform::currentDir().value_or("").c_str());
            std::fclose(f);
        }
    }
    if (platform::getEnv("FAKEUNINSTALL_DONE").value_or("") == "1") {
        if (std::FILE* f = platform::openFile("__uninstall_done__", "wb")) std::fclose(f);
    }
    return 7;
}
