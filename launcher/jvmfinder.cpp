#include "launcher/jvmfinder.h"

namespace qrl {

JvmFinder systemJvmFinder(Family) { return {}; }

}  // namespace qrl
