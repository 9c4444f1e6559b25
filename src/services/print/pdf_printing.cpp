// Saving as PDF through the PDF printer: the options dialog, the driver's set-up, the print
// command to the calling program, the wait for the file and the offer to view it, and the
// dialogs around the installation of the PDF Export Filter.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/messages.h>
#include <tessaly/pdf_driver.h>
#include <tessaly/print.h>
#include <tessaly/printers.h>

#include <QApplication>
#include <QMainWindow>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dont_show_again.h"
#include "dialogs/print_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/app.h"
#include "framework/core/module_state.h"
#include "framework/widgets/broadcast.h"
#include "launch/launch_internal.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/printers.h"
#include "platform/pump.h"

namespace p = tessaly::platform;
using tessaly::dialogs::CSkinDialog;

namespace tessaly::print {

namespace {

using framework::ManageModuleState;
using framework::TheApp;

constexpr UINT kPrintWithDialog = 57607;
constexpr UINT kPrintDirect = 57608;
// How long PDFPrint waits for the file once the program's print command has returned.
constexpr int kFileWaitMs = 5000;
constexpr int kPollMs = 200;

// The saved default printer: room for 255 characters.
char savedDefaultPrinter[256] = {};

// ---- The options ----

struct PdfOptions {
    int paper = 0, resolution = 3, orientation = 0, compression = 0;
    int embedFonts = 1, watermarkOn = 0;
    CString watermark;
};

constexpr const char kSection[] = "Options";

PdfOptions loadOptions() {
    auto& app = TheApp();
    PdfOptions o;
    o.paper = static_cast<int>(app.GetProfileInt(kSection, "PDF PaperSize", 0));
    o.resolution = static_cast<int>(app.GetProfileInt(kSection, "PDF Resolution", 3));
    o.orientation = static_cast<int>(app.GetProfileInt(kSection, "PDF Orientation", 0));
    o.compression = static_cast<int>(app.GetProfileInt(kSection, "PDF Compression", 0));
    o.embedFonts = static_cast<int>(app.GetProfileInt(kSection, "PDF EmbedFonts", 1));
    o.watermarkOn = static_cast<int>(app.GetProfileInt(kSection, "PDF WaterMark Selection", 0));
    o.watermark = app.GetProfileString(kSection, "PDF WaterMark", "");
    return o;
}

void storeOptions(const PdfOptions& o) {
    auto& app = TheApp();
    app.WriteProfileInt(kSection, "PDF PaperSize", o.paper);
    app.WriteProfileInt(kSection, "PDF Resolution", o.resolution);
    app.WriteProfileInt(kSection, "PDF Orientation", o.orientation);
    app.WriteProfileInt(kSection, "PDF Compression", o.compression);
    app.WriteProfileInt(kSection, "PDF EmbedFonts", o.embedFonts);
    app.WriteProfileInt(kSection, "PDF WaterMark Selection", o.watermarkOn);
    app.WriteProfileString(kSection, "PDF WaterMark", o.watermark);
}

// The radio group starting at `first`: the index of the button set, -1 when none is.
int checkedIn(const CDialog& dialog, int first, int count) {
    for (int i = 0; i < count; ++i)
        if (CWnd* button = dialog.GetDlgItem(first + i);
            button && button->GetCheck() == BST_CHECKED)
            return i;
    return -1;
}

void checkIn(CDialog& dialog, int first, int count, int index) {
    for (int i = 0; i < count; ++i)
        if (CWnd* button = dialog.GetDlgItem(first + i))
            button->SetCheck(i == index ? BST_CHECKED : BST_UNCHECKED);
}

class CPdfOptionsDlg : public CSkinDialog {
  public:
    CPdfOptionsDlg() : CSkinDialog(IDD_PDF_OPTIONS), options_(loadOptions()) {}
    const PdfOptions& Options() const { return options_; }

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        checkIn(*this, IDC_PDF_PAPER_LETTER, 4, options_.paper);
        checkIn(*this, IDC_PDF_RES_75, 5, options_.resolution);
        checkIn(*this, IDC_PDF_PORTRAIT, 2, options_.orientation);
        checkIn(*this, IDC_PDF_COMPRESS_DEFAULT, 3, options_.compression);
        GetDlgItem(IDC_PDF_EMBED_FONTS)
            ->SetCheck(options_.embedFonts ? BST_CHECKED : BST_UNCHECKED);
        GetDlgItem(IDC_PDF_WATERMARK_ON)
            ->SetCheck(options_.watermarkOn ? BST_CHECKED : BST_UNCHECKED);
        GetDlgItem(IDC_PDF_WATERMARK_TEXT)->SetWindowText(options_.watermark);
        updateWatermarkField();
        // The program printing may have been busy in front; the options come before it.
        SetForegroundWindow();
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_PDF_WATERMARK_ON) {
            updateWatermarkField();
            return TRUE;
        }
        return CSkinDialog::OnCommand(id);
    }

