#pragma once
// The Qt application the library's windows live in.
namespace tessaly::framework {

// Creates a QApplication on first need when the process has none; on the offscreen
// platform when there is no display.
void EnsureApplication();

} // namespace tessaly::framework
