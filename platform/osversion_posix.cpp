#include "platform/osversion.h"

namespace platform {

unsigned long windowsVersionWord() { return 0; }

}  // namespace platform