    void OnOK() override {
        // A group without a button set keeps an index outside its range: its call is skipped.
        options_.paper = checkedIn(*this, IDC_PDF_PAPER_LETTER, 4);
        options_.resolution = checkedIn(*this, IDC_PDF_RES_75, 5);
        options_.orientation = checkedIn(*this, IDC_PDF_PORTRAIT, 2);
        options_.compression = checkedIn(*this, IDC_PDF_COMPRESS_DEFAULT, 3);
        options_.embedFonts = GetDlgItem(IDC_PDF_EMBED_FONTS)->GetCheck() == BST_CHECKED;
        options_.watermarkOn = GetDlgItem(IDC_PDF_WATERMARK_ON)->GetCheck() == BST_CHECKED;
        options_.watermark = GetDlgItem(IDC_PDF_WATERMARK_TEXT)->GetWindowText();
        storeOptions(options_);
        EndDialog(IDOK);
    }

  private:
    void updateWatermarkField() {
        GetDlgItem(IDC_PDF_WATERMARK_TEXT)
            ->EnableWindow(GetDlgItem(IDC_PDF_WATERMARK_ON)->GetCheck() == BST_CHECKED);
    }

    PdfOptions options_;
};

// ---- The other dialogs ----

class CPdfSavedDlg : public CSkinDialog {
  public:
    explicit CPdfSavedDlg(const char* path) : CSkinDialog(IDD_PDF_SAVED), path_(path) {}

  protected:
    void OnOK() override {
        EndDialog(IDOK);
        ExecAssociationAcrobat("AcroExch.Document\\Shell\\open\\command", "rp500enu.exe", path_, 0);
    }

  private:
    CString path_;
};

int showTemplate(UINT templateId) {
    CSkinDialog dialog(templateId);
    return dialog.DoModal();
}

int showWin95Notice() {
    dialogs::CDontShowAgainDlg<CSkinDialog> dialog(IDD_PDF_FILTER_WIN95, "PDF Filter in 95",
                                                   IDC_PDF_FILTER_DONT_SHOW);
    return dialog.DoModal();
}

void showSaved(const char* path) {
    CPdfSavedDlg dialog(path);
    dialog.DoModal();
}

// ---- The driver ----

