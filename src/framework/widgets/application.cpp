#include "framework/widgets/application.h"

#include <QApplication>

#include <cstdlib>

#include "platform/pump.h"

namespace tessaly::framework {

namespace {

int argcStore = 1;
char argv0[] = "tessaly";
char* argvStore[] = {argv0, nullptr};

// The calling thread's message pump for the waits: Qt's event loop when there is one.
void pumpQtEvents(DWORD maxMilliseconds) {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(maxMilliseconds));
}

struct PumpInstaller {
    PumpInstaller() { platform::SetMessagePump(&pumpQtEvents); }
} pumpInstaller;

} // namespace

void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    const bool hasDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!hasDisplay && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Deliberately never destroyed: it lives as long as the process, as the caller's would.
    new QApplication(argcStore, argvStore);
}

} // namespace tessaly::framework
