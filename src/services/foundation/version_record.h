#pragma once
// The Windows version record as the version services read it.
#include "platform/version.h"

namespace tessaly::base {

// The basic record (148 bytes), asked for twice before the version counts as unreadable.
bool ReadVersion(platform::OSVERSIONINFOA& info);

} // namespace tessaly::base
