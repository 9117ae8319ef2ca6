// The scenario explorer: generates kit layouts from a seed, runs the built
// installers on them in a sandbox and checks what must hold after every run,
// whatever the layout:
//
//   outside   outside the kit and its working copy nothing changed except new
//             or grown log files in the start folder or the fallback folder
//   logs      every log of the run is in exactly one documented place
//   status    the status says success only when the wizard ran and succeeded
//   bound     the run ended within its bound and left no process behind
//   kit       the kit is gone only if its logs were saved
//   copy      the wizard saw the whole kit and nothing from outside it
//
//   explorer --family unixloader|macsetup|installer --program PATH
//            [--cleanup PATH] [--prefix WINEPREFIX] [--count N] [--seed S]
//            [--jobs N] [--keep] [--verbose]
//
// Natively the sandbox lives on a private tmpfs (a mount namespace of its
// own, where the system allows it), so that a run that fills its disk fills
// only that. installer.exe runs under wine, the sandbox seen through Z:.
// A failing scenario prints its seed and the command that repeats it alone;
// the exit status is the number of failing scenarios (at most 100).
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kNotStarted = 125;  // the explorer could not start the program

// ---------------------------------------------------------------- files

bool isDir(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool present(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}
void put(const std::string& path, const std::string& bytes) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}
std::string slurp(const std::string& path) {
    std::string out;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return out;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buf[65536];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return out;
}
void mkdirs(const std::string& p) {
    for (size_t at = 1; at != std::string::npos; at = p.find('/', at + 1)) ::mkdir(p.substr(0, at).c_str(), 0755);
    ::mkdir(p.c_str(), 0755);
}
int sh(const std::string& cmd) {
    int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
// Removes a tree without following links; mounts below it are left to the caller.
void removeTree(const std::string& p) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(p.c_str(), 0755);
        if (DIR* d = ::opendir(p.c_str())) {
            std::vector<std::string> names;
            while (dirent* e = ::readdir(d))
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
            ::closedir(d);
            for (const auto& n : names) removeTree(p + "/" + n);
        }
        ::rmdir(p.c_str());
    } else {
        ::unlink(p.c_str());
    }
}

struct Entry {
    mode_t type = 0;
    off_t size = 0;
    long long mtime = 0;
    ino_t ino = 0;
};
using Snapshot = std::map<std::string, Entry>;

void walk(const std::string& p, const std::function<bool(const std::string&)>& skip, Snapshot& out, int depth = 0) {
    struct stat st {};
    if (depth > 40 || ::lstat(p.c_str(), &st) != 0 || skip(p)) return;
    out[p] = {static_cast<mode_t>(st.st_mode & S_IFMT), st.st_size,
              static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec, st.st_ino};
    if (!S_ISDIR(st.st_mode)) return;
    if (DIR* d = ::opendir(p.c_str())) {
        std::vector<std::string> names;
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        ::closedir(d);
        for (const auto& n : names) walk(p + "/" + n, skip, out, depth + 1);
    }
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}
std::string dirName(const std::string& p) { return p.substr(0, p.find_last_of('/')); }
std::string baseName(const std::string& p) { return p.substr(p.find_last_of('/') + 1); }
std::string realDir(const std::string& p) {
    char buf[PATH_MAX];
    return ::realpath(p.c_str(), buf) && isDir(buf) ? std::string(buf) : std::string();
}

// ---------------------------------------------------------------- the scenario

enum class Family { Unixloader, Macsetup, Installer, Cleanup };

// Where the kit is unpacked.
struct KitPlace {
    const char* name;  // below the sandbox; "~" names a folder of the home
    bool windows;      // a name Windows can hold too
};
const KitPlace kKitPlaces[] = {
    {"kit", true},
    {"my kit", true},
    {"it's \"quoted\"", false},
    {"new\nline", false},
    {"-dash", true},
    {"trailing ", false},
    {"caf\xc3\xa9 \xe3\x81\x9f", true},
    {"bytes \xff\xfe", false},
    {"<long>", false},
    {"~", false},
    {"~/Desktop", false},
    {"~/Documents", false},
    {"~/Downloads", false},
};

// The command line: none, quiet with an answers file, or switches the program
// does not know, which must change nothing.
enum class Args { None, Quiet, Unknown, Count };
const std::vector<std::vector<std::string>> kUnknownPosix = {{"--help"},       {"-x"},       {"-h"},
                                                             {"--quiet", "x"}, {"-qq", "x"}, {"-v"}};
const std::vector<std::vector<std::string>> kUnknownWin = {{"--help"},       {"/?"},       {"-x"},
                                                           {"--quiet", "x"}, {"-qq", "x"}, {"/x"}};

// What startdir.txt says (for the families that read one).
enum class StartDir {
    Absolute,
    Relative,
    KitSlash,
    Dot,
    DotDotKit,
    LinkToKit,
    ParentDot,
    Home,
    Missing,
    AFile,
    AFifo,
    Dangling,
    NoSuchFolder,
    TrailingBlank,
    NonAscii,
    Count
};
const char* const kStartDirNames[] = {"absolute",
                                      "relative",
                                      "kit/",
                                      ".",
                                      "../kit",
                                      "link to kit",
                                      "parent/.",
                                      "home",
                                      "missing",
                                      "a file",
                                      "a FIFO",
                                      "dangling link",
                                      "no such folder",
                                      "trailing blank",
                                      "d\xc3\xa9p\xc3\xb4t"};

// How startdir.txt is written.
enum class Encoding { Lf, CrLf, Utf8Bom, Utf16Le, Utf16Be, Ansi, Count };
const char* const kEncodingNames[] = {"LF", "CR LF", "UTF-8 BOM", "UTF-16 LE", "UTF-16 BE", "ANSI"};

// The state of the start folder.
enum class StartState { Plain, ErrorsLogIsDir, ErrorsLogHardLinked, Full, Count };
const char* const kStartStateNames[] = {"plain", "errors.log a folder", "errors.log a second link", "disk full"};

enum class Fault { None, NoControl, NoJvm, WizardFails, WizardKilled, Term, KillThenRerun, SmallTmp, SecondRun, Count };
const char* const kFaultNames[] = {"nothing", "no control file",    "no JVM",       "wizard fails", "wizard killed",
                                   "TERM",    "KILL, then a rerun", "small TMPDIR", "a second run"};

struct Scenario {
    unsigned long long seed = 0;
    Family family = Family::Unixloader;
    int kit = 0;
    StartDir start = StartDir::Absolute;
    Encoding encoding = Encoding::Lf;
    StartState startState = StartState::Plain;
    Fault fault = Fault::None;
    Args args = Args::None;
    int unknown = 0;  // which unknown switches
    bool trace = false, bigLog = false;
    bool archive = false;                            // no JVM on the machine: the kit's archive provides one
    bool brokenArchive = false, sharedJvms = false;  // the archive fails; the install base holds JVMs already
    int delayMs = 0;

