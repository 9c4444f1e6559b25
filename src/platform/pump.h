#pragma once
// The calling thread's message pump. The user-interface layer installs the real one (the Qt
// event loop); without it, pumping does nothing and waits simply sleep.
#include "api.h"

namespace tessaly::platform {

using MessagePump = void (*)(DWORD maxMilliseconds);
PLATFORM_API void SetMessagePump(MessagePump pump);
// Dispatches pending messages for at most the time given; true when a pump is installed.
PLATFORM_API bool PumpMessages(DWORD maxMilliseconds);
// Set by the user-interface layer when the application is about to quit, so that waits that
// keep windows alive end with it.
PLATFORM_API void SetApplicationQuitting(bool quitting);
PLATFORM_API bool ApplicationQuitting();

} // namespace tessaly::platform
