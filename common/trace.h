// Tracing: a trace file is written only while it exists, so a user switches
// tracing on by creating an empty file of the right name. Errors go to the
// error log unconditionally and are then traced.
#pragma once

#include "common/log.h"
#include "platform/error.h"

namespace qrl {

class Trace : public Log {
public:
    void traceMessage(std::string_view traceFile, std::string_view message) const;
    void traceMessage(std::string_view traceFile, std::string_view label, std::string_view text) const;
    void traceMessage(std::string_view traceFile, std::string_view label, int value) const;
    template <std::same_as<bool> B>
    void traceMessage(std::string_view traceFile, std::string_view label, B flag) const {
        if (traceOn(traceFile)) logMessage(traceFile, label, flag);
    }

    void logAndTraceMessage(std::string_view logFile, std::string_view traceFile, std::string_view message) const;
    void logAndTraceMessage(std::string_view logFile, std::string_view traceFile, std::string_view label,
                            std::string_view text) const;
    template <std::same_as<bool> B>
    void logAndTraceMessage(std::string_view logFile, std::string_view traceFile, std::string_view label,
                            B flag) const {
        logMessage(logFile, label, flag);
        traceMessage(traceFile, label, flag);
    }

    // The system's reason for a failed call, "  reason: <words> (<code>)", to the
    // error log and the trace; nothing for a success.
    void logReason(std::string_view logFile, std::string_view traceFile, const platform::Result& why) const;

private:
    static bool traceOn(std::string_view traceFile);
};

}  // namespace qrl
