#pragma once
// Fonts, icons and text measuring for the library's dialogs, without Qt in their code.
#include <tessaly/gdi.h>
#include <tessaly/wnd.h>

namespace tessaly::framework {

struct TextExtent {
    int width = 0;
    int height = 0;
};

// The extent of the text (ANSI code page) word-wrapped at the width, in the font of that
// face and size (points at the screen's logical resolution).
TextExtent MeasureWrappedText(const char* text, const char* face, int points, int width);
// Gives the control the font.
void SetWindowFont(CWnd* window, const char* face, int points);
// Shows a system icon (32513 stop, 32514 question, 32515 exclamation, 32516 information)
// in a static icon control.
void SetStaticIcon(CWnd* control, int systemIcon);

// The painter a device context draws through (null for one without), for drawing what the
// DC's own operations do not cover, such as pictures.
QPainter* PainterOf(CDC* dc);

} // namespace tessaly::framework
