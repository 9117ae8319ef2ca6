#include "jvm/jvmverdicts.h"

#include <cstdio>
#include <map>

#include "common/execcmd.h"
#include "jvm/version.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace qrl {
namespace {

std::string startFailure(const platform::Result& why) {
    if (why.kind() == platform::ErrorKind::PermissionDenied) return "not executable (permission denied)";
    return spawnErrorReason(why);
}

bool versionMiss(JvmReason reason) {
    return reason == JvmReason::BelowMinimum || reason == JvmReason::AboveMaximum ||
           reason == JvmReason::NotRequired || reason == JvmReason::ProbeVersion;
}

// The version a refusal went by: the probe's answer where the probe refused.
const std::string& missVersion(const JvmVerdict& v) {
    return v.reason == JvmReason::ProbeVersion && !v.detail.empty() ? v.detail : v.version;
}

struct SentenceRow {
    const char* language;
    const char* sentence;  // %v the version found, %h its home, %r the range needed
    const char* exact;     // %r: the required version
    const char* orLater;   // %r: the minimum
    const char* orEarlier; // %r: the maximum
    const char* between;   // %r: the minimum, then the maximum (%a, %b)
};

const SentenceRow kSentences[] = {
    {"english", "Java %v was found in %h, but version %r is needed.", "%a", "%a or later", "%b or earlier",
     "%a to %b"},
    {"french", "Java %v a \xC3\xA9t\xC3\xA9 trouv\xC3\xA9 dans %h, mais la version %r est requise.", "%a",
     "%a ou ult\xC3\xA9rieure", "%b ou ant\xC3\xA9rieure", "%a \xC3\xA0 %b"},
    {"german", "Java %v wurde in %h gefunden, aber Version %r wird ben\xC3\xB6tigt.", "%a", "%a oder neuer",
     "%b oder \xC3\xA4lter", "%a bis %b"},
    {"spanish", "Se encontr\xC3\xB3 Java %v en %h, pero se necesita la versi\xC3\xB3n %r.", "%a",
     "%a o posterior", "%b o anterior", "%a a %b"},
    {"polish", "Znaleziono Jav\xC4\x99 %v w %h, ale wymagana jest wersja %r.", "%a", "%a lub nowsza",
     "%b lub starsza", "od %a do %b"},
    {"italian", "Java %v \xC3\xA8 stato trovato in %h, ma \xC3\xA8 necessaria la versione %r.", "%a",
     "%a o successiva", "%b o precedente", "da %a a %b"},
    {"portuguese", "O Java %v foi encontrado em %h, mas \xC3\xA9 necess\xC3\xA1ria a vers\xC3\xA3o %r.", "%a",
     "%a ou posterior", "%b ou anterior", "%a a %b"},
    {"japanese",
     "Java %v \xE3\x81\x8C %h \xE3\x81\xAB\xE8\xA6\x8B\xE3\x81\xA4\xE3\x81\x8B\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x97"
     "\xE3\x81\x9F\xE3\x81\x8C\xE3\x80\x81\xE3\x83\x90\xE3\x83\xBC\xE3\x82\xB8\xE3\x83\xA7\xE3\x83\xB3 %r "
     "\xE3\x81\x8C\xE5\xBF\x85\xE8\xA6\x81\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82",
     "%a", "%a \xE4\xBB\xA5\xE9\x99\x8D", "%b \xE4\xBB\xA5\xE5\x89\x8D", "%a \xE3\x81\x8B\xE3\x82\x89 %b"},
    {"dutch", "Java %v is gevonden in %h, maar versie %r is nodig.", "%a", "%a of later", "%b of eerder",
     "%a tot en met %b"},
};

// The pattern with %x replaced by the value `values` holds for x; the values
// are inserted as they stand (a home may hold a percent sign).
std::string fill(std::string_view pattern, const std::map<char, std::string>& values) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            auto it = values.find(pattern[i + 1]);
            if (it != values.end()) {
                out += it->second;
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

}  // namespace

void JvmVerdicts::place(std::string_view where, std::string_view) { where_ = where; }

void JvmVerdicts::verdict(const JvmVerdict& v) {
    candidates.push_back({where_, v, v.executable.empty() ? std::string() : executableMachine(v.executable)});
    if (v.reason != JvmReason::AlreadyTested) return;
    // Which earlier candidate it is (a link to it, or the same home by another name).
    std::string real = platform::canonicalPath(v.executable);
    for (const JvmCandidate& c : candidates)
        if (!c.verdict.executable.empty() && platform::canonicalPath(c.verdict.executable) == real) {
            candidates.back().verdict.detail = c.verdict.executable;
            break;
        }
}

std::string rangeText(const JvmCriteria& c) {
    if (!c.required.empty()) return c.required;
    if (c.minimum.empty() && c.maximum.empty()) return "any version";
    if (c.maximum.empty()) return c.minimum + " or a later version";
    return (c.minimum.empty() ? std::string("any version up to") : c.minimum + " -") + " " + c.maximum;
}

std::string executableMachine(const std::string& path) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return {};
    unsigned char h[512] = {};
    size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    auto u16 = [&](size_t at, bool little) -> unsigned {
        return little ? h[at] | (h[at + 1] << 8) : (h[at] << 8) | h[at + 1];
    };
    auto u32 = [&](size_t at) -> unsigned long {
        return h[at] | (h[at + 1] << 8) | (h[at + 2] << 16) | (static_cast<unsigned long>(h[at + 3]) << 24);
    };
    if (n >= 20 && h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F') {
        static const std::map<unsigned, const char*> elf{{3, "i386"},     {8, "mips"},     {20, "ppc"},
                                                         {21, "ppc64"},   {22, "s390x"},   {40, "arm"},
                                                         {62, "x86_64"},  {183, "aarch64"}, {243, "riscv64"}};
        auto it = elf.find(u16(18, h[5] != 2));
        return it == elf.end() ? std::string() : it->second;
    }
    if (n >= 0x40 && h[0] == 'M' && h[1] == 'Z') {
        unsigned long pe = u32(0x3C);
        if (pe + 6 > n || h[pe] != 'P' || h[pe + 1] != 'E' || h[pe + 2] || h[pe + 3]) return {};
        static const std::map<unsigned, const char*> coff{
            {0x14C, "i386"}, {0x8664, "x86_64"}, {0xAA64, "aarch64"}, {0x1C4, "arm"}};
        auto it = coff.find(u16(pe + 4, true));
        return it == coff.end() ? std::string() : it->second;
    }
    if (n >= 8 && (u32(0) == 0xFEEDFACFUL || u32(0) == 0xFEEDFACEUL)) {
        static const std::map<unsigned long, const char*> macho{
            {7, "i386"}, {0x01000007UL, "x86_64"}, {0x0100000CUL, "aarch64"}, {12, "arm"}};
        auto it = macho.find(u32(4));
        return it == macho.end() ? std::string() : it->second;
    }
    return {};
}

