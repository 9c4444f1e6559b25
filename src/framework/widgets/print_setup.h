#pragma once
// The framework's print set-up dialog returning a printer device context, and that device
// context with the few drawing operations the library prints with. Without an installed
// printer the page goes through the PDF printer into a file the user names.
#include <tessaly/wnd.h>

#include <memory>

namespace tessaly::framework {

// GetDeviceCaps indexes.
enum : int { LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111 };
// DrawText formats.
enum : UINT { DT_LEFT = 0x0, DT_TOP = 0x0, DT_WORDBREAK = 0x10, DT_NOCLIP = 0x100 };
// Font weights, pitch and family.
enum : int { FW_NORMAL = 400, FF_ROMAN = 0x10 };

class CPrinterDC {
  public:
    CPrinterDC();
    ~CPrinterDC();
    CPrinterDC(const CPrinterDC&) = delete;
    CPrinterDC& operator=(const CPrinterDC&) = delete;

    int GetDeviceCaps(int index) const;
    // A document of that name with pages; each returns a positive number on success.
    int StartDoc(const char* documentName);
    int StartPage();
    int EndPage();
    int EndDoc();
    // The font of the text drawn next: face, cell height in device pixels, weight.
    void SelectFont(const char* face, int height, int weight, int pitchAndFamily);
    // Draws the text (ANSI code page) into the rectangle, broken at words with
    // DT_WORDBREAK; what does not fit is cut unless DT_NOCLIP.
    int DrawText(const char* text, const RECT& rect, UINT format);

  private:
    friend bool PrintSetupDialog(std::unique_ptr<CPrinterDC>& dc);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Shows the print set-up dialog. Returns true when it was confirmed; `dc` then holds the
// chosen printer's device context, or null when none could be made. False: cancelled.
bool PrintSetupDialog(std::unique_ptr<CPrinterDC>& dc);

} // namespace tessaly::framework
