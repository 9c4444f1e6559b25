#pragma once
// The calling program's side of the widget tests: a Qt application made before the library
// makes one, on the offscreen platform the test programs start with.
#include <QApplication>

namespace tessaly::testing {

inline void EnsureQtApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "tessaly_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

} // namespace tessaly::testing
