#include "common/paths.h"

#include <algorithm>
#include <cctype>

#include "common/familyrules.h"
#include "common/text.h"
#include "platform/env.h"
#include "platform/fs.h"

namespace qrl {

namespace {

std::string asCurrentDir(std::optional<std::string> path, Family family, size_t capacity) {
    if (!path || path->empty() || path->size() > capacity) return ".";
    std::string dir = std::move(*path);
    if (rulesFor(family).currentDirDropsSlash) {
        if (!dir.empty() && dir.back() == '/') dir.pop_back();
    } else if (dir.size() > 1 && dir.back() == rulesFor(family).dirEnd) {
        dir.pop_back();
    }
    return dir;
}

}  // namespace

std::string getCurrentDir(Family family, size_t capacity) {
    return asCurrentDir(platform::currentDir(), family, capacity);
}

std::string dirAsCurrent(std::string_view dir, Family family, size_t capacity) {
    return asCurrentDir(platform::canonicalPath(std::string(dir)), family, capacity);
}

std::optional<std::string> readPathVariable() {
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
        bool isBin = rulesFor(family).windowsPaths ? compareIgnoreCase(comp, "bin") == 0 : comp == "bin";
        if (isBin) {
            home.resize(start > 0 ? start - 1 : 0);
            return home;
        }
        if (start == 0) break;
        end = start - 1;
    }
    return home;
}

bool isRootPath(std::string_view path, Family family) {
    if (path.empty()) return true;
    std::string p(path);
    if (!rulesFor(family).windowsPaths) {
        return std::all_of(p.begin(), p.end(), [](char c) { return c == '/'; });
    }
    std::replace(p.begin(), p.end(), '/', '\\');
    // Device and long-path prefixes: \\?\C:\ and \\.\C: name the same roots.
    for (std::string_view prefix : {"\\\\?\\UNC\\", "\\\\?\\", "\\\\.\\"}) {
        if (p.size() >= prefix.size() && compareIgnoreCase(std::string_view(p).substr(0, prefix.size()), prefix) == 0) {
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

std::string joinPath(std::string_view dir, std::string_view name, Family family) {
    std::string out(dir);
    out += rulesFor(family).dirEnd;
    out += name;
    return out;
}

std::string joinPath(std::string_view dir, std::initializer_list<std::string_view> names, Family family) {
    std::string out(dir);
    for (std::string_view name : names) out = joinPath(out, name, family);
    return out;
}

bool isSeparator(Family family, char c) { return c == '/' || (rulesFor(family).windowsPaths && c == '\\'); }

size_t lastSeparator(std::string_view path, Family family) {
    for (size_t i = path.size(); i-- > 0;)
        if (isSeparator(family, path[i])) return i;
    return std::string_view::npos;
}

std::string_view baseName(std::string_view path, Family family) {
    size_t sep = lastSeparator(path, family);
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

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
