#include "common/files.h"

#include <algorithm>
#include <new>
#include <vector>

#include "common/filecopy.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/safefile.h"

namespace qrl {

bool pathExists(std::string_view name) {
    std::string copy(name);
    if (!copy.empty() && copy.front() == '"') {
        copy.erase(0, 1);
        size_t close = copy.find('"');
        if (close != std::string::npos) copy.resize(close);
    }
    return !copy.empty() && platform::exists(copy);
}

bool isDir(std::string_view path) {
    if (!pathExists(path)) return false;
    return platform::typeOf(std::string(path)) == platform::FileType::Directory;
}

namespace {

constexpr size_t kCopyChunk = 30000;
constexpr size_t kCopyMaxBuffers = 20;

}  // namespace

bool copyStreamWith(std::FILE* in, std::FILE* out, const BufferSource& allocate) {
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
        auto buf = allocate(kCopyChunk);
        if (!buf) break;  // fewer buffers, not failure
        buffers.push_back(std::move(buf));
    }
    if (buffers.empty()) return false;

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
    }
    if (writeFailed || std::fflush(out) != 0) return false;
    // Judged by what this call wrote, so that appending to a file that already
    // has content counts as success too.
    long end = std::ftell(out);
    return outStart >= 0 && end - outStart == length;
}

bool copyStream(std::FILE* in, std::FILE* out) {
    return copyStreamWith(in, out, [](size_t size) { return std::unique_ptr<char[]>(new (std::nothrow) char[size]); });
}

namespace {

// A limit in words: "4 MiB" for whole mebibytes, else in bytes.
std::string sizeWords(std::uint64_t limit) {
    if (limit >= (1u << 20) && limit % (1u << 20) == 0) return std::to_string(limit >> 20) + " MiB";
    return std::to_string(limit) + " bytes";
}

// The one checked copy behind copyFile and appendFile.
bool copyInto(std::string_view source, std::string_view destination, bool append, std::uint64_t limit,
              std::string* why) {
    const std::string src(source), dst(destination);
    auto fail = [&](const std::string& words) {
        if (why) *why = words;
        return false;
    };
    platform::ReadStatus status = platform::ReadStatus::Failed;
    std::uint64_t size = 0;
    platform::Result reason;
    std::FILE* in = platform::openRegularFile(src, status, size, &reason);
    if (!in) return fail(status == platform::ReadStatus::NotAFile ? "not a regular file" : reason.text());
    if (size > limit) {
        std::fclose(in);
        return fail("larger than " + sizeWords(limit));
    }
    // Opened with "wb", the destination would be emptied before it is read.
    if (platform::sameFile(src, dst)) {
        std::fclose(in);
        return fail("the source and the destination are one file");
    }
    std::FILE* out = platform::openFile(dst, append ? "ab" : "wb", &reason);
    if (!out) {
        std::fclose(in);
        return fail(reason.text());
    }
    std::string problem;
    std::vector<char> buffer(64 * 1024);
    std::uint64_t copied = 0;
    while (problem.empty()) {
        size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n == 0) {
            if (std::ferror(in)) problem = platform::Result::lastError().text();
            break;
        }
        copied += n;
        if (copied > limit) {
            problem = "larger than " + sizeWords(limit);
        } else if (std::fwrite(buffer.data(), 1, n, out) != n) {
            problem = platform::Result::lastError().text();
        }
    }
    std::fclose(in);
    if (problem.empty() && std::fflush(out) != 0) problem = platform::Result::lastError().text();
    if (std::fclose(out) != 0 && problem.empty()) problem = platform::Result::lastError().text();
    if (problem.empty()) return true;
    // Only a file this copy wrote goes; a device named as the destination stays.
    if (!append && (platform::isLink(dst) || platform::typeOf(dst) == platform::FileType::File))
        (void)platform::removeFile(dst);  // the failure is told below
    return fail(problem);
}

}  // namespace

bool copyFile(std::string_view src, std::string_view dst, std::uint64_t limit, std::string* why) {
    return copyInto(src, dst, false, limit, why);
}
bool appendFile(std::string_view src, std::string_view dst, std::string* why) {
    return copyInto(src, dst, true, kNoCopyLimit, why);
}

namespace {

// Removes the entries of a real directory (not a link) and then the directory.
bool removeTree(const std::string& dir, Family family) {
    std::vector<platform::DirEntry> entries;
    bool ok = platform::listDir(dir, entries).ok();
    for (const auto& e : entries) {
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
    if (platform::isLink(path)) return platform::removeFile(path).ok();
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

namespace {

// The lines of a character source: each cut at its line feed, a line longer
// than the limit read as several (or, with SkipRest, cut there and the rest of
// it skipped, which `cut` tells).
void eachLine(const std::function<int()>& next, size_t limit,
              const std::function<bool(std::string&, bool cut)>& each, LongLines longLines) {
    std::string line;
    bool go = true;
    int c = 0;
    while (go && (c = next()) != EOF) {
        line.clear();
        line += static_cast<char>(c);
        while (c != '\n' && line.size() < limit && (c = next()) != EOF) line += static_cast<char>(c);
        bool cut = false;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        } else if (c != EOF && longLines == LongLines::SkipRest) {
            while ((c = next()) != EOF && c != '\n') cut = true;
        }
        go = each(line, cut);
    }
}

std::function<bool(std::string&, bool)> ignoringCut(const std::function<bool(std::string&)>& each) {
    return [&each](std::string& line, bool) { return each(line); };
}

}  // namespace

bool readTextFile(std::string_view file, std::string& text, std::string* why) {
    platform::Result reason;
    switch (platform::readRegularFile(std::string(file), kMaxTextFile, text, &reason)) {
        case platform::ReadStatus::Ok: return true;
        case platform::ReadStatus::NotAFile:
            if (why) *why = "not a regular file";
            return false;
        case platform::ReadStatus::TooLarge:
            if (why) *why = "larger than " + sizeWords(kMaxTextFile);
            return false;
        case platform::ReadStatus::Failed: break;
    }
    if (why) *why = reason.text();
    return false;
}

std::string withLineFeeds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') out += text[i];
    return out;
}

bool readLines(std::string_view file, size_t limit, const std::function<bool(std::string&)>& each,
               LongLines longLines) {
    std::string text;
    if (!readTextFile(file, text)) return false;
    splitLines(withLineFeeds(text), limit, each, longLines);
    return true;
}

void splitLines(std::string_view text, size_t limit, const std::function<bool(std::string&)>& each,
                LongLines longLines) {
    size_t at = 0;
    eachLine([&] { return at < text.size() ? static_cast<unsigned char>(text[at++]) : EOF; }, limit,
             ignoringCut(each), longLines);
}

void splitLines(std::string_view text, size_t limit, const std::function<bool(std::string&, bool cut)>& each) {
    size_t at = 0;
    eachLine([&] { return at < text.size() ? static_cast<unsigned char>(text[at++]) : EOF; }, limit, each,
             LongLines::SkipRest);
}

std::optional<bool> flagSetting(std::string_view key, std::initializer_list<std::string_view> files, bool absent) {
    bool answer = absent;
    auto each = [&](std::string& line) {
        auto value = prefixValue(line, key);
        if (!value) return true;
        answer = isYes(*value);
        return false;
    };
    for (std::string_view file : files)
        if (readLines(file, 999, each)) return answer;
    return std::nullopt;
}

}  // namespace qrl
