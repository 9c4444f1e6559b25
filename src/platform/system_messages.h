#pragma once
// The system's message catalogues, keyed by code.
#include "api.h"

namespace tessaly::platform {

// The system's English text of an error code (a code carried in a result 0x8007xxxx has the
// code's own text), each ending in CR LF; null when the catalogue has none.
const char* SystemMessageText(DWORD code);
// The network-management text (2100 to 2999) of "netmsg.dll"; null when there is none.
const char* NetworkMessageText(DWORD code);

} // namespace tessaly::platform
