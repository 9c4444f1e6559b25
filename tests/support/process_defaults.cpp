// Settings every test program starts with.
#include <cstdlib>

// Leaks inside system libraries reached through Qt (font configuration) are not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace {
// Windows never appear on the tester's screen: Qt draws offscreen.
__attribute__((constructor)) void testProcessDefaults() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}
} // namespace
