#include "platform/pump.h"

#include <atomic>

namespace tessaly::platform {

namespace {
std::atomic<MessagePump> installedPump{nullptr};
} // namespace

void SetMessagePump(MessagePump pump) {
    installedPump.store(pump);
}

bool PumpMessages(DWORD maxMilliseconds) {
    MessagePump pump = installedPump.load();
    if (!pump) return false;
    pump(maxMilliseconds);
    return true;
}

} // namespace tessaly::platform
