#pragma once
// Printing: the print information of one print run, the printable information dialog (a
// dialog whose print button prints the texts of a range of its controls, page by page),
// and the exported printing functions.
#include <tessaly/cstring.h>
#include <tessaly/gdi.h>
#include <tessaly/skin_dialog.h>
#include <tessaly/wnd.h>

// What the steps of one print run hand each other: the chosen printer, the output file
// (printing to a file), the page range, the page being printed with its drawing rectangle
// (logical units), and whether another page follows (OnPrint clears it on the last page).
class CPrintInfo {
  public:
    void SetMinPage(UINT page) { m_nMinPage = page; }
    void SetMaxPage(UINT page) { m_nMaxPage = page; }
    UINT GetMinPage() const { return m_nMinPage; }
    UINT GetMaxPage() const { return m_nMaxPage; }
    // The range the user chose; the whole document when none.
    UINT GetFromPage() const { return m_nFromPage ? m_nFromPage : m_nMinPage; }
    UINT GetToPage() const { return m_nToPage ? m_nToPage : m_nMaxPage; }

    BOOL m_bContinuePrinting = TRUE;
    UINT m_nCurPage = 1;
    RECT m_rectDraw;
    BOOL m_bPrintToFile = FALSE;
    CString m_strPrinterName;
    CString m_strPortName;
    CString m_strOutputFile;
    UINT m_nMinPage = 1;
    UINT m_nMaxPage = 0xFFFF;
    UINT m_nFromPage = 0;
    UINT m_nToPage = 0;
    void* m_lpUserData = nullptr;
};

// A dialog of the library's family (pale yellow, without a caption bar, dragged by its
// background, skin buttons) that prints the texts of its controls m_nCurrentControl to
// m_nLastControl. The print button's handler calls OnFilePrint: the print dialog (every
// printer of the printer table; Cancel prints nothing), the file dialog when printing to a
// file, a printing-status window with Cancel, and one page after another through OnPrint
// until it clears m_bContinuePrinting or the page range chosen ends. While printing the
// calling program's main window is disabled and messages keep flowing between pages.
class TESSALY_API CPrintableDlg : public tessaly::dialogs::CSkinDialog {
  public:
    explicit CPrintableDlg(UINT templateId, CWnd* parent = nullptr);
    ~CPrintableDlg() override;

    // The print procedure. Its failures: a document that cannot be started shows the
    // framework's message and prints nothing; a page error or Cancel aborts the document
    // (a file being written is removed).
    void OnFilePrint();

  protected:
    // The family's own (skin, drag timer), overridden here so that a caller's class finds
    // them in this exported class.
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;

    // One logical unit per device pixel (MM_TEXT).
    virtual void OnPrepareDC(CDC* dc, CPrintInfo* info);
    // Both do nothing here; they get a DC that measures in the printer's font.
    virtual void OnEndPrinting(CDC* dc, CPrintInfo* info);
    virtual void OnBeginPrinting(CDC* dc, CPrintInfo* info);
    // Shows the print dialog and notes the printer chosen; FALSE when cancelled.
    virtual BOOL OnPreparePrinting(CPrintInfo* info);
    // Lays out one page: margins of three quarters of an inch, each control's text
    // word-wrapped and followed by one line spacing (the font's height and external
    // leading). A text that does not fit on the rest of the page moves whole to the next
    // page; a text taller than a whole page gets a page of its own and is cut at its bottom
    // margin. A missing control prints as an empty text.
    virtual void OnPrint(CDC* dc, CPrintInfo* info);

    int m_nCurrentControl = 0; // first control whose text is still to be printed
    int m_nLastControl = 0;    // last control to print
};

// A document the calling program prints through the framework's print path, as its print
// commands (57607 with the print dialog, 57608 without) do. DoPrint runs the print procedure
// of CPrintableDlg: the print dialog (or, without it, the system's default printer), the
// printing-status window, and OnPrint page by page until it clears m_bContinuePrinting.
// TRUE when a document was printed to its end.
class TESSALY_API CPrintJob {
  public:
    CPrintJob();
    virtual ~CPrintJob();
    BOOL DoPrint(BOOL withDialog, const char* documentName = "Mydoc");

  protected:
    // MM_TEXT.
    virtual void OnPrepareDC(CDC* dc, CPrintInfo* info);
    virtual void OnEndPrinting(CDC* dc, CPrintInfo* info);
    virtual void OnBeginPrinting(CDC* dc, CPrintInfo* info);
    // The page that OnPrint draws in info->m_rectDraw; it clears m_bContinuePrinting on the
    // last page.
    virtual void OnPrint(CDC* dc, CPrintInfo* info) = 0;
};

// The help on sending an e-mail (template 159): its print button prints its texts, its
// button 1058 opens the help on installing the mail program (template 197). Returns the
// dialog's end code.
TESSALY_API int ShowOutlookHelpDlg();

// Saving the calling program's document as a PDF file through the PDF printer. Each asks for
// the PDF options (kept in the library's profile), sets the driver up for `fileName` and
// sends the print command to the program's main window (its first visible main window),
// which prints inside the call. Results: 1 done, 2 the options were cancelled, 0 the driver
// library "CDIntf.dll" or the driver is not available.
// PDFPrint: the print command with the print dialog (57607), then waits for the file at most
// 5 seconds after the command returned (a print the user cancelled leaves none; the result is
// then 2 and nothing is offered), restores the former default printer and offers to view the
// file. PrintPDF (57608, no dialog) and javaPDFPrint (57607) leave the PDF printer the default
// printer, the former one kept for javaAfterPDFPrint, which restores it and offers the file.
TESSALY_API int PDFPrint(char* fileName);
TESSALY_API int PrintPDF(char* fileName);
TESSALY_API int javaPDFPrint(char* fileName);
TESSALY_API void javaAfterPDFPrint(char* fileName);
// The dialogs around installing the PDF Export Filter and the one for a missing filter.
TESSALY_API int ShowInstallPdfFilterDlg();
TESSALY_API void ShowAfterInstallPdfFilterDlg();
TESSALY_API int ShowSaveasPdfDlg();
