// The POSIX JVM search over a tree of stand-in candidates and this machine's
// JDKs: how many JVMs it starts, and its wall time against the time the JVM
// runs it made took, both measured in the same run.
//
//   bench_jvm_search [repetitions [directory]]
//
// The tree and the working directory are made below `directory` (default
// $TMPDIR, else /tmp). Each JVM test creates and removes its capture file
// there, so a file system slow at creating files shows in the overhead.
//
// The search traces to "jinstall.log", as in an install; with BENCH_NO_TRACE
// set it runs without the trace file.
//
// Target: native overhead (wall time minus JVM run time) at most 5% of the
// JVM run time; no JVM started twice in one search.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "common/files.h"
#include "common/shellquote.h"
#include "jvm/findjvm.h"
#include "platform/env.h"
#include "platform/fs.h"

namespace fs = std::filesystem;

namespace {

void write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    if (std::FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
}

// A shell script that reports a version too old for the search.
void standIn(const std::string& home, const std::string& version) {
    std::string java = home + "/bin/java";
    write(java, "#!/bin/sh\nif [ \"$1\" = -cp ]; then printf '%s\\n' " + qrl::shellQuote(version) +
                    " > \"$4/jvmGood.txt\"; exit 0; fi\nprintf 'openjdk version \"%s\"\\n' " +
                    qrl::shellQuote(version) + " >&2\n");
    (void)platform::setMode(java, 0755);  // a stand-in that cannot run fails the first search
}

std::string firstJdk(const std::vector<std::string>& homes) {
    for (const auto& h : homes)
        if (platform::exists(h + "/bin/java")) return h;
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string jdk17 = firstJdk({"/usr/lib/jvm/java-17-openjdk-amd64"});
    std::string jdk25 = firstJdk({"/usr/lib/jvm/temurin-25-jdk-amd64"});
    if (jdk17.empty() && jdk25.empty()) {
        std::fprintf(stderr, "no JDK below /usr/lib/jvm\n");
        return 1;
    }
    // Require the newest JDK the machine has, so that everything else is tried first.
    std::string required = jdk25.empty() ? "17" : "25";

    std::string base = argc > 2 ? argv[2] : platform::getEnv("TMPDIR").value_or("/tmp");
    std::string tmpl = base + "/bench-jvm-XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
        std::fprintf(stderr, "cannot create a directory below %s\n", base.c_str());
        return 1;
    }
    std::string root = tmpl;
    std::printf("working below %s\n", root.c_str());
    std::string work = root + "/work", home = root + "/home", usr = root + "/usr";
    fs::create_directories(work);

    // Search path: 20 missing directories, 10 stand-ins too old, the machine's
    // JDK 17 twice (directly and through a link), 5 links to the same stand-in.
    std::string path;
    for (int i = 0; i < 20; ++i) path += root + "/missing" + std::to_string(i) + ":";
    for (int i = 0; i < 10; ++i) {
        standIn(root + "/path" + std::to_string(i), "1.6.0_" + std::to_string(i));
        path += root + "/path" + std::to_string(i) + "/bin:";
    }
    if (!jdk17.empty() && required != "17") {
        fs::create_directories(root + "/links");
        fs::create_symlink(jdk17 + "/bin/java", root + "/links/java");
        path += jdk17 + "/bin:" + root + "/links:";
    }
    for (int i = 0; i < 5; ++i) {
        fs::create_directories(root + "/dup" + std::to_string(i) + "/bin");
        fs::create_symlink(root + "/path0/bin/java", root + "/dup" + std::to_string(i) + "/bin/java");
        path += root + "/dup" + std::to_string(i) + "/bin:";
    }
    // Home directory: 40 entries, 10 of them stand-ins.
    for (int i = 0; i < 40; ++i) {
        std::string d = home + "/d" + std::to_string(i);
        if (i % 4 == 0)
            standIn(d, "1.5.0_" + std::to_string(i));
        else
            fs::create_directories(d + "/docs");
    }
    // System directories: names around "java", stand-ins in some.
    for (const char* name : {"java1.4", "jdk1.5", "jre", "j2se", "bin", "local", "share", "X11"}) {
        fs::create_directories(usr + "/" + name);
        if (std::string(name).rfind("j", 0) == 0) standIn(usr + "/" + name, "1.4.2_05");
    }
    standIn(usr + "/java", "1.3.1");

    // These fail only for want of memory.
    (void)platform::setEnv("PATH", path);
    (void)platform::unsetEnv("JAVA_HOME");
    (void)platform::unsetEnv("JAVA_TOOL_OPTIONS");
    if (!platform::changeDir(work)) return 1;
    if (!std::getenv("BENCH_NO_TRACE")) write(work + "/jinstall.log", "");  // the installer traces every search
#ifdef QRL_TESTJVM_CLASS
    qrl::copyFile(QRL_TESTJVM_CLASS, work + "/TestJvm.class");
#endif

    qrl::SearchPlaces places;
    places.systemDirs = {usr, root + "/opt"};
    places.jvmDirs = {"/usr/lib/jvm"};

    using clock = std::chrono::steady_clock;
    double wallSum = 0, jvmSum = 0;
    unsigned startsSum = 0;
    bool twice = false, found = true;
    std::string exe;
    for (int r = 0; r < reps; ++r) {
        qrl::FindJvm find(qrl::Family::Posix, places, qrl::Logs::inCurrentDir());
        auto t0 = clock::now();
        auto accepted = find.searchPosixPlaces(home, {required, "", ""}, "jvm", "java", "");
        found = accepted && found;
        if (accepted) exe = accepted->executable;
        double wall = std::chrono::duration<double>(clock::now() - t0).count();
        double jvm = std::chrono::duration<double>(find.runs().runTime).count();
        // One "-version" run per executable tested, one probe for the accepted one.
        unsigned expected = static_cast<unsigned>(find.runs().tested.size()) + 1;
        twice = twice || find.runs().starts > expected;
        std::printf("run %d: %u JVM starts (%zu executables), wall %.1f ms, JVM runs %.1f ms, overhead %.2f%%\n", r + 1,
                    find.runs().starts, find.runs().tested.size(), wall * 1e3, jvm * 1e3,
                    100.0 * (wall - jvm) / jvm);
        wallSum += wall;
        jvmSum += jvm;
        startsSum += find.runs().starts;
    }
    std::printf("found: %s (%s)\n", found ? exe.c_str() : "nothing", ("required " + required).c_str());
    std::printf("JVM starts per search: %.1f; a JVM started twice: %s\n", double(startsSum) / reps,
                twice ? "yes" : "no");
    std::printf("native overhead / JVM time = %.2f%% (target <= 5%%): %s\n", 100.0 * (wallSum - jvmSum) / jvmSum,
                (wallSum - jvmSum) <= 0.05 * jvmSum ? "met" : "NOT met");

    (void)platform::changeDir("/");  // out of the scratch tree before it goes; best effort
    std::error_code ec;
    fs::remove_all(root, ec);
    return found && !twice ? 0 : 1;
}
