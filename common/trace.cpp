#include "common/trace.h"

#include <string>

#include "common/files.h"

namespace qrl {

bool Trace::traceOn(std::string_view traceFile) { return fexists(traceFile); }

void Trace::traceMessage(std::string_view traceFile, std::string_view message) const {
    if (traceOn(traceFile)) logMessage(traceFile, message);
}

void Trace::traceMessage(std::string_view traceFile, std::string_view label, std::string_view text) const {
    if (traceOn(traceFile)) logMessage(traceFile, label, text);
}

void Trace::traceMessage(std::string_view traceFile, std::string_view label, int value) const {
    if (traceOn(traceFile)) logMessage(traceFile, label, value);
}

void Trace::logAndTraceMessage(std::string_view logFile, std::string_view traceFile, std::string_view message) const {
    logMessage(logFile, message);
    traceMessage(traceFile, message);
}

void Trace::logAndTraceMessage(std::string_view logFile, std::string_view traceFile, std::string_view label,
                               std::string_view text) const {
    logMessage(logFile, label, text);
    traceMessage(traceFile, label, text);
}

void Trace::logReason(std::string_view logFile, std::string_view traceFile, const platform::Result& why) const {
    if (why) return;
    logAndTraceMessage(logFile, traceFile, "  reason: " + why.text());
}

}  // namespace qrl
