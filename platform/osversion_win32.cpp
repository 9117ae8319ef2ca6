#include "platform/osversion.h"

#include <windows.h>

#include "platform/env.h"

namespace platform {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
unsigned long windowsVersionWord() { return ::GetVersion(); }
#pragma GCC diagnostic pop

// Windows has no kernel release of that form: only the test setting answers.
std::optional<std::string> osRelease() { return testSetting("QUARLAN_OS_RELEASE"); }

}  // namespace platform
