#include "platform/pump.h"

#include <atomic>

namespace tessaly::platform {

namespace {
std::atomic<MessagePump> installedPump{nullptr};
std::atomic<bool> quitting{false};
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

void SetApplicationQuitting(bool value) {
    quitting.store(value);
}

bool ApplicationQuitting() {
    return quitting.load();
}

} // namespace tessaly::platform