    std::string describe() const {
        auto visible = [](std::string t) {
            for (auto& c : t)
                if (c == '\n') c = '|';
            return t;
        };
        std::string d = "kit '" + visible(kKitPlaces[kit].name) + "'";
        // macsetup writes its own start file: the kit's folder takes the logs.
        if (family != Family::Macsetup)
            d += std::string(", startdir ") + kStartDirNames[int(start)] + " (" + kEncodingNames[int(encoding)] + ")";
        d += std::string(family == Family::Macsetup ? ", kit folder " : ", start folder ") +
             kStartStateNames[int(startState)];
        d += std::string(", ") + kFaultNames[int(fault)] + (delayMs ? " after " + std::to_string(delayMs) + " ms" : "");
        if (args == Args::Quiet) d += ", -q";
        if (args == Args::Unknown) {
            const auto& words = family == Family::Installer ? kUnknownWin : kUnknownPosix;
            for (const auto& w : words[static_cast<size_t>(unknown) % words.size()]) d += " " + w;
        }
        return d + (trace ? ", traced" : "") + (bigLog ? ", 700 kB kit log" : "") +
               (archive ? brokenArchive ? ", a broken JVM archive" : ", JVM from the kit's archive" : "") +
               (sharedJvms ? ", JVMs in the install base" : "");
    }
};

Scenario generate(unsigned long long seed, Family family, bool tmpfs) {
    std::mt19937_64 rng(seed * 0x9E3779B97F4A7C15ULL + 1);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    Scenario s;
    s.seed = seed;
    s.family = family;
    bool win = family == Family::Installer;
    do s.kit = pick(int(std::size(kKitPlaces)));
    while (win && (!kKitPlaces[s.kit].windows));
    // Half the runs take the common layout, so that faults meet plain kits too.
    if (pick(2)) s.kit = 0;
    s.start = pick(3) ? StartDir(pick(int(StartDir::Count))) : StartDir::Absolute;
    s.encoding = pick(3) ? Encoding::Lf : Encoding(pick(int(Encoding::Count)));
    s.startState = pick(3) ? StartState::Plain : StartState(pick(int(StartState::Count)));
    if (family == Family::Macsetup) s.start = StartDir::Absolute, s.encoding = Encoding::Lf;
    // Windows drops a trailing blank from every name: such a folder has no Windows name.
    if (win && s.start == StartDir::TrailingBlank) s.start = StartDir::NonAscii;
    if ((!tmpfs || win || family == Family::Macsetup) && s.startState == StartState::Full)
        s.startState = StartState::Plain;
    s.fault = Fault(pick(int(Fault::Count)));
    if (s.fault == Fault::SmallTmp && (family != Family::Macsetup || !tmpfs)) s.fault = Fault::None;
    s.archive = !win && (s.fault == Fault::KillThenRerun || pick(4) == 0);
    if (s.fault == Fault::NoJvm) s.archive = false;
    s.brokenArchive = s.archive && pick(3) == 0;
    s.sharedJvms = pick(3) == 0;
    // The Windows programs get no signals and provide no JVM here.
    if (win && (s.fault == Fault::KillThenRerun || s.fault == Fault::Term)) s.fault = Fault::SecondRun;
    if (win && s.fault == Fault::WizardKilled) s.fault = Fault::WizardFails;  // fakejava ends, it is not killed
    s.args = pick(6) == 0 ? Args::Unknown : win || pick(2) ? Args::Quiet : Args::None;
    s.unknown = pick(6);
    s.trace = pick(2);
    s.bigLog = tmpfs && !win && pick(8) == 0;
    s.delayMs = (s.fault == Fault::Term || s.fault == Fault::KillThenRerun || s.fault == Fault::SecondRun)
                    ? 50 + pick(win ? 3000 : 1000)
                    : 0;
    return s;
}

// ---------------------------------------------------------------- one sandbox

struct Options {
    Family family = Family::Unixloader;
    std::string program, cleanup, prefix, self, familyName;
    std::string jvm;  // the stand-in java.exe under wine
    unsigned long long seed = 1;
    int count = 1;
    int jobs = 4;
    bool keep = false, verbose = false, tmpfs = false;
    std::string work;          // the explorer's own root
    std::string kept;          // where --keep copies the sandboxes
    std::string registryRoot;  // this run's registry root (HKCU) under wine
};

struct Outcome {
    int status = -1;
    bool timedOut = false;
    double ms = 0;
};

class Sandbox {
public:
    Sandbox(const Options& o, const Scenario& s) : o_(o), s_(s) {
        root_ = o.work + "/s" + std::to_string(s.seed);
        removeTree(root_);
        mkdirs(root_);
        // A disk of its own: a run that fills it fills only this one.
        mounted_ = o.tmpfs && ::mount("tmpfs", root_.c_str(), "tmpfs", 0, "size=48m,mode=0755") == 0;
        home_ = root_ + "/home";
        aux_ = root_ + "/aux";
        tmp_ = root_ + "/tmp";
        install_ = root_ + "/install";
        jvmHome_ = root_ + "/jvms/std.jdk/Home";
        // Unique among explorers running at once (ctest runs them side by side).
        token_ = "EXPLORER-" + std::to_string(::getpid()) + "-" + std::to_string(s.seed) + "-";
    }
    ~Sandbox() {
        if (o_.keep) sh("cp -a " + quote(root_) + " " + quote(o_.kept + "/"));
        if (full_) ::umount2((root_ + "/full").c_str(), MNT_DETACH);
        if (mounted_) ::umount2(root_.c_str(), MNT_DETACH);
        removeTree(root_);
    }

    void build();
    Outcome run(int which, const std::function<void(pid_t, Clock::time_point)>& during = {});
    // The properties after the run `which` (and a second one at the same time).
    std::vector<std::string> check(const Outcome& first, int which, const Outcome* second);
    Snapshot snapshot() const;
    void sweepProcesses();
    bool kitPresent() const { return isDir(kit_); }
    // Whether the wizard of run `which` started (under wine: fakejava's record of its last start).
    bool wizardRan(int which) const {
        std::string record = aux_ + "/wizard." + std::to_string(which);
        return win() ? slurp(record).find("ExplorerWizard") != std::string::npos : present(record);
    }
    std::vector<pid_t> processesLeft() const;

private:
    bool win() const { return s_.family == Family::Installer; }
    std::string winPath(const std::string& p) const {
        std::string w = "Z:" + p;
        for (auto& c : w)
            if (c == '/') c = '\\';
        return w;
    }
    bool kitProtected() const { return kKitPlaces[s_.kit].name[0] == '~'; }
    bool ownKitFile(const std::string& p) const;
    std::string startFolder() const;  // the folder the start file names, if it is one
    std::vector<std::string> env(int which) const;

    const Options& o_;
    const Scenario& s_;
    std::string root_, home_, aux_, tmp_, install_, jvmHome_, token_, kit_, start_ = "";
    std::set<std::string> kitFiles_;
    bool full_ = false, mounted_ = false;
    Snapshot before_;
    off_t errorsBefore_ = 0;  // the start folder's errors.log before the run
};

