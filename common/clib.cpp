#include "common/clib.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <vector>

#include "platform/env.h"
#include "platform/fs.h"

namespace qrl {

std::string getCurrentDir(Family family, size_t capacity) {
    auto cwd = platform::currentDir();
    if (!cwd || cwd->size() > capacity) return ".";
    std::string dir = *cwd;
    if (family == Family::Posix) {
        if (!dir.empty() && dir.back() == '/') dir.pop_back();
    } else if (dir.size() > 1 && dir.back() == dirEnd(family)) {
        dir.pop_back();
    }
    return dir;
}

std::optional<std::string> getPathPtr() {
    for (const char* name : {"path", "PATH", "Path"}) {
        if (auto v = platform::getEnv(name)) return v;
    }
    return std::nullopt;
}

std::string getJavaHomeDirectory(std::string_view exe, Family family) {
    std::string home(exe);
    size_t last = std::string::npos;
    for (size_t i = home.size(); i-- > 0;)
        if (isSeparator(family, home[i])) {
            last = i;
            break;
        }
    if (last == std::string::npos) return home;
    home.resize(last);
    // Walk the components from the end; the last one named "bin" cuts.
    size_t end = home.size();
    while (end > 0) {
        size_t start = end;
        while (start > 0 && !isSeparator(family, home[start - 1])) --start;
        std::string_view comp(home.data() + start, end - start);
        bool isBin = family == Family::Windows ? stricmp(comp, "bin") == 0 : comp == "bin";
        if (isBin) {
            home.resize(start > 0 ? start - 1 : 0);
            return home;
        }
        if (start == 0) break;
        end = start - 1;
    }
    return home;
}

void parseVersion(std::string_view version, std::string& base, std::string& micro) {
    base = std::string(version);
    micro = "0";
    if (std::count(base.begin(), base.end(), '.') < 2) return;
    size_t dot = base.rfind('.');
    micro = base.substr(dot + 1);
    base.resize(dot);
}

bool copyStream(std::FILE* in, std::FILE* out, CopyStats* stats, const CopyAllocator& allocate) {
    if (!in || !out) return false;
    if (std::fseek(in, 0, SEEK_END) != 0) return false;
    long length = std::ftell(in);
    if (length < 0 || std::fseek(in, 0, SEEK_SET) != 0) return false;
    // An append stream reports where its writes will land only after a seek.
    std::fseek(out, 0, SEEK_END);
    long outStart = std::ftell(out);

    size_t wanted = std::min(static_cast<size_t>(length) / kCopyChunk + 1, kCopyMaxBuffers);
    std::vector<std::unique_ptr<char[]>> buffers;
    for (size_t i = 0; i < wanted; ++i) {
        auto buf = allocate ? allocate(kCopyChunk) : std::unique_ptr<char[]>(new (std::nothrow) char[kCopyChunk]);
        if (!buf) break;  // fewer buffers, not failure
        buffers.push_back(std::move(buf));
    }
    if (buffers.empty()) return false;
    if (stats) stats->buffers = buffers.size();

    std::vector<size_t> filled(buffers.size());
    bool writeFailed = false;
    while (!std::feof(in) && !writeFailed) {
        for (size_t i = 0; i < buffers.size(); ++i) {
            filled[i] = std::fread(buffers[i].get(), 1, kCopyChunk, in);
            if (filled[i] < kCopyChunk) {
                std::fill(filled.begin() + static_cast<long>(i) + 1, filled.end(), 0);
                break;
            }
        }
        if (std::ferror(in)) return false;
        for (size_t i = 0; i < buffers.size() && filled[i] > 0; ++i) {
            if (std::fwrite(buffers[i].get(), 1, filled[i], out) != filled[i]) {
                writeFailed = true;
                break;
            }
        }
        if (stats) ++stats->rounds;
    }
    if (writeFailed || std::fflush(out) != 0) return false;
    // Judged by what this call wrote, so that appending to a file that already
    // has content counts as success too.
    long end = std::ftell(out);
    return outStart >= 0 && end - outStart == length;
}

namespace {

bool copyInto(std::string_view src, std::string_view dst, const char* mode, bool removeOnFailure) {
    if (!fexists(src) || isDir(src)) return false;
    std::FILE* in = platform::openFile(std::string(src), "rb");
    if (!in) return false;
    std::FILE* out = platform::openFile(std::string(dst), mode);
    if (!out) {
        std::fclose(in);
        return false;
    }
    bool ok = copyStream(in, out);
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    if (!ok && removeOnFailure) platform::removeFile(std::string(dst));
    return ok;
}

}  // namespace

bool copyFile(std::string_view src, std::string_view dst) { return copyInto(src, dst, "wb", true); }
bool appendFile(std::string_view src, std::string_view dst) { return copyInto(src, dst, "ab", false); }

bool isRootPath(std::string_view path, Family family) {
    if (path.empty()) return true;
    std::string p(path);
    if (family != Family::Windows) {
        return std::all_of(p.begin(), p.end(), [](char c) { return c == '/'; });
    }
    std::replace(p.begin(), p.end(), '/', '\\');
    // Device and long-path prefixes: \\?\C:\ and \\.\C: name the same roots.
    for (std::string_view prefix : {"\\\\?\\UNC\\", "\\\\?\\", "\\\\.\\"}) {
        if (p.size() >= prefix.size() && stricmp(std::string_view(p).substr(0, prefix.size()), prefix) == 0) {
            bool unc = prefix.size() == 8;
            p = (unc ? "\\\\" : "") + p.substr(prefix.size());
            break;
        }
    }
    while (p.size() > 1 && p.back() == '\\') p.pop_back();
    if (p == "\\" || p.empty()) return true;
    if (p.size() == 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') return true;
    if (p.size() > 2 && p[0] == '\\' && p[1] == '\\') {
        // \\server or \\server\share
        size_t parts = 0;
        for (size_t i = 2, start = 2; i <= p.size(); ++i) {
            if (i == p.size() || p[i] == '\\') {
                if (i > start) ++parts;
                start = i + 1;
            }
        }
        return parts <= 2;
    }
    return false;
}

namespace {

// Removes the entries of a real directory (not a link) and then the directory.
bool removeTree(const std::string& dir, Family family) {
    std::vector<platform::DirEntry> entries;
    bool ok = platform::listDir(dir, entries);
    for (const auto& e : entries) {
        if (e.name == "." || e.name == "..") continue;
        std::string path = joinPath(dir, e.name, family);
        platform::makeWritable(path);
        if (e.isDirectory && !e.isLink) {
            ok = removeTree(path, family) && ok;
        } else {
            ok = platform::removeFile(path) && ok;
        }
    }
    platform::makeWritable(dir);
    return platform::removeDir(dir) && ok;
}

}  // namespace

bool delDirTree(std::string_view dir, Family family) {
    std::string path(dir);
    if (isRootPath(path, family)) return false;
    if (platform::isLink(path)) return platform::removeFile(path);
    if (!platform::exists(path)) return true;
    if (platform::typeOf(path) != platform::FileType::Directory) return false;
    std::string canonical = platform::canonicalPath(path);
    if (canonical.empty() || isRootPath(canonical, family)) return false;
    removeTree(path, family);
    return !platform::exists(path);
}

void logSystemChange(std::string_view line) {
    std::FILE* f = platform::openFile("changes.txt", "at");
    if (!f) return;
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string strlwr(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string strupr(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

int stricmp(std::string_view a, std::string_view b) {
    std::string la = strlwr(a), lb = strlwr(b);
    return la.compare(lb) < 0 ? -1 : (la == lb ? 0 : 1);
}

std::string joinPath(std::string_view dir, std::string_view name, Family family) {
    std::string out(dir);
    out += dirEnd(family);
    out += name;
    return out;
}

std::vector<std::string> splitList(std::string_view list, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(separator, start);
        if (end == std::string_view::npos) end = list.size();
        if (end > start) out.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

DirGuard::~DirGuard() { platform::changeDir(dir_); }

std::string trimRight(std::string_view s) {
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\n' || s[end - 1] == '\r')) --end;
    return std::string(s.substr(0, end));
}

bool readLines(std::string_view file, size_t limit, const std::function<bool(std::string&)>& each) {
    std::FILE* f = platform::openFile(std::string(file), "rt");
    if (!f) return false;
    std::string line;
    bool go = true;
    int c = 0;
    while (go && (c = std::fgetc(f)) != EOF) {
        line.clear();
        line += static_cast<char>(c);
        while (c != '\n' && line.size() < limit && (c = std::fgetc(f)) != EOF) line += static_cast<char>(c);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        go = each(line);
    }
    std::fclose(f);
    return true;
}

}  // namespace qrl

namespace qrl {

bool isPathInside(std::string_view base, std::string_view path, bool orSame) {
    std::string realBase = platform::canonicalPath(std::string(base));
    if (realBase.empty()) return false;
    std::string p(path);
    std::string real = platform::canonicalPath(p);
    if (real.empty() || platform::isLink(p)) {
        // Judge a missing file or a link by the directory that holds it.
        size_t sep = p.find_last_of("/\\");
        std::string parent = sep == std::string::npos ? "." : (sep == 0 ? p.substr(0, 1) : p.substr(0, sep));
        std::string name = sep == std::string::npos ? p : p.substr(sep + 1);
        if (name.empty() || name == "." || name == "..") return false;
        std::string realParent = platform::canonicalPath(parent);
        if (realParent.empty()) return false;
        real = realParent + (realParent.back() == '/' || realParent.back() == '\\' ? "" : "/") + name;
    }
    auto norm = [](std::string s) {
        for (char& c : s)
            if (c == '\\') c = '/';
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    };
    realBase = norm(realBase);
    real = norm(real);
    if (real == realBase) return orSame;
    std::string prefix = realBase == "/" ? "/" : realBase + "/";
    return real.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace qrl
