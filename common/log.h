// Plain-text log files: one line per call, the local time as asctime renders it
// (without its newline), a blank and the message. While a file "term.log" exists
// in the current directory every line is also echoed on standard output.
#pragma once

#include <concepts>
#include <ctime>
#include <string>
#include <string_view>

namespace qrl {

// The 24-character asctime form of the current local time, e.g.
// "Mon Jun  7 09:05:03 2004".
std::string asctimeNow();
std::string asctimeOf(const std::tm& tm);

class Log {
public:
    void logMessage(std::string_view file, std::string_view message) const;
    // "label text"
    void logMessage(std::string_view file, std::string_view label, std::string_view text) const;
    // "label: value"
    void logMessage(std::string_view file, std::string_view label, int value) const;
    // "label: true" / "label: false". A template so that pointers and numbers
    // never turn into flags by accident.
    template <std::same_as<bool> B>
    void logMessage(std::string_view file, std::string_view label, B flag) const {
        logFlag(file, label, flag);
    }

private:
    void logFlag(std::string_view file, std::string_view label, bool flag) const;
};

}  // namespace qrl
