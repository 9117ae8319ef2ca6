#include "platform/stopsignal.h"

namespace platform {

PassStopSignals::PassStopSignals(bool) {}

PassStopSignals::~PassStopSignals() = default;

int stopSignal() { return 0; }

void setWaitedProcess(long, bool) {}

}  // namespace platform
