#include "platform/osversion.h"

#include <windows.h>

namespace platform {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
unsigned long windowsVersionWord() { return ::GetVersion(); }
#pragma GCC diagnostic pop

}  // namespace platform