std::string encode(const std::string& text, Encoding e) {
    std::string line = text + (e == Encoding::CrLf ? "\r\n" : "\n");
    auto utf16 = [&](bool le) {
        std::string out = le ? std::string("\xff\xfe", 2) : std::string("\xfe\xff", 2);
        // The names here are ASCII or UTF-8 of the basic plane.
        for (size_t i = 0; i < line.size();) {
            unsigned char c = static_cast<unsigned char>(line[i]);
            unsigned cp = c;
            int n = 1;
            if (c >= 0xE0 && i + 2 < line.size())
                cp = ((c & 0x0F) << 12) | ((line[i + 1] & 0x3F) << 6) | (line[i + 2] & 0x3F), n = 3;
            else if (c >= 0xC0 && i + 1 < line.size())
                cp = ((c & 0x1F) << 6) | (line[i + 1] & 0x3F), n = 2;
            i += static_cast<size_t>(n);
            char lo = static_cast<char>(cp & 0xFF), hi = static_cast<char>(cp >> 8);
            out += le ? std::string{lo, hi} : std::string{hi, lo};
        }
        return out;
    };
    switch (e) {
        case Encoding::Utf8Bom:
            return "\xef\xbb\xbf" + line;
        case Encoding::Utf16Le:
            return utf16(true);
        case Encoding::Utf16Be:
            return utf16(false);
        case Encoding::Ansi: {
            // Windows-1252 for the letters of Latin-1.
            std::string out;
            for (size_t i = 0; i < line.size(); ++i) {
                unsigned char c = static_cast<unsigned char>(line[i]);
                if ((c == 0xC2 || c == 0xC3) && i + 1 < line.size())
                    out += static_cast<char>(((c & 0x03) << 6) | (line[++i] & 0x3F));
                else
                    out += line[i];
            }
            return out;
        }
        default:
            return line;
    }
}

void Sandbox::build() {
    for (const auto& d : {home_ + "/Desktop", home_ + "/Documents", home_ + "/Downloads", home_ + "/projects", aux_,
                          tmp_, install_, root_ + "/start", root_ + "/start2 ", root_ + "/d\xc3\xa9p\xc3\xb4t",
                          root_ + "/other", jvmHome_ + "/bin", root_ + "/nojvm"})
        mkdirs(d);
    // The user's own files, which no run may touch.
    for (const auto& d : {home_, home_ + "/Desktop", home_ + "/Documents", home_ + "/Downloads", home_ + "/projects"})
        put(d + "/notes.txt", "mine\n");
    put(root_ + "/start/earlier.log", "a log of an earlier run\n");
    if (s_.sharedJvms) {
        // JVMs that other programs installed where this one goes.
        mkdirs(install_ + "/jvm/jre11.0/11.0/bin");
        put(install_ + "/jvm/jre11.0/11.0/bin/java", "another program's JVM\n");
    }
    put(root_ + "/afile", "not a folder\n");
    ::mkfifo((root_ + "/afifo").c_str(), 0644);
    ::symlink((root_ + "/nowhere").c_str(), (root_ + "/dangling").c_str());

    // The wizard: records what it saw, writes its own log, and ends as asked.
    // It checks the kit against the list the unpacker left, as a real wizard
    // fails without its archive.
    std::string wizard = "#!/bin/sh\nPATH=/usr/bin:/bin\naux=" + quote(aux_) +
                         "\nrun=$EXPLORER_RUN\n"
                         "trap 'kill $! 2>/dev/null; exit 143' TERM INT HUP\n"
                         "printf '%s\\n' \"${EXPLORER_TOKEN}wizard-$run\" > wizard.log\n"
                         "echo $$ >> \"$aux/wizard.$run\"\n"
                         "ls -A > \"$aux/seen.$run\"\n"
                         "ok=1\nwhile IFS=' ' read -r size name; do\n"
                         "  [ \"$(wc -c < \"$name\" 2>/dev/null)\" = \"$size\" ] || { echo \"missing $name\" >> "
                         "\"$aux/seen.$run\"; ok=0; }\n"
                         "done < kit.list\n"
                         "case $EXPLORER_WIZARD in\n"
                         "  slow) sleep 2 & wait $! ;;\n"
                         "  fail) exit 3 ;;\n"
                         "  killed) kill -9 $$ ;;\n"
                         "esac\n"
                         "[ $ok = 1 ] || exit 4\n"
                         ": > __qrlwizard.sem\n: > \"$aux/wizard-ok.$run\"\nexit 0\n";
    put(aux_ + "/wizard.sh", wizard);
    ::chmod((aux_ + "/wizard.sh").c_str(), 0755);

    // The JVM: fakejava for the version test, the wizard script for the wizard.
    std::string fakejava = dirName(o_.self) + "/fakejava";
    std::string java = "#!/bin/sh\nfor a in \"$@\"; do [ \"$a\" = ExplorerWizard ] && exec " +
                       quote(aux_ + "/wizard.sh") + " \"$@\"; done\nexec \"${0%/*}/fakejava\" \"$@\"\n";
    put(aux_ + "/java.sh", java);
    if (!win()) {
        sh("cp " + quote(fakejava) + " " + quote(jvmHome_ + "/bin/fakejava"));
        put(jvmHome_ + "/bin/java", java);
        ::chmod((jvmHome_ + "/bin/java").c_str(), 0755);
        put(jvmHome_ + "/bin/fakejava.version", "17.0.15\n");
    }

    // The kit.
    std::string place = kKitPlaces[s_.kit].name;
    if (place == "<long>") {
        kit_ = root_;
        while (kit_.size() < 3900) kit_ += "/" + std::string(std::min<size_t>(200, 3900 - kit_.size()), 'k');
    } else if (place[0] == '~') {
        kit_ = home_ + place.substr(1);
    } else {
        kit_ = root_ + "/" + place;
    }
    mkdirs(kit_);
    std::string control =
        "jvmMinVersion=1.8\njvmCommandName=java\njvmClasspathSwitch=-cp\nloaderClasspath=.:install.jar\n"
        "loaderJavaCommand=ExplorerWizard\n";
    if (s_.archive) {
        control += "jvmVersion=17.0.15\njvmSelfExtractor=jre-setup.sh\njvmInstallerType=selfExtratorJvmInstaller\n";
        // Slow enough that a stop signal lands while it runs.
        std::string slow = s_.delayMs == 0 ? "0.2" : "4";
        put(kit_ + "/jre-setup.sh",
            "#!/bin/sh\nPATH=/usr/bin:/bin\ntrap 'kill $! 2>/dev/null; exit 143' TERM INT HUP\nsleep " + slow +
                " & wait $!\n" + (s_.brokenArchive ? "exit 1\n" : "") + "mkdir -p bin && cp " + quote(fakejava) +
                " bin/fakejava && echo 17.0.15 > bin/fakejava.version\n"
                "cp " +
                quote(aux_ + "/java.sh") + " bin/java && chmod 0755 bin/java\n");
    }
    std::map<std::string, std::string> files = {{"qrl.control", control},
                                                {"install.jar", std::string(70000, 'j')},
                                                {"TestJvm.class", "stand-in"},
                                                {"payload.bin", std::string(150000, 'p')}};
    if (s_.fault == Fault::NoControl) files.erase("qrl.control");
    std::string note = token_ + "kit\n";
    if (s_.bigLog) note += std::string(700 * 1024, '.') + "\n";
    files["kitnote.log"] = note;
    if (s_.trace) files["jinstall.log"] = "";
    if (s_.archive) files["jre-setup.sh"] = slurp(kit_ + "/jre-setup.sh");
    std::string list;
    for (const auto& [name, bytes] : files) {
        put(kit_ + "/" + name, bytes);
        kitFiles_.insert(name);
        if (name != "kitnote.log" && name != "jinstall.log" && name != "qrl.control")
            list += std::to_string(bytes.size()) + " " + name + "\n";
    }
    put(kit_ + "/kit.list", list);
    kitFiles_.insert("kit.list");
    ::chmod((kit_ + "/jre-setup.sh").c_str(), 0755);
    if (s_.family == Family::Macsetup) {
        sh("cp " + quote(o_.program) + " " + quote(kit_ + "/macsetup"));
        kitFiles_.insert("macsetup");
    } else if (win()) {
        sh("cp " + quote(o_.program) + " " + quote(kit_ + "/installer.exe") + " && cp " + quote(o_.cleanup) + " " +
           quote(kit_ + "/cleanup.exe"));
        kitFiles_.insert("installer.exe");
        kitFiles_.insert("cleanup.exe");
    }

    // The start folder and what startdir.txt says of it.
    std::string start = s_.family == Family::Macsetup ? kit_ : root_ + "/start";
    if (s_.startState == StartState::Full && o_.tmpfs) {
        mkdirs(root_ + "/full");
        if (::mount("tmpfs", (root_ + "/full").c_str(), "tmpfs", 0, "size=64k") == 0) {
            full_ = true;
            start = root_ + "/full";
            put(start + "/earlier.log", "a log of an earlier run\n");
            sh("dd if=/dev/zero of=" + quote(start + "/filler") + " bs=4k 2>/dev/null");
        }
    }
    if (s_.startState == StartState::ErrorsLogIsDir) mkdirs(start + "/errors.log");
    if (s_.startState == StartState::ErrorsLogHardLinked) {
        put(root_ + "/other/linked.log", "another file's data\n");
        ::link((root_ + "/other/linked.log").c_str(), (start + "/errors.log").c_str());
    }
    if (s_.fault == Fault::SmallTmp && o_.tmpfs) {
        mkdirs(root_ + "/full");
        if (::mount("tmpfs", (root_ + "/full").c_str(), "tmpfs", 0, "size=128k") == 0) {
            full_ = true;
            tmp_ = root_ + "/full";
        }
    }
    ::symlink(kit_.c_str(), (root_ + "/kitlink").c_str());
    std::string text;
    switch (s_.start) {
        case StartDir::Absolute:
            text = start;
            break;
        case StartDir::Relative: {
            text = "";
            for (size_t at = root_.size(); (at = kit_.find('/', at)) != std::string::npos; ++at) text += "../";
            text += start.substr(root_.size() + 1);
            break;
        }
        case StartDir::KitSlash:
            text = kit_ + "/";
            break;
        case StartDir::Dot:
            text = ".";
            break;
        case StartDir::DotDotKit:
            text = "../" + baseName(kit_);
            break;
        case StartDir::LinkToKit:
            text = root_ + "/kitlink";
            break;
        case StartDir::ParentDot:
            text = dirName(kit_) + "/.";
            break;
        case StartDir::Home:
            text = home_;
            break;
        case StartDir::Missing:
            break;
        case StartDir::AFile:
            text = root_ + "/afile";
            break;
        case StartDir::AFifo:
            text = root_ + "/afifo";
            break;
        case StartDir::Dangling:
            text = root_ + "/dangling";
            break;
        case StartDir::NoSuchFolder:
            text = root_ + "/nowhere";
            break;
        case StartDir::TrailingBlank:
            text = root_ + "/start2 ";
            break;
        case StartDir::NonAscii:
            text = root_ + "/d\xc3\xa9p\xc3\xb4t";
            break;
        default:
            break;
    }
    if (win() && !text.empty() && text[0] == '/') text = winPath(text);
    if (s_.family != Family::Macsetup && s_.start != StartDir::Missing) {
        put(kit_ + "/startdir.txt", encode(text, s_.encoding));
        kitFiles_.insert("startdir.txt");
    }
    // The start folder as the kit's directory resolves it.
    if (s_.family == Family::Macsetup) {
        start_ = kit_;
    } else if (s_.start != StartDir::Missing) {
        // What the user meant, whatever the encoding: that is where the logs belong.
        std::string unixText =
            s_.start == StartDir::Relative || s_.start == StartDir::Dot || s_.start == StartDir::DotDotKit
                ? kit_ + "/" + text
                : (win() && text.rfind("Z:", 0) == 0 ? std::string() : text);
        if (unixText.empty()) {
            unixText = text.substr(2);
            for (auto& c : unixText)
                if (c == '\\') c = '/';
        }
        start_ = realDir(unixText);
    }
    before_ = snapshot();
    struct stat st {};
    if (!start_.empty() && ::lstat((start_ + "/errors.log").c_str(), &st) == 0 && S_ISREG(st.st_mode))
        errorsBefore_ = st.st_size;
}

