#include "common/logs.h"

#include <cstdio>

#include "common/log.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/safefile.h"

namespace qrl {

Logs Logs::in(std::string_view dir, std::string_view trace) {
    return Logs(std::string(dir), platform::pathIn(dir, kErrorLog), platform::pathIn(dir, trace));
}

Logs Logs::inCurrentDir(std::string_view trace) { return in(platform::currentDir().value_or(""), trace); }

Logs Logs::none() { return Logs("", "", ""); }

std::string Logs::beside(std::string_view name) const { return platform::pathIn(dir_, name); }

Logs Logs::withTrace(std::string_view name) const { return Logs(dir_, errorLog_, beside(name)); }

bool Logs::tracing() const { return !traceLog_.empty() && platform::exists(traceLog_); }

void Logs::trace(std::string_view message) const {
    if (tracing()) appendLine(traceLog_, message);
}

void Logs::trace(std::string_view label, std::string_view text) const {
    if (!tracing()) return;
    std::string line(label);
    line += ' ';
    line += text;
    appendLine(traceLog_, line);
}

void Logs::trace(std::string_view label, int value) const {
    if (!tracing()) return;
    std::string line(label);
    line += ": ";
    line += std::to_string(value);
    appendLine(traceLog_, line);
}

void Logs::error(std::string_view message) const {
    appendLine(errorLog_, message);
    trace(message);
}

void Logs::error(std::string_view label, std::string_view text) const {
    std::string line(label);
    line += ' ';
    line += text;
    error(line);
}

void Logs::errorOnly(std::string_view message) const { appendLine(errorLog_, message); }

void Logs::reason(const platform::Result& why) const {
    if (!why) error("  reason: " + why.text());
}

std::string Logs::flagLine(std::string_view label, bool flag) {
    std::string line(label);
    line += flag ? ": true" : ": false";
    return line;
}

void Logs::appendLine(std::string_view file, std::string_view message) {
    if (file.empty()) return;
    std::FILE* f = platform::openForWrite(std::string(file), platform::WriteMode::Append, true);
    if (!f) return;
    std::string line = asctimeNow();
    line += ' ';
    line += message;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
    if (platform::exists(kTerminalEcho)) platform::writeStdout(line);
}

}  // namespace qrl
