#include "common/log.h"

#include <cstdio>
#include <ctime>

#include "common/logfiles.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/safefile.h"
#include "platform/systime.h"

namespace qrl {

std::string asctimeNow() { return asctimeOf(platform::localNow()); }

std::string asctimeOf(const std::tm& tm) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12],
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 1900 + tm.tm_year);
    return buf;
}

void Log::logMessage(std::string_view file, std::string_view message) const {
    // A log name taken by a link (or anything but a plain file) is not written through.
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

void Log::logMessage(std::string_view file, std::string_view label, std::string_view text) const {
    std::string msg(label);
    msg += ' ';
    msg += text;
    logMessage(file, msg);
}

void Log::logMessage(std::string_view file, std::string_view label, int value) const {
    std::string msg(label);
    msg += ": ";
    msg += std::to_string(value);
    logMessage(file, msg);
}

void Log::logFlag(std::string_view file, std::string_view label, bool flag) const {
    std::string msg(label);
    msg += flag ? ": true" : ": false";
    logMessage(file, msg);
}

}  // namespace qrl
