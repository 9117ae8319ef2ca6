// Test helper: records the arguments it received, its working directory and
// its CLASSPATH in the file named by ARGVDUMP_FILE (default "argvdump.txt" in
// the working directory). Each record is "<length>:<bytes>\n", so empty
// arguments and arguments holding line ends stay visible. Exits with the
// status given in ARGVDUMP_EXIT (default 0).
#include <cstdio>
#include <cstdlib>

#include "platform/entry.h"
#include "platform/env.h"
#include "platform/fs.h"

int utf8Main(std::vector<std::string>& args) {
    std::string file = platform::getEnv("ARGVDUMP_FILE").value_or("argvdump.txt");
    std::FILE* f = platform::openFile(file, "wb");
    if (!f) return 99;
    for (const auto& a : args) std::fprintf(f, "%zu:%s\n", a.size(), a.c_str());
    std::fclose(f);
    std::FILE* info = platform::openFile(file + ".info", "wb");
    if (info) {
        std::fprintf(info, "cwd=%s\n", platform::currentDir().value_or("").c_str());
        auto cp = platform::getEnv("CLASSPATH");
        std::fprintf(info, "classpath=%s\n", cp ? cp->c_str() : "<unset>");
        std::fclose(info);
    }
    return std::atoi(platform::getEnv("ARGVDUMP_EXIT").value_or("0").c_str());
}