// The driver library with its twelve entries, released with the object.
class PdfDriver {
  public:
    PdfDriver() : module_(p::LoadLibraryA("CDIntf.dll")) {
        if (!module_) return;
        bind(init_, "DriverInit");
        bind(setPaperSize, "SetPaperSize");
        bind(setResolution, "SetResolution");
        bind(setOrientation, "SetOrientation");
        bind(setFontEmbedding, "SetFontEmbedding");
        bind(setJpegCompression, "SetJPEGCompression");
        bind(setWatermark, "SetWatermark");
        bind(setDefaultConfig, "SetDefaultConfig");
        bind(setDefaultPrinter, "SetDefaultPrinter");
        bind(setDefaultFileName, "SetDefaultFileName");
        bind(setFileNameOptions, "SetFileNameOptions");
        bind(driverEnd, "DriverEnd");
    }
    ~PdfDriver() {
        if (module_) p::FreeLibrary(module_);
    }
    PdfDriver(const PdfDriver&) = delete;
    PdfDriver& operator=(const PdfDriver&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    // The driver's handle; null when an entry is missing or the driver refuses.
    HANDLE Init() {
        const bool complete = init_ && setPaperSize && setResolution && setOrientation &&
                              setFontEmbedding && setJpegCompression && setWatermark &&
                              setDefaultConfig && setDefaultPrinter && setDefaultFileName &&
                              setFileNameOptions && driverEnd;
        return complete ? init_(kPdfPrinterName) : nullptr;
    }

    PDF_DRIVER_SET_LONG setPaperSize = nullptr, setResolution = nullptr, setOrientation = nullptr,
                        setFontEmbedding = nullptr, setJpegCompression = nullptr,
                        setFileNameOptions = nullptr;
    PDF_DRIVER_SET_WATERMARK setWatermark = nullptr;
    PDF_DRIVER_CALL setDefaultConfig = nullptr, setDefaultPrinter = nullptr, driverEnd = nullptr;
    PDF_DRIVER_SET_TEXT setDefaultFileName = nullptr;

  private:
    template <typename F> void bind(F& entry, const char* name) {
        entry = reinterpret_cast<F>(p::GetProcAddress(module_, name));
    }

    HMODULE module_;
    PDF_DRIVER_INIT init_ = nullptr;
};

// The options as the driver's calls, in their order.
void configure(PdfDriver& d, HANDLE h, const PdfOptions& o, const char* fileName) {
    static constexpr LONG kPaperCodes[] = {DMPAPER_LETTER, DMPAPER_LEGAL, DMPAPER_A4, DMPAPER_A3};
    static constexpr LONG kResolutions[] = {75, 150, 300, 600, 1200};
    if (o.paper >= 0 && o.paper <= 3) d.setPaperSize(h, kPaperCodes[o.paper]);
    if (o.resolution >= 0 && o.resolution <= 4) d.setResolution(h, kResolutions[o.resolution]);
    if (o.orientation >= 0 && o.orientation <= 1)
        d.setOrientation(h, o.orientation ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    d.setFontEmbedding(h, o.embedFonts);
    d.setJpegCompression(h, o.compression == 2 ? 4 : 0);
    if (o.watermarkOn) d.setWatermark(h, o.watermark, "Arial", 30, 450, 0xFF0000, 100, -100, 1);
    d.setDefaultConfig(h);
    d.setDefaultPrinter(h);
    d.setDefaultFileName(h, fileName);
    d.setFileNameOptions(h, 3 + (o.watermarkOn ? 64 : 0) + (o.embedFonts ? 16 : 0));
}

// Sets or clears the private flag in the printer's default settings; false when the
// settings cannot be reached (the flag then stays as it was).
bool setPrivateFlag(const char* printer, bool on) {
    const LONG size = p::DocumentPropertiesA(nullptr, nullptr, printer, nullptr, nullptr, 0);
    if (size <= 0) return false;
    HANDLE handle = nullptr;
    if (!p::OpenPrinterA(printer, &handle, nullptr)) return false;
    std::vector<BYTE> settings(static_cast<size_t>(size));
    auto* dm = reinterpret_cast<DEVMODEA*>(settings.data());
    bool done = p::DocumentPropertiesA(nullptr, handle, printer, dm, nullptr, DM_OUT_BUFFER) == 1 &&
                settings.size() >= size_t(dm->dmSize) + sizeof(DWORD);
    if (done) {
        DWORD word = 0;
        std::memcpy(&word, settings.data() + dm->dmSize, sizeof word);
        word = on ? (word | PDF_FLAG_256_COLOURS) : (word & ~DWORD(PDF_FLAG_256_COLOURS));
        std::memcpy(settings.data() + dm->dmSize, &word, sizeof word);
        const int version = GetOSVersionEx();
        if (version != 0 && version != 2) {
            done = p::DocumentPropertiesA(nullptr, handle, printer, nullptr, dm,
                                          DM_IN_BUFFER | DM_UPDATE) == 1;
        } else {
            DWORD needed = 0;
            p::GetPrinterA(handle, 2, nullptr, 0, &needed);
            std::vector<BYTE> info(needed);
            done = needed && p::GetPrinterA(handle, 2, info.data(), needed, &needed);
            if (done) {
                reinterpret_cast<PRINTER_INFO_2A*>(info.data())->pDevMode = dm;
                done = p::SetPrinterA(handle, 2, info.data(), 0);
            }
        }
    }
    p::ClosePrinter(handle);
    DWORD_PTR answer = 0;
    framework::SendMessageTimeoutA(framework::HWND_BROADCAST, WM_DEVMODECHANGE, 0,
                                   reinterpret_cast<LPARAM>(printer), framework::SMTO_NORMAL, 1000,
                                   &answer);
    return done;
}

// The calling program's main window: its first visible main window.
QWidget* mainWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && CWnd(widget).IsWindowVisible()) return widget;
    return nullptr;
}

