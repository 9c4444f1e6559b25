#pragma once
// The calling thread's message pump. The user-interface layer installs the real one (the Qt
// event loop); without it, pumping does nothing and waits simply sleep.
#include "api.h"

namespace tessaly::platform {

using MessagePump = void (*)(DWORD maxMilliseconds);
PLATFORM_API void SetMessagePump(MessagePump pump);
// Dispatches pending messages for at most the time given; true when a pump is installed.
PLATFORM_API bool PumpMessages(DWORD maxMilliseconds);

} // namespace tessaly::platform
