// PLACEHOLDER until the message-text module lands.
#include "platform/errors.h"

namespace tessaly::platform {
std::string ExpandMessageInserts(const char* text, va_list*, bool) { return text; }
} // namespace tessaly::platform
