#include "tests/support/testutil.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace qrltest {

bool onWindows() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

qrl::Family nativeFamily() { return onWindows() ? qrl::Family::Windows : qrl::Family::Posix; }

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / ("qrltest-" + std::to_string(rd()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            std::string made = reinterpret_cast<const char*>(p.u8string().c_str());
            path_ = platform::canonicalPath(made);
            if (path_.empty()) path_ = made;
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary directory";
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::path p(std::u8string(reinterpret_cast<const char8_t*>(path_.c_str())));
    // Make everything writable first so that read-only test files go too.
    for (auto it = fs::recursive_directory_iterator(p, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        platform::makeWritable(reinterpret_cast<const char*>(it->path().u8string().c_str()));
    }
    fs::remove_all(p, ec);
}

std::string TempDir::file(const std::string& name) const {
    return path_ + (onWindows() ? "\\" : "/") + name;
}

CwdGuard::CwdGuard(const std::string& dir) : saved_(fs::current_path()) {
    EXPECT_TRUE(platform::changeDir(dir)) << dir;
}

CwdGuard::~CwdGuard() {
    std::error_code ec;
    fs::current_path(saved_, ec);
}

EnvGuard::EnvGuard(std::string name, const char* value) : name_(std::move(name)) {
    if (auto old = platform::getEnv(name_)) {
        had_ = true;
        old_ = *old;
    }
    if (value)
        EXPECT_TRUE(platform::setEnv(name_, value)) << name_;
    else
        EXPECT_TRUE(platform::unsetEnv(name_)) << name_;
}

EnvGuard::~EnvGuard() {
    if (had_)
        EXPECT_TRUE(platform::setEnv(name_, old_)) << name_;
    else
        EXPECT_TRUE(platform::unsetEnv(name_)) << name_;
}

std::string readFile(const std::string& path) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return {};
    std::string out;
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

void writeFile(const std::string& path, const std::string& content) {
    std::FILE* f = platform::openFile(path, "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = readFile(path);
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool exists(const std::string& path) { return platform::exists(path); }

std::string helperPath(const std::string& name) {
    std::string self = platform::programPath();
    size_t sep = self.find_last_of(onWindows() ? "\\/" : "/");
    std::string dir = sep == std::string::npos ? "." : self.substr(0, sep);
    return dir + (onWindows() ? "\\" : "/") + name + (onWindows() ? ".exe" : "");
}

std::vector<std::string> readArgvDump(const std::string& file) {
    // Format: one entry per record, "<length>:<bytes>\n", the program name first.
    std::string text = readFile(file);
    std::vector<std::string> args;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t colon = text.find(':', pos);
        if (colon == std::string::npos) break;
        size_t len = std::stoul(text.substr(pos, colon - pos));
        args.push_back(text.substr(colon + 1, len));
        pos = colon + 1 + len + 1;
    }
    if (!args.empty()) args.erase(args.begin());
    return args;
}

bool spawnReportsMissingPrograms() {
    static const bool reports = [] {
        TempDir dir;
        return !platform::spawn(dir.file("missing-program"), {}).started;
    }();
    return reports;
}

std::string wineUnixView([[maybe_unused]] const std::string& path) {
#ifdef _WIN32
    using ToUnix = char*(__cdecl*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    std::wstring wide(path.size(), L'\0');
    wide.resize(::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                                      static_cast<int>(wide.size())));
    char* unix = toUnix(wide.c_str());
    if (!unix) return {};
    std::string out = "Z:" + std::string(unix);
    ::HeapFree(::GetProcessHeap(), 0, unix);
    // C: is the link dosdevices/c: to the prefix's drive_c: name the folder
    // itself, as a user browsing Z: finds it.
    if (size_t c = out.find("/dosdevices/c:/"); c != std::string::npos) out.replace(c, 15, "/drive_c/");
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
#else
    return {};
#endif
}

}  // namespace qrltest