// Whether the file can be opened for reading.
bool readable(const char* fileName) {
    std::string path = fileName ? fileName : "";
    if (!path.empty() && path[0] != '/') path = p::ToPosixPath(path);
    FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

std::string defaultPrinter() {
    char name[256] = {};
    unsigned long size = sizeof name - 1;
    return DPGetDefaultPrinter(name, &size) ? std::string(name) : std::string();
}

enum class Flow { SaveAndWait, PrintDirect, PrintWithDialog };

// The common set-up and the print command; the result of the exported functions.
int savePdf(const char* fileName, Flow flow) {
    ManageModuleState state;
    PdfDriver driver;
    if (!driver.Loaded()) return 0;
    HANDLE handle = driver.Init();
    if (!handle) return 0;
    CPdfOptionsDlg options;
    if (options.DoModal() != IDOK) {
        driver.driverEnd(handle);
        return 2;
    }
    std::unique_ptr<launch::WaitCursor> wait;
    if (flow == Flow::PrintDirect) wait = std::make_unique<launch::WaitCursor>();
    // The default printer before the driver makes the PDF printer the default.
    const std::string former = defaultPrinter();
    configure(driver, handle, options.Options(), fileName ? fileName : "");
    setPrivateFlag(kPdfPrinterName, options.Options().compression == 1);
    const int version = GetOSVersionEx();
    if (version == 0 || version == 1) showWin95Notice();
    QWidget* window = mainWindow();
    if (window)
        CWnd(window).SendMessage(WM_COMMAND,
                                 flow == Flow::PrintDirect ? kPrintDirect : kPrintWithDialog, 0);
    if (flow != Flow::SaveAndWait) {
        driver.driverEnd(handle);
        std::strncpy(savedDefaultPrinter, former.c_str(), sizeof savedDefaultPrinter - 1);
        DPSetDefaultPrinter(const_cast<char*>(kPdfPrinterName));
        return 1;
    }
    // The program printed inside its command; a file still missing after a short while
    // means its print was cancelled or failed, and nothing is offered.
    bool written = false;
    if (window) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kFileWaitMs);
        while (!(written = readable(fileName)) && std::chrono::steady_clock::now() < deadline &&
               !p::ApplicationQuitting())
            Delay(kPollMs);
    }
    DPSetDefaultPrinter(const_cast<char*>(former.c_str()));
    if (written) showSaved(fileName);
    driver.driverEnd(handle);
    return written ? 1 : 2;
}

} // namespace

} // namespace tessaly::print

namespace pr = tessaly::print;

int PDFPrint(char* fileName) {
    return pr::savePdf(fileName, pr::Flow::SaveAndWait);
}

int PrintPDF(char* fileName) {
    return pr::savePdf(fileName, pr::Flow::PrintDirect);
}

int javaPDFPrint(char* fileName) {
    return pr::savePdf(fileName, pr::Flow::PrintWithDialog);
}

void javaAfterPDFPrint(char* fileName) {
    tessaly::framework::ManageModuleState state;
    DPSetDefaultPrinter(pr::savedDefaultPrinter);
    pr::showSaved(fileName);
}

int ShowInstallPdfFilterDlg() {
    tessaly::framework::ManageModuleState state;
    const int result = pr::showTemplate(IDD_PDF_FILTER_NEEDED);
    if (result == IDOK) {
        const int version = GetOSVersionEx();
        pr::showTemplate(version != 0 && version != 2 ? IDD_PDF_FILTER_SETUP
                                                      : IDD_PDF_FILTER_SETUP_NT);
    }
    return result;
}

void ShowAfterInstallPdfFilterDlg() {
    tessaly::framework::ManageModuleState state;
    if (GetOSVersionEx() == 1)
        pr::showWin95Notice();
    else
        pr::showTemplate(IDD_PDF_FILTER_INSTALLED);
}

int ShowSaveasPdfDlg() {
    tessaly::framework::ManageModuleState state;
    return pr::showTemplate(IDD_NO_PDF_FILTER);
}
