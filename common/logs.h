// The logs of one run: the error log, always written, and a trace, written
// only while its file exists (a user switches tracing on by creating an empty
// file of that name). Both are absolute paths, fixed where the run starts and
// handed to whoever writes, so a later change of the current directory never
// moves a line into another directory.
#pragma once

#include <concepts>
#include <string>
#include <string_view>

#include "common/logfiles.h"
#include "platform/error.h"

namespace qrl {

class Logs {
public:
    // "errors.log" and the trace `trace` in `dir`.
    static Logs in(std::string_view dir, std::string_view trace = kTraceLog);
    // The same in the current directory, as it is now.
    static Logs inCurrentDir(std::string_view trace = kTraceLog);
    // Logs that write nothing anywhere and never trace (for a checker that
    // reads with the programs' own parsers).
    static Logs none();

    // The directory the logs are written in.
    const std::string& dir() const { return dir_; }
    const std::string& errorLog() const { return errorLog_; }
    const std::string& traceLog() const { return traceLog_; }
    // A file of that name beside the logs.
    std::string beside(std::string_view name) const;
    // The same error log with another trace beside it.
    Logs withTrace(std::string_view name) const;

    // Whether the trace file exists, so that lines are traced.
    bool tracing() const;

    void trace(std::string_view message) const;
    // "label text"
    void trace(std::string_view label, std::string_view text) const;
    // "label: value"
    void trace(std::string_view label, int value) const;
    // "label: true" / "label: false". A template so that pointers and numbers
    // never turn into flags by accident.
    template <std::same_as<bool> B>
    void trace(std::string_view label, B flag) const {
        if (tracing()) appendLine(traceLog_, flagLine(label, flag));
    }

    // To the error log, then traced.
    void error(std::string_view message) const;
    void error(std::string_view label, std::string_view text) const;
    template <std::same_as<bool> B>
    void error(std::string_view label, B flag) const {
        error(flagLine(label, flag));
    }
    // To the error log alone.
    void errorOnly(std::string_view message) const;

    // The system's reason for a failed call, "  reason: <words> (<code>)", to
    // the error log and the trace; nothing for a success.
    void reason(const platform::Result& why) const;

    // Appends one line to a log file: the local time as asctime renders it
    // (without its newline), a blank and the message. A log name taken by a
    // link (or anything but a plain file) is not written through. While
    // "term.log" exists in the current directory the line is also echoed on
    // standard output.
    static void appendLine(std::string_view file, std::string_view message);

private:
    Logs(std::string dir, std::string errorLog, std::string traceLog)
        : dir_(std::move(dir)), errorLog_(std::move(errorLog)), traceLog_(std::move(traceLog)) {}
    static std::string flagLine(std::string_view label, bool flag);

    std::string dir_;
    std::string errorLog_;
    std::string traceLog_;
};

}  // namespace qrl
