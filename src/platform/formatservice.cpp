#include "formatservice.h"

namespace platform {

FormatService::~FormatService() = default;

}  // namespace platform