// Files the run may create or change in the kit's own folder: the kit's files
// and the run's own work files and logs. Everything else in a folder that is
// not the kit's own (the home, the Desktop) belongs to the user.
bool Sandbox::ownKitFile(const std::string& p) const {
    if (p == kit_) return !kitProtected();
    if (p.compare(0, kit_.size() + 1, kit_ + "/") != 0) return false;
    if (!kitProtected()) return true;
    std::string rest = p.substr(kit_.size() + 1);
    std::string top = rest.substr(0, rest.find('/'));
    if (kitFiles_.count(top)) return true;
    static const char* const kRunFiles[] = {"native.properties", "jvmGood.txt", "changes.txt", "startdir.txt",
                                            "jinstall.sem"};
    for (const char* f : kRunFiles)
        if (top == f) return true;
    return top.rfind("__", 0) == 0 || top.find(".log") != std::string::npos || top.find(".sem") != std::string::npos;
}

Snapshot Sandbox::snapshot() const {
    Snapshot snap;
    walk(
        root_,
        [&](const std::string& p) {
            if (p == aux_ || ownKitFile(p)) return true;
            // The working copies below TMPDIR.
            return dirName(p) == tmp_ && baseName(p).rfind("tmpqrl", 0) == 0;
        },
        snap);
    return snap;
}

std::vector<std::string> Sandbox::env(int which) const {
    std::vector<std::string> e;
    for (char** v = environ; *v; ++v) {
        std::string s = *v;
        // wine's prefix and server belong to the user who made them
        if (win() && (s.rfind("HOME=", 0) == 0 || s.rfind("TMPDIR=", 0) == 0)) {
            e.push_back(s);
            continue;
        }
        for (const char* drop :
             {"HOME=", "TMPDIR=", "PATH=", "JAVA_HOME=", "LANG=", "LC_ALL=", "FAKEJAVA_", "QUARLAN_", "EXPLORER_"})
            if (s.rfind(drop, 0) == 0) s.clear();
        if (!s.empty()) e.push_back(s);
    }
    bool noJvm = s_.fault == Fault::NoJvm || s_.archive;
    std::string jvmBin = noJvm ? root_ + "/nojvm" : jvmHome_ + "/bin";
    const char* mode = s_.fault == Fault::WizardFails                              ? "fail"
                       : s_.fault == Fault::WizardKilled                           ? "killed"
                       : (s_.fault == Fault::Term || s_.fault == Fault::SecondRun) ? "slow"
                                                                                   : "ok";
    if (!win()) e.push_back("HOME=" + home_);
    if (!win()) e.push_back("TMPDIR=" + tmp_);
    e.insert(e.end(),
             {"LANG=C.UTF-8", "EXPLORER_TOKEN=" + token_, "EXPLORER_RUN=" + std::to_string(which),
              std::string("EXPLORER_WIZARD=") + mode,
              "QUARLAN_SYSTEM_DIRS=", "QUARLAN_JVM_DIRS=", "QUARLAN_INSTALL_DIRS=" + install_,
              "QUARLAN_MAC_JVM_ROOTS=" + (noJvm ? root_ + "/nojvm" : root_ + "/jvms"), "QUARLAN_OS_RELEASE=23.4.0"});
    if (win()) {
        e.insert(e.end(), {"PATH=/usr/bin:/bin", "WINEPREFIX=" + o_.prefix, "WINEDEBUG=-all",
                           "WINEDLLOVERRIDES=mscoree,mshtml=", "QUARLAN_REGISTRY_ROOT=" + o_.registryRoot,
                           std::string("FAKEJAVA_WIZARD=") + (std::string(mode) == "fail" || noJvm ? "" : "ok"),
                           std::string("FAKEJAVA_SLEEP_MS=") + (std::string(mode) == "slow" ? "2500" : "0"),
                           "FAKEJAVA_RECORD=" + winPath(aux_ + "/wizard." + std::to_string(which))});
    } else {
        e.push_back("PATH=" + jvmBin + ":" + o_.work + "/tools");
    }
    return e;
}

