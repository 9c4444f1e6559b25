#pragma once
// UI automation: a script (a test, the tessaly command) sees each message box as it opens
// and answers it by pressing one of its buttons.
#include <functional>
#include <string>

#include <tessaly/types.h>

namespace tessaly::automation {

struct MessageBoxInfo {
    std::string caption;
    std::string text;  // in the ANSI code page, as the library passed it
    UINT type = 0;     // button set and icon bits, as for the system's message box
};

// Called while the box is open; returns the identifier of the button to press (IDOK 1,
// IDCANCEL 2, IDYES 6 ...), or 0 to leave the box to the user. Null removes the handler.
using MessageBoxHandler = std::function<int(const MessageBoxInfo&)>;
TESSALY_API void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace tessaly::automation
