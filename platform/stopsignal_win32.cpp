#include "platform/stopsignal.h"

namespace platform {

void passStopSignals() {}

int stopSignal() { return 0; }

void setWaitedProcess(long) {}

}  // namespace platform
