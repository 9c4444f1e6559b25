#pragma once
// The framework's print set-up and print dialogs returning a printer device context, and
// that device context: the document and page calls, the printer's capabilities and a CDC
// to draw each page with. Printing to a file writes a PDF.
#include <tessaly/gdi.h>
#include <tessaly/wnd.h>

#include <functional>
#include <memory>
#include <string>

namespace tessaly::framework {

// GetDeviceCaps indexes.
enum : int { LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111 };
// DrawText formats.
enum : UINT { DT_LEFT = 0x0, DT_TOP = 0x0, DT_WORDBREAK = 0x10, DT_NOCLIP = 0x100 };
// Font weights, pitch and family.
enum : int { FW_NORMAL = 400, FF_ROMAN = 0x10 };

// Called between the pages with the device context's handle; FALSE stops the document.
typedef BOOL (*ABORTPROC)(HDC dc, int error);

class CPrinterDC {
  public:
    CPrinterDC();
    ~CPrinterDC();
    CPrinterDC(const CPrinterDC&) = delete;
    CPrinterDC& operator=(const CPrinterDC&) = delete;

    // Any index of tessaly/gdi.h's GetDeviceCaps list, before and during the document.
    int GetDeviceCaps(int index) const;
    // A document of that name with pages; each returns a positive number on success.
    // The second form writes the document as PDF to the output file when one is named.
    int StartDoc(const char* documentName);
    int StartDoc(const char* documentName, const char* outputFile);
    int StartPage();
    int EndPage();
    int EndDoc();
    // Stops the document: nothing more is printed and a file being written is removed.
    int AbortDoc();
    // The procedure the print loop runs between pages (RunAbortProc); null removes it.
    int SetAbortProc(ABORTPROC proc);
    // TRUE to go on (also without a procedure).
    BOOL RunAbortProc();
    // The font of the text drawn next: face, cell height in device pixels, weight.
    void SelectFont(const char* face, int height, int weight, int pitchAndFamily);
    // Draws the text (ANSI code page) into the rectangle, broken at words with
    // DT_WORDBREAK; what does not fit is cut unless DT_NOCLIP.
    int DrawText(const char* text, const RECT& rect, UINT format);
    // The device context of the open document (null before StartDoc and after EndDoc):
    // MM_TEXT on the printer's pixels, the printer's default font of 10 points.
    CDC* GetDC();
    HDC GetSafeHdc();

    // The printer of the printer table this context prints on; FALSE when none of that
    // name exists or it is one the print path cannot drive (the context keeps its
    // printer). On the PDF printer the job takes the printer's settings: paper,
    // orientation, resolution, font embedding, watermark and the file it writes.
    BOOL SelectPrinter(const CString& name);
    CString GetPrinterName() const;
    CString GetPortName() const;
    // The copies the job prints (a queue prints them; a PDF file holds one).
    void SetCopyCount(int copies);
    // FALSE when no printer could be made (the printer device module is missing): every
    // document and printer then fails.
    bool HasDevice() const;

  private:
    friend bool PrintSetupDialog(std::unique_ptr<CPrinterDC>& dc);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What the user chose in the print dialog.
struct PrintChoice {
    CString printer;               // a printer of the printer table; empty when there is none
    bool toFile = false;           // into a file, whose name PrintFileDialog asks next
    UINT fromPage = 0, toPage = 0; // the pages to print; both 0: all of them
    int copies = 1;
};

// The framework's print dialog: every printer of the printer table (the machine's CUPS
// queues and the prefix's own printers, such as the PDF and fax printers), the one in
// `choice` or else the default printer preselected, with its driver and port; print to
// file; copies; and, with `pageRange`, all pages or a range. False when cancelled. Without
// any printer only printing to a file is left.
bool ShowPrintDialog(PrintChoice& choice, bool pageRange);

// Shows the print set-up dialog. Returns true when it was confirmed; `dc` then holds the
// chosen printer's device context (writing the file asked next when printing to a file),
// or null when the print path cannot drive the printer chosen. False: cancelled.
bool PrintSetupDialog(std::unique_ptr<CPrinterDC>& dc);

// The print dialog of the print procedure: false when cancelled. Confirmed, `dc` holds the
// chosen printer's context (null when the print path cannot drive that printer and the
// pages do not go into a file) and `choice` what was chosen.
bool PrintDialog(std::unique_ptr<CPrinterDC>& dc, PrintChoice& choice);
// The framework's file dialog for the output file; false when cancelled.
bool PrintFileDialog(std::string& path);

// The system's default printer (the printer table's), empty when there is none.
CString DefaultPrinter();

// The one page the library's information dialogs print: the print set-up dialog, then text
// on one page (a third of an inch of margin, Arial at 12 points, broken at words; what does
// not fit is cut). Without a printer the message of noPrinterMessage is shown. False when
// nothing was printed.
bool PrintOnePage(const char* documentName, const char* text, UINT noPrinterMessage);

} // namespace tessaly::framework
