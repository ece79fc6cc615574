#include "startup.h"

namespace platform {

void prepareProcess() {}

}  // namespace platform