const std::string& ownMachine() {
    static const std::string machine = executableMachine(platform::programPath());
    return machine;
}

bool wrongMachine(const JvmCandidate& c, const std::string& own) {
    // A program built for another processor cannot start, or, handed to the
    // shell as a script, fails with what the shell says about it. (One that a
    // processor emulator runs is judged by its answers.)
    const JvmVerdict& v = c.verdict;
    bool failed = !v.accepted() && (v.reason == JvmReason::NotStarted || v.status != 0);
    return failed && !c.machine.empty() && !own.empty() && c.machine != own;
}

std::string reasonText(const JvmCandidate& c, const JvmCriteria& criteria, const std::string& own) {
    const JvmVerdict& v = c.verdict;
    if (wrongMachine(c, own)) return "wrong architecture: built for " + c.machine + ", this machine runs " + own;
    switch (v.reason) {
        case JvmReason::Accepted: return "chosen";
        case JvmReason::NoExecutable: return "no program " + v.detail;
        case JvmReason::NoHome: return "the registry entry names no home directory (JavaHome)";
        case JvmReason::AlreadyTested:
            return "the same program as " + (v.detail.empty() ? std::string("an earlier candidate") : v.detail) +
                   " (not started again)";
        case JvmReason::NotStarted:
            return "could not be started: " + startFailure(v.why);
        case JvmReason::NoVersion: {
            int code = platform::shellExitCode(v.status);
            std::string text = "-version named no version";
            if (code != 0) text = "-version failed with exit status " + std::to_string(code);
            return text + (v.detail.empty() ? "" : ": " + v.detail);
        }
        case JvmReason::BelowMinimum: return "below the minimum " + criteria.minimum;
        case JvmReason::AboveMaximum: return "above the maximum " + criteria.maximum;
        case JvmReason::NotRequired: return "not the required " + criteria.required;
        case JvmReason::ProbeNotStarted: return "the probe TestJvm could not be started: " + startFailure(v.why);
        case JvmReason::ProbeNoAnswer: return "the probe TestJvm wrote no answer (the JVM could not run it)";
        case JvmReason::ProbeVersion:
            return "the probe TestJvm answered " + (v.detail.empty() ? std::string("no version") : v.detail) +
                   ", which is not " + rangeText(criteria);
    }
    return "";
}