Outcome Sandbox::run(int which, const std::function<void(pid_t, Clock::time_point)>& during) {
    std::vector<std::string> args;
    std::string cwd = kit_;
    if (s_.family == Family::Unixloader) args = {o_.program};
    if (s_.family == Family::Macsetup) args = {kit_ + "/macsetup"}, cwd = root_;
    if (win()) args = {"wine", kit_ + "/installer.exe"};
    std::string answers = win() ? winPath(aux_ + "/answers.properties") : aux_ + "/answers.properties";
    if (s_.args == Args::Quiet) args.insert(args.end(), {"-q", answers});
    if (s_.args == Args::Unknown) {
        const std::vector<std::vector<std::string>>& words = win() ? kUnknownWin : kUnknownPosix;
        const auto& w = words[static_cast<size_t>(s_.unknown) % words.size()];
        args.insert(args.end(), w.begin(), w.end());
    }
    std::vector<std::string> e = env(which);
    std::string out = aux_ + "/out." + std::to_string(which), err = aux_ + "/err." + std::to_string(which);
    // Built before the fork: other scenarios run in other threads meanwhile.
    std::vector<char*> av, ev;
    for (auto& a : args) av.push_back(a.data());
    av.push_back(nullptr);
    for (auto& v : e) ev.push_back(v.data());
    ev.push_back(nullptr);
    const char* program = win() ? "/usr/bin/wine" : av[0];
    Clock::time_point t0 = Clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
            fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fo, 1), ::dup2(fe, 2);
        int nul = ::open("/dev/null", O_RDONLY);
        ::dup2(nul, 0);
        if (::chdir(cwd.c_str()) != 0) _exit(kNotStarted);
        ::execve(program, av.data(), ev.data());
        _exit(kNotStarted);
    }
    if (during) during(pid, t0);
    Outcome r;
    int limit = win() ? 60000 : 20000;
    for (;;) {
        int st = 0;
        pid_t w = ::waitpid(pid, &st, WNOHANG);
        r.ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (w == pid) {
            r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            break;
        }
        if (r.ms > limit) {
            r.timedOut = true;
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (win()) {
        // __cleanup.exe empties the kit after the installer has gone.
        for (int i = 0; i < 300 && !processesLeft().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return r;
}

// The processes of this scenario: every one carries its token.
std::vector<pid_t> Sandbox::processesLeft() const {
    std::vector<pid_t> found;
    DIR* d = ::opendir("/proc");
    if (!d) return found;
    std::string mark = "EXPLORER_TOKEN=" + token_;
    while (dirent* e = ::readdir(d)) {
        pid_t pid = std::atoi(e->d_name);
        if (pid <= 0 || pid == ::getpid()) continue;
        std::string comm = slurp("/proc/" + std::to_string(pid) + "/comm");
        // wine's own services outlive any program by design.
        if (win() && comm.find(".exe") != std::string::npos && comm.find("installer") == std::string::npos &&
            comm.find("cleanup") == std::string::npos && comm.find("java") == std::string::npos)
            continue;
        if (comm.rfind("wineserver", 0) == 0) continue;
        std::string environ = slurp("/proc/" + std::to_string(pid) + "/environ");
        if (environ.find(mark) != std::string::npos) {
            std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
            size_t at = stat.rfind(')');
            if (at != std::string::npos && at + 2 < stat.size() && stat[at + 2] == 'Z') continue;
            found.push_back(pid);
        }
    }
    ::closedir(d);
    return found;
}

// Kills every process of the scenario and waits until they have ended: a
// killed process holds its files (and the kit's lock) until the kernel has
// torn it down, and a dying parent may still have forked.
void Sandbox::sweepProcesses() {
    for (int i = 0; i < 500; ++i) {
        std::vector<pid_t> left = processesLeft();
        if (left.empty()) return;
        for (pid_t p : left) ::kill(p, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> Sandbox::check(const Outcome& first, int main, const Outcome* second) {
    std::vector<std::string> bad;
    // Paths shown below the sandbox, long runs of one letter (the long kit) counted.
    auto fail = [&](const std::string& property, std::string what) {
        for (size_t at; (at = what.find(root_)) != std::string::npos;) what.replace(at, root_.size(), "<sandbox>");
        std::string shown;
        for (size_t i = 0; i < what.size();) {
            size_t j = i;
            while (j < what.size() && what[j] == what[i]) ++j;
            shown += j - i > 20 ? std::string(1, what[i]) + "{" + std::to_string(j - i) + "}" : what.substr(i, j - i);
            i = j;
        }
        for (auto& c : shown)
            if (c == '\n') c = '|';
        bad.push_back(property + ": " + shown);
    };
    bool killed = s_.fault == Fault::KillThenRerun;

    // bound: within its time, nothing left running.
    int boundMs = win() ? 45000 : 12000;
    if (first.timedOut || first.ms > boundMs) fail("bound", "the run took " + std::to_string(int(first.ms)) + " ms");
    if (s_.fault == Fault::Term && !first.timedOut && first.ms > s_.delayMs + (win() ? 8000 : 1500))
        fail("bound", "ended " + std::to_string(int(first.ms) - s_.delayMs) + " ms after TERM");
    std::this_thread::sleep_for(std::chrono::milliseconds(win() ? 300 : 100));
    std::vector<pid_t> left = processesLeft();
    if (!left.empty()) {
        std::string what;
        for (pid_t p : left)
            what += " " + std::to_string(p) + " (" + slurp("/proc/" + std::to_string(p) + "/comm") + ")";
        for (auto& c : what)
            if (c == '\n') c = ' ';
        fail("bound", "processes left:" + what);
        sweepProcesses();
    }

    // status: success only when the wizard ran to its end.
    int success = win() ? 0 : 1;
    auto succeeded = [&](int which) {
        if (!win()) return present(aux_ + "/wizard-ok." + std::to_string(which));
        // fakejava records its last start; the wizard makes its semaphore when asked to.
        bool asked = s_.fault != Fault::WizardFails && s_.fault != Fault::NoJvm;
        return asked && wizardRan(which);
    };
    if (first.status == success && !succeeded(main))
        fail("status",
             "success reported, but the wizard " + std::string(wizardRan(main) ? "did not succeed" : "never ran"));
    if (second && second->status == success && !succeeded(2))
        fail("status", "the second run reported success, but its wizard " +
                           std::string(wizardRan(2) ? "did not succeed" : "never ran"));

    // The status and the logs agree: errors.log says that something went wrong.
    if (first.status == success && !killed && !start_.empty()) {
        std::string errors = start_ + "/errors.log";
        struct stat st {};
        if (::lstat(errors.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > errorsBefore_)
            fail("status", "success reported, but errors.log in " + start_ +
                               " says otherwise: " + slurp(errors).substr(static_cast<size_t>(errorsBefore_), 120));
    }

    // refused: an unknown switch gives the usage and changes nothing.
    if (s_.args == Args::Unknown) {
        if (wizardRan(main)) fail("refused", "an unknown switch ran the wizard");
        std::string gone;
        for (const auto& name : kitFiles_)
            if (!present(kit_ + "/" + name)) gone += " " + name;
        if (!gone.empty()) fail("refused", "an unknown switch removed kit files:" + gone);
    }

    // copy: the wizard saw the kit whole, and (a working copy) nothing else.
    for (int which : {1, 2}) {
        std::string seen = slurp(aux_ + "/seen." + std::to_string(which));
        if (seen.empty()) continue;
        if (seen.find("missing ") != std::string::npos)
            fail("copy", "the wizard's folder lacks kit files: " + seen.substr(seen.find("missing ")));
        if (s_.family == Family::Macsetup)
            for (const char* foreign : {"notes.txt", "projects", "Desktop", "Documents", "Downloads"})
                if (("\n" + seen).find("\n" + std::string(foreign) + "\n") != std::string::npos)
                    fail("copy", std::string("the working copy holds ") + foreign + ", which is not the kit's");
    }

    // outside: nothing changed outside the kit but logs in the documented places.
    Snapshot after = snapshot();
    std::string home = realDir(home_);
    // A working copy whose logs could not be saved keeps them.
    auto workingCopy = [&](const std::string& dir) {
        return dirName(dir) == tmp_ && baseName(dir).rfind("tmpqrl", 0) == 0;
    };
    // Windows: the Windows directory and the profile are the fallbacks.
    std::vector<std::string> windowsPlaces;
    if (win())
        for (const std::string& d :
             {o_.prefix + "/drive_c/windows",
              o_.prefix + "/drive_c/users/" + std::string(std::getenv("USER") ? std::getenv("USER") : "root")})
            windowsPlaces.push_back(realDir(d));
    // No documented place but the temporary directory can take an
    // errors.log: each is missing or holds something else of that name.
    auto takesLogs = [](const std::string& dir) {
        struct stat st {};
        if (dir.empty() || ::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        return ::stat((dir + "/errors.log").c_str(), &st) != 0 || S_ISREG(st.st_mode);
    };
    const bool noOtherPlace = !takesLogs(start_) && !takesLogs(home) && !takesLogs(realDir(kit_));
    auto logPlace = [&](const std::string& dir) {
        std::string real = realDir(dir);
        for (const auto& w : windowsPlaces)
            if (!w.empty() && real == w) return true;
        // The temporary directory: where a second run refused while the first
        // holds the kit says so (never in the first run's logs), and the last
        // fallback when no other place takes an errors.log.
        if (!real.empty() && real == realDir(tmp_) && (s_.fault == Fault::SecondRun || noOtherPlace)) return true;
        return !real.empty() && (real == start_ || real == home || real == realDir(kit_) || workingCopy(dir));
    };
    for (const auto& [path, e] : before_) {
        auto it = after.find(path);
        if (it == after.end()) {
            if (!ownKitFile(path)) fail("outside", "removed " + path);
            continue;
        }
        const Entry& a = it->second;
        bool changed = a.type != e.type || (e.type == S_IFREG && (a.size != e.size || a.mtime != e.mtime));
        bool grownLog = e.type == S_IFREG && a.type == S_IFREG && a.size >= e.size &&
                        baseName(path).find(".log") != std::string::npos && logPlace(dirName(path));
        if (changed && !grownLog) fail("outside", "changed " + path);
    }
    for (const auto& [path, a] : after) {
        if (before_.count(path)) continue;
        if (path.compare(0, install_.size() + 1, install_ + "/") == 0) continue;  // a JVM installed
        if (a.type == S_IFREG && baseName(path).find(".log") != std::string::npos && logPlace(dirName(path))) continue;
        fail("outside", "new " + path);
    }
    if (DIR* d = ::opendir(tmp_.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name).rfind("tmpqrl", 0) == 0) {
                Snapshot copy;
                walk(
                    tmp_ + "/" + e->d_name, [](const std::string&) { return false; }, copy);
                bool logs = false;
                for (const auto& [path, a] : copy) logs = logs || baseName(path).find(".log") != std::string::npos;
                if (!logs) fail("outside", "working copy left without logs: " + tmp_ + "/" + e->d_name);
            }
        ::closedir(d);
    }
    struct statvfs fs {};
    if (mounted_ && ::statvfs(root_.c_str(), &fs) == 0 && fs.f_bavail * fs.f_frsize < 1024 * 1024)
        fail("outside", "the run filled the disk");
    // Work files never outlive a run, wherever they were made.
    Snapshot installed;
    walk(
        install_, [](const std::string&) { return false; }, installed);
    for (const auto& [path, a] : installed) {
        std::string n = baseName(path);
        if (n.rfind("__", 0) == 0 || n == "jvmGood.txt" || n.find(".sem") != std::string::npos)
            fail("outside", "work file left in the JVM's folder: " + path);
    }

    // logs: each log of the run once, in one documented place.
    Snapshot all;
    walk(
        root_, [&](const std::string& p) { return p == aux_; }, all);
    for (const auto& w : windowsPlaces) {
        Snapshot top;
        walk(
            w, [&](const std::string& p) { return p != w && baseName(p).find(".log") == std::string::npos; }, top);
        for (const auto& [path, a] : top)
            if (a.type == S_IFREG) all[path] = a;
    }
    bool kitGone = !present(kit_ + "/qrl.control") && s_.fault != Fault::NoControl;
    std::vector<std::string> tokens;
    if (s_.family != Family::Macsetup) tokens.push_back(token_ + "kit\n");
    for (int which : {1, 2})
        if (!win() && present(aux_ + "/wizard." + std::to_string(which)) && !(killed && which == 1))
            tokens.push_back(token_ + "wizard-" + std::to_string(which) + "\n");
    for (const auto& t : tokens) {
        size_t n = 0;
        std::set<std::string> where;
        for (const auto& [path, a] : all) {
            if (a.type != S_IFREG) continue;
            size_t c = count(slurp(path), t);
            if (c) n += c, where.insert(path);
        }
        std::string name = t.substr(token_.size(), t.size() - token_.size() - 1);
        if (n == 0) fail("logs", "the " + name + " log is nowhere");
        if (n > 1) {
            std::string list;
            for (const auto& w : where) list += " " + w;
            fail("logs", "the " + name + " log is there " + std::to_string(n) + " times:" + list);
        }
        for (const auto& w : where)
            if (!logPlace(dirName(w)))
                fail("logs", "the " + name + " log is in " + dirName(w) + ", which is no documented place");
        if (n == 0 && kitGone && name == "kit") fail("kit", "the kit is gone and its logs were not saved");
    }
    // A failed run says why in an errors.log of a documented place.
    if (first.status != success && !killed && s_.fault != Fault::Term && !second && s_.args != Args::Unknown) {
        bool found = false;
        for (const auto& [path, a] : all)
            found = found || (baseName(path) == "errors.log" && a.type == S_IFREG && a.size > 0 &&
                              logPlace(dirName(path)) && (!before_.count(path) || before_.at(path).size < a.size));
        if (!found) fail("logs", "a failed run left no errors.log in a documented place");
    }
    return bad;
}

// ---------------------------------------------------------------- driving

std::vector<std::string> runScenario(const Options& o, const Scenario& s) {
    Sandbox box(o, s);
    box.build();
    Outcome first, second;
    bool two = false;
    if (s.fault == Fault::Term || s.fault == Fault::KillThenRerun) {
        int sig = s.fault == Fault::Term ? SIGTERM : SIGKILL;
        first = box.run(1, [&](pid_t pid, Clock::time_point t0) {
            std::this_thread::sleep_until(t0 + std::chrono::milliseconds(s.delayMs));
            ::kill(pid, sig);
        });
        if (sig == SIGKILL) {
            box.sweepProcesses();
            if (box.kitPresent()) {
                second = box.run(2);
                two = true;
            }
        }
    } else if (s.fault == Fault::SecondRun) {
        std::thread other;
        first = box.run(1, [&](pid_t, Clock::time_point t0) {
            other = std::thread([&, t0] {
                std::this_thread::sleep_until(t0 + std::chrono::milliseconds(s.delayMs));
                second = box.run(2);
            });
        });
        other.join();
        two = true;
    } else {
        first = box.run(1);
    }
    bool rerun = s.fault == Fault::KillThenRerun && two;
    std::vector<std::string> bad = box.check(rerun ? second : first, rerun ? 2 : 1, two && !rerun ? &second : nullptr);
    if (o.verbose)
        std::printf("seed %llu: status %d in %.0f ms (%s)\n", s.seed, first.status, first.ms, s.describe().c_str());
    if (!bad.empty()) {
        std::string runs = "status " + std::to_string(first.status) + " after " + std::to_string(int(first.ms)) + " ms";
        if (two) runs += ", then " + std::to_string(second.status) + " after " + std::to_string(int(second.ms)) + " ms";
        bad.insert(bad.begin(), runs);
    }
    return bad;
}

std::string winName(const std::string& p) {
    std::string w = "Z:" + p;
    for (auto& c : w)
        if (c == '/') c = '\\';
    return w;
}

// ---------------------------------------------------------------- cleanup.exe

// The folders cleanup.exe is given, and how they are spelt. A protected folder
// (or one holding protected folders) must come through whole under every name;
// the plain kit folder is the one it may empty.
enum class Target { Desktop, Documents, Downloads, Profile, Users, Kit, Count };
const char* const kTargetNames[] = {"Desktop", "Documents", "Downloads", "the profile", "C:\\users", "a kit"};
enum class Spelling { Drive, SlashesAndCase, ZView, LinkTarget, LongPrefix, AdminShare, Count };
const char* const kSpellingNames[] = {"C:\\...",       "c:/.../ in other case",
                                      "Z: view of C:", "Z: view of the link's target",
                                      "\\\\?\\",       "\\\\localhost\\C$"};

struct CleanupCase {
    unsigned long long seed;
    Target target;
    Spelling spelling;
    std::string describe() const {
        return std::string(kTargetNames[int(target)]) + " spelt " + kSpellingNames[int(spelling)];
    }
};

CleanupCase generateCleanup(unsigned long long seed) {
    std::mt19937_64 rng(seed * 0x9E3779B97F4A7C15ULL + 7);
    Target t = Target(rng() % unsigned(Target::Count));
    return {seed, t, Spelling(rng() % unsigned(Spelling::Count))};
}

std::string windowsName(std::string p) {
    for (auto& c : p)
        if (c == '/') c = '\\';
    return p;
}

// The explorer's own prefix: its profile folders lead into its own home, so
// that a cleanup that goes astray empties nothing of the machine's.
bool preparePrefix(const Options& o, std::string& user) {
    std::string home = o.prefix + "/explorer-home";
    if (!present(o.prefix + "/system.reg")) {
        for (const char* d : {"/Desktop", "/Documents", "/Downloads"}) mkdirs(home + d);
        sh("HOME=" + quote(home) + " WINEPREFIX=" + quote(o.prefix) +
           " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' wineboot -i >/dev/null 2>&1; WINEPREFIX=" +
           quote(o.prefix) + " wineserver -w");
    }
    if (DIR* d = ::opendir((o.prefix + "/drive_c/users").c_str())) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' && std::strcmp(e->d_name, "Public")) user = e->d_name;
        ::closedir(d);
    }
    return !user.empty() && realDir(o.prefix + "/drive_c/users/" + user + "/Desktop") == realDir(home + "/Desktop");
}

std::vector<std::string> runCleanupScenario(const Options& o, const CleanupCase& c, const std::string& user) {
    std::string profile = o.prefix + "/drive_c/users/" + user;
    std::string kit = o.work + "/c" + std::to_string(c.seed) + "/kit";
    removeTree(dirName(kit));
    mkdirs(kit);
    put(kit + "/qrl.control", "x\n");
    // Each protected folder holds a file of the user's (made again after a
    // scenario that removed them).
    for (const char* d : {"/Desktop", "/Documents", "/Downloads"}) mkdirs(o.prefix + "/explorer-home" + d);
    std::vector<std::string> marks;
    for (const char* d : {"/Desktop", "/Documents", "/Downloads", ""}) {
        marks.push_back(profile + d + "/explorer-notes.txt");
        put(marks.back(), "mine\n");
    }
    bool users = c.target == Target::Users, whole = c.target == Target::Profile;
    std::string sub = users || whole ? "" : std::string("\\") + kTargetNames[int(c.target)];
    std::string driveC = users ? "C:\\users" : "C:\\users\\" + user + sub;
    std::string unixPath = users ? o.prefix + "/drive_c/users" : profile + (sub.empty() ? "" : "/" + sub.substr(1));
    std::string arg;
    if (c.target == Target::Kit) {
        arg = c.spelling == Spelling::SlashesAndCase ? "Z:" + kit + "/"
              : c.spelling == Spelling::LongPrefix   ? "\\\\?\\Z:" + windowsName(kit)
                                                     : "Z:" + windowsName(kit);
    } else {
        switch (c.spelling) {
            case Spelling::Drive:
                arg = driveC;
                break;
            case Spelling::SlashesAndCase:
                arg = "c:" + driveC.substr(2) + "\\";
                for (auto& ch : arg)
                    ch = ch == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
                break;
            case Spelling::ZView:
                arg = "Z:" + windowsName(unixPath);
                break;
            case Spelling::LinkTarget:
                arg = "Z:" + windowsName(realDir(unixPath));
                break;
            case Spelling::LongPrefix:
                arg = "\\\\?\\" + driveC;
                break;
            case Spelling::AdminShare:
                arg = "\\\\localhost\\C$" + driveC.substr(2);
                break;
            default:
                break;
        }
    }
    std::string cmd = "cd " + quote(dirName(kit)) + " && WINEPREFIX=" + quote(o.prefix) +
                      " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' timeout -s KILL 60 wine " + quote(o.cleanup) +
                      " " + quote(arg) + " >/dev/null 2>&1";
    Clock::time_point t0 = Clock::now();
    int status = sh(cmd);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    std::vector<std::string> bad;
    if (status == 137 || ms > 45000) bad.push_back("bound: cleanup.exe took " + std::to_string(int(ms)) + " ms");
    for (const auto& m : marks)
        if (!present(m))
            bad.push_back("outside: given " + arg + ", cleanup.exe removed " + m.substr(o.prefix.size() + 1));
    if (c.target == Target::Kit && present(kit + "/qrl.control"))
        bad.push_back("kit: given its kit as " + arg + ", cleanup.exe left it");
    removeTree(dirName(kit));
    return bad;
}

bool privateMounts(const std::string& dir) {
    if (::unshare(CLONE_NEWNS) != 0) return false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    mkdirs(dir);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    o.self = n > 0 ? std::string(self, static_cast<size_t>(n)) : argv[0];
    std::string familyName = "unixloader";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--family")
            familyName = next();
        else if (a == "--program")
            o.program = next();
        else if (a == "--cleanup")
            o.cleanup = next();
        else if (a == "--jvm")
            o.jvm = next();
        else if (a == "--prefix")
            o.prefix = next();
        else if (a == "--count")
            o.count = std::atoi(next().c_str());
        else if (a == "--seed")
            o.seed = std::strtoull(next().c_str(), nullptr, 10);
        else if (a == "--keep")
            o.keep = true;
        else if (a == "--jobs")
            o.jobs = std::atoi(next().c_str());
        else if (a == "--verbose")
            o.verbose = true;
        else {
            std::fprintf(stderr, "explorer: unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    o.familyName = familyName;
    for (std::string* p : {&o.program, &o.cleanup, &o.prefix, &o.jvm}) {
        char real[PATH_MAX];
        if (!p->empty() && ::realpath(p->c_str(), real)) *p = real;
    }
    o.family = familyName == "macsetup"    ? Family::Macsetup
               : familyName == "installer" ? Family::Installer
               : familyName == "cleanup"   ? Family::Cleanup
                                           : Family::Unixloader;
    if (o.family == Family::Cleanup)
        o.cleanup = o.program, o.jobs = 1;  // one cleanup at a time: they share the profile
    if (o.program.empty() || ::access(o.program.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "explorer: no program to explore (--program %s)\n", o.program.c_str());
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    char base[] = "/tmp/qrl-explorer-XXXXXX";
    std::string baseDir = tmp && *tmp ? std::string(tmp) + "/qrl-explorer-XXXXXX" : base;
    if (!::mkdtemp(baseDir.data())) return 2;
    o.work = baseDir;
    o.registryRoot = "Software\\QuarlanExplorer\\" + baseName(o.work);
    bool wine = o.family == Family::Installer || o.family == Family::Cleanup;
    o.tmpfs = !wine && privateMounts(o.work);
    std::string user;
    if (o.family == Family::Cleanup && !preparePrefix(o, user)) {
        std::fprintf(stderr, "explorer: the prefix %s does not lead its profile folders into its own home\n",
                     o.prefix.c_str());
        return 2;
    }
    if (o.keep) {
        // Kept sandboxes are copied out of the private tmpfs, to be looked at afterwards.
        o.kept = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/qrl-explorer-kept";
        mkdirs(o.kept);
        std::printf("explorer: sandboxes kept in %s\n", o.kept.c_str());
    }
    if (!o.tmpfs)
        std::printf("explorer: SKIPPED full-disk and large-log scenarios (no private tmpfs for %s)\n",
                    wine ? "wine" : "this process");
    if (o.family == Family::Installer) {
        std::string reg =
            "WINEPREFIX=" + quote(o.prefix) + " WINEDEBUG=-all wine reg add " +
            quote("HKCU\\" + o.registryRoot + "\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_392") +
            " /v JavaHome /d " + quote(winName(o.work + "/jre8")) + " /f >/dev/null 2>&1";
        mkdirs(o.work + "/jre8/bin");
        std::string fj = o.jvm.empty() ? dirName(o.program) + "/fakejava.exe" : o.jvm;
        sh("cp " + quote(fj) + " " + quote(o.work + "/jre8/bin/java.exe") + " && cp " + quote(fj) + " " +
           quote(o.work + "/jre8/bin/javaw.exe"));
        put(o.work + "/jre8/bin/fakejava.version", "1.8.0_392\n");
        sh(reg);
    }
    // The system's commands without its JVMs, for the shell commands of a run.
    mkdirs(o.work + "/tools");
    for (const char* dir : {"/usr/bin", "/bin"})
        if (DIR* d = ::opendir(dir)) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n[0] == '.' || n.rfind("java", 0) == 0 || n.rfind("jre", 0) == 0 || n.rfind("jvm", 0) == 0)
                    continue;
                ::symlink((std::string(dir) + "/" + n).c_str(), (o.work + "/tools/" + n).c_str());
            }
            ::closedir(d);
        }
    // Scenarios mostly wait for their programs: several run side by side,
    // each in its own sandbox; the report keeps the order of the seeds.
    int failing = 0;
    std::mutex lock;
    std::map<int, std::string> reports;
    int next = 0, printed = 0;
    auto worker = [&] {
        for (;;) {
            int i;
            {
                std::lock_guard<std::mutex> g(lock);
                if (next >= o.count) return;
                i = next++;
            }
            Scenario s = generate(o.seed + static_cast<unsigned long long>(i), o.family, o.tmpfs);
            CleanupCase c = generateCleanup(s.seed);
            std::vector<std::string> bad =
                o.family == Family::Cleanup ? runCleanupScenario(o, c, user) : runScenario(o, s);
            std::string report;
            if (!bad.empty()) {
                report = "FAIL seed " + std::to_string(s.seed) + " (" + familyName +
                         "): " + (o.family == Family::Cleanup ? c.describe() : s.describe()) + "\n";
                for (const auto& b : bad) report += "    " + b + "\n";
                report +=
                    "    repeat: scripts/explore.sh --family " + familyName + " 1 " + std::to_string(s.seed) + "\n";
            }
            std::lock_guard<std::mutex> g(lock);
            failing += !bad.empty();
            reports[i] = report;
            for (auto it = reports.find(printed); it != reports.end(); it = reports.find(++printed)) {
                std::fputs(it->second.c_str(), stdout);
                reports.erase(it);
            }
            std::fflush(stdout);
        }
    };
    std::vector<std::thread> workers;
    for (int j = 0; j < std::max(1, o.jobs); ++j) workers.emplace_back(worker);
    for (auto& w : workers) w.join();
    std::printf("explorer: %s, %d scenarios from seed %llu, %d failing\n", familyName.c_str(), o.count, o.seed,
                failing);
    if (o.family == Family::Installer)
        sh("WINEPREFIX=" + quote(o.prefix) + " WINEDEBUG=-all wine reg delete " + quote("HKCU\\" + o.registryRoot) +
           " /f >/dev/null 2>&1");
    if (!o.keep) removeTree(o.work);
    return failing > 100 ? 100 : failing;
}
