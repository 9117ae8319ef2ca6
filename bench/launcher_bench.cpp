// The application launcher against starting the JVM directly: maclauncher
// starting a trivial class (through its properties file, as an installed
// application starts) and the same JVM started directly with the same
// arguments, measured side by side in one run, interleaved. A row with the
// shell alone ("sh -c 'exec java …'") shows what the shell the launcher runs
// the command through costs. When the JDK has jpackage, its app launcher for
// the same class is a reference row.
//
//   bench_launcher [runs] [java]
//
// Target: the launcher's median at most 1.03 times the direct start's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/fs.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace {

struct Row {
    std::string name;
    std::function<bool()> run;
    std::vector<double> ms;
};

void write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    if (std::FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
}

bool runQuiet(const std::vector<std::string>& argv, int expected = 0) {
    platform::SpawnResult r = platform::spawn(argv[0], argv);
    return r.started && r.exitCode == expected;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return s / static_cast<double>(v.size());
}

// The JDK of a java executable (…/bin/java gives …).
std::string jdkOf(const std::string& java) { return fs::path(java).parent_path().parent_path().string(); }

std::string defaultJava() {
    // The JDK with jpackage, so that the reference row runs the same JVM.
    for (const char* jdk : {"/usr/lib/jvm/temurin-25-jdk-amd64", "/usr/lib/jvm/java-17-openjdk-amd64"})
        if (fs::exists(std::string(jdk) + "/bin/java")) return std::string(jdk) + "/bin/java";
    return "/usr/bin/java";
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 30;
    std::string java = argc > 2 ? argv[2] : defaultJava();
    std::string jdk = jdkOf(fs::canonical(java).string());
    char tmpl[] = "/tmp/qrl-launcher-bench.XXXXXX";
    if (!::mkdtemp(tmpl)) return 2;
    std::string dir = tmpl;

    // A trivial class, compiled once.
    write(dir + "/classes/Hello.java", "public class Hello { public static void main(String[] a) { } }\n");
    if (!runQuiet({jdk + "/bin/javac", "-d", dir + "/classes", dir + "/classes/Hello.java"})) {
        std::fprintf(stderr, "javac failed (%s)\n", jdk.c_str());
        return 2;
    }
    // The installed application: launcher, its properties, the class path.
    std::string app = dir + "/app";
    fs::create_directories(app + "/Quarlan");
    std::string launcher = app + "/Hello";
    fs::copy_file(QRL_MACLAUNCHER, launcher);
    fs::permissions(launcher, fs::perms::owner_all);
    write(app + "/Quarlan/Hello.properties", "programName=Hello\nexecFilename=" + java + "\nargs=-cp " + dir +
                                                 "/classes Hello\nstartDir=" + dir + "\n");

    std::vector<Row> rows;
    rows.push_back({"java directly", [&] { return runQuiet({java, "-cp", dir + "/classes", "Hello"}); }, {}});
    // What the shell between launcher and JVM costs by itself.
    std::string shellCommand = "exec " + java + " -cp " + dir + "/classes Hello";
    rows.push_back({"sh -c exec java", [&] { return runQuiet({"/bin/sh", "-c", shellCommand}); }, {}});
    // The launcher's status is 1 when the application was started and waited for.
    rows.push_back({"maclauncher", [&] { return runQuiet({launcher}, 1); }, {}});

    std::string jpackage = jdk + "/bin/jpackage";
    if (fs::exists(jpackage)) {
        runQuiet({jdk + "/bin/jar", "cf", dir + "/input/hello.jar", "-C", dir + "/classes", "Hello.class"});
        bool made = runQuiet({jpackage, "--type", "app-image", "--name", "HelloApp", "--input", dir + "/input",
                              "--main-jar", "hello.jar", "--main-class", "Hello", "--dest", dir + "/jp"});
        std::string exe = dir + "/jp/HelloApp/bin/HelloApp";
        if (made && fs::exists(exe))
            rows.push_back({"jpackage launcher", [exe] { return runQuiet({exe}); }, {}});
        else
            std::fprintf(stderr, "jpackage app image could not be made; row left out\n");
    }

    // Warm the caches, then interleave so that every row sees the same machine.
    for (auto& r : rows)
        for (int i = 0; i < 3; ++i)
            if (!r.run()) {
                std::fprintf(stderr, "%s failed\n", r.name.c_str());
                return 2;
            }
    for (int i = 0; i < runs; ++i) {
        // Each round starts with another row, so that no row always runs first.
        for (size_t k = 0; k < rows.size(); ++k) {
            Row& r = rows[(k + static_cast<size_t>(i)) % rows.size()];
            auto t0 = std::chrono::steady_clock::now();
            r.run();
            auto t1 = std::chrono::steady_clock::now();
            r.ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
    }

    std::printf("JVM: %s, %d runs each, interleaved\n", java.c_str(), runs);
    std::printf("%-20s %10s %10s %10s %12s %10s\n", "", "median ms", "mean ms", "min ms", "median ratio",
                "min ratio");
    double base = median(rows[0].ms);
    double baseMin = *std::min_element(rows[0].ms.begin(), rows[0].ms.end());
    for (const auto& r : rows) {
        double min = *std::min_element(r.ms.begin(), r.ms.end());
        std::printf("%-20s %10.2f %10.2f %10.2f %12.3f %10.3f\n", r.name.c_str(), median(r.ms), mean(r.ms), min,
                    median(r.ms) / base, min / baseMin);
    }
    double ratio = median(rows[2].ms) / base;
    std::printf("maclauncher / java directly (median): %.3f (target <= 1.03): %s\n", ratio,
                ratio <= 1.03 ? "met" : "NOT met");
    fs::remove_all(dir);
    return 0;
}