bool shownCandidate(const JvmCandidate& c) {
    if (c.verdict.reason != JvmReason::NoExecutable) return true;
    return c.where == "JAVA_HOME" || c.where.rfind("HK", 0) == 0;
}

std::vector<std::string> verdictLines(const std::vector<JvmCandidate>& candidates, const JvmCriteria& criteria) {
    const std::string& own = ownMachine();
    std::vector<std::string> lines;
    size_t number = 0, hidden = 0;
    for (const JvmCandidate& c : candidates) {
        if (!shownCandidate(c)) {
            ++hidden;
            continue;
        }
        const JvmVerdict& v = c.verdict;
        std::string line = std::to_string(++number) + ". " + c.where + " ";
        line += v.executable.empty() ? v.home : v.executable;
        line += ":";
        if (!v.version.empty()) line += " " + v.version;
        if (!c.machine.empty() && c.machine != own) line += " (" + c.machine + ")";
        line += v.accepted() ? " chosen" : " rejected: " + reasonText(c, criteria, own);
        lines.push_back(std::move(line));
    }
    if (number == 0) lines.push_back("no JVM was found in any place the search looks in");
    if (hidden)
        lines.push_back("(" + std::to_string(hidden) + (hidden == 1 ? " more place" : " more places") +
                        " searched held no java program)");
    return lines;
}

void logVerdicts(const Logs& logs, const std::vector<JvmCandidate>& candidates, const JvmCriteria& criteria) {
    logs.error("No suitable JVM was found (" + rangeText(criteria) + "); the search tried:");
    for (const std::string& line : verdictLines(candidates, criteria)) logs.error("  " + line);
}

const JvmCandidate* nearestMiss(const std::vector<JvmCandidate>& candidates, const JvmCriteria& criteria) {
    const JvmCandidate* below = nullptr;
    const JvmCandidate* above = nullptr;
    const JvmCandidate* other = nullptr;
    for (const JvmCandidate& c : candidates) {
        const JvmVerdict& v = c.verdict;
        const std::string& version = missVersion(v);
        if (!versionMiss(v.reason) || version.empty()) continue;
        if (criteria.required.empty() && !criteria.minimum.empty() && compareWithBound(version, criteria.minimum) < 0) {
            if (!below || compareJavaVersions(version, missVersion(below->verdict)) > 0) below = &c;
        } else if (criteria.required.empty() && !criteria.maximum.empty() &&
                   compareWithBound(version, criteria.maximum) > 0) {
            if (!above || compareJavaVersions(version, missVersion(above->verdict)) < 0) above = &c;
        } else if (!other) {
            other = &c;
        }
    }
    return below ? below : above ? above : other;
}

std::string nearestMissSentence(const JvmCandidate& miss, const JvmCriteria& c, std::string_view language) {
    const SentenceRow* row = &kSentences[0];
    for (const SentenceRow& r : kSentences)
        if (language == r.language) row = &r;
    const char* range = !c.required.empty()                     ? row->exact
                        : !c.minimum.empty() && !c.maximum.empty() ? row->between
                        : !c.minimum.empty()                      ? row->orLater
                                                                  : row->orEarlier;
    std::string needed = fill(range, {{'a', c.required.empty() ? c.minimum : c.required}, {'b', c.maximum}});
    const JvmVerdict& v = miss.verdict;
    return fill(row->sentence, {{'v', missVersion(v)}, {'h', v.home}, {'r', needed}});
}

}  // namespace qrl
