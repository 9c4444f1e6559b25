#pragma once
// The look of the library's dialog family (CSkinDialog, CSkinButton; declared with the public
// printable dialog that derives from it) and its background colour.
#include <tessaly/skin_dialog.h>

namespace tessaly::dialogs {

// The family's background: 0xCCFFFF as a Windows colour value (red 255, green 255, blue 204).
inline constexpr COLORREF kSkinBackground = RGB(255, 255, 204);

} // namespace tessaly::dialogs
