// The print set-up and print dialogs' answers and the printer device context, painting on
// the printer device module's Qt printer.
#include "framework/widgets/print_setup.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <optional>

#include <tessaly/pdf_driver.h>

#include <cstring>

#include "framework/widgets/application.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/printer_device.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/module.h"
#include "platform/own_modules.h"
#include "platform/prefix.h"
#include "platform/printers.h"

namespace tessaly::automation {

namespace {
PrintSetupHandler& printSetupHandler() {
    static PrintSetupHandler handler;
    return handler;
}
} // namespace

void SetPrintSetupHandler(PrintSetupHandler handler) {
    printSetupHandler() = std::move(handler);
}

} // namespace tessaly::automation

namespace tessaly::framework {

namespace {

// The answer the script gave the last print dialog, kept for the file dialog after it.
std::optional<automation::PrintSetupAnswer>& lastAnswer() {
    static std::optional<automation::PrintSetupAnswer> answer;
    return answer;
}

// Whether the file holds a whole PDF document: it ends with the end-of-file mark, which a
// disk that filled up while writing cuts off.
bool wholePdf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 8) return false;
    file.seek(std::max<qint64>(0, file.size() - 64));
    return file.readAll().contains("%%EOF");
}

// A document that did not come out whole goes; a device named as the output (/dev/full)
// stays.
void removeOutput(const QString& path) {
    if (QFileInfo(path).isFile()) QFile::remove(path);
}

// The PDF printer's driver library rewrites the finished file through one of its entries
// (LeaveFontsOut: Qt's writer always embeds the fonts; ReducePictureColours). False when it
// cannot.
bool driverRewrite(const char* entry, const QString& file) {
    HMODULE driver = platform::LoadLibraryA("CDIntf.dll");
    if (!driver) return false;
    using Rewrite = LONG (*)(const char*);
    auto rewrite = reinterpret_cast<Rewrite>(platform::GetProcAddress(driver, entry));
    const bool done = rewrite && rewrite(ToAnsi(file).c_str());
    platform::FreeLibrary(driver);
    return done;
}

// A file name of the PDF printer's settings as a path of this machine.
std::string pdfFilePath(const char* name) {
    const std::string path = name ? name : "";
    if (path.empty() || path[0] == '/') return path;
    const std::string posix = platform::ToPosixPath(path);
    return posix.empty() ? path : posix;
}

// Shapes the job after the PDF printer's device mode: its private part, or the defaults
// when it has none of ours.
PDF_DRIVER_EXTRA pdfSettings(const std::vector<BYTE>& settings, PrinterDevice& printer) {
    PDF_DRIVER_EXTRA extra;
    printer.setPdfOutput(QString());
    if (settings.size() < sizeof(DEVMODEA)) return extra;
    const auto* dm = reinterpret_cast<const DEVMODEA*>(settings.data());
    using Paper = PrinterDevice::Paper;
    const Paper paper = dm->dmPaperSize == DMPAPER_LEGAL ? Paper::Legal
                        : dm->dmPaperSize == DMPAPER_A4  ? Paper::A4
                        : dm->dmPaperSize == DMPAPER_A3  ? Paper::A3
                                                         : Paper::Letter;
    printer.setPaper(paper, dm->dmOrientation == DMORIENT_LANDSCAPE);
    if (dm->dmPrintQuality > 0) printer.setResolution(dm->dmPrintQuality);
    const size_t publicSize = std::max<size_t>(dm->dmSize, sizeof(DEVMODEA));
    if (dm->dmDriverExtra >= sizeof extra && settings.size() >= publicSize + sizeof extra) {
        std::memcpy(&extra, settings.data() + publicSize, sizeof extra);
        if (extra.dwMagic != kPdfExtraMagic) extra = PDF_DRIVER_EXTRA();
    }
    printer.setFontEmbedding(extra.lFontEmbedding &&
                             (extra.dwFileNameOptions & PDF_FILENAME_EMBED_FONTS));
    printer.setCreator(QStringLiteral("Tessaly PDF printer, ") +
                       QString::number(printer.resolution()) + QStringLiteral(" dpi"));
    return extra;
}

// A new printer from the printer device module, loaded beside this library on first use;
// null when the module or its printer cannot be had.
std::unique_ptr<PrinterDevice> makePrinterDevice() {
    const platform::OwnModule& module =
        platform::LoadOwnModule(kPrinterDeviceModule, kPrinterDeviceEntry,
                                reinterpret_cast<const void*>(&makePrinterDevice));
    if (!module.entries) return nullptr;
    return static_cast<const PrinterDeviceEntries*>(module.entries)->make();
}

} // namespace

CString DefaultPrinter() {
    char name[256] = {};
    DWORD size = sizeof name;
    return platform::GetDefaultPrinterA(name, &size) ? CString(name) : CString();
}

struct CPrinterDC::Impl {
    // Null without the module: the context then fails every document and printer.
    std::unique_ptr<PrinterDevice> printer = makePrinterDevice();
    QPainter painter;
    QFont font;
    std::unique_ptr<CDC> dc;
    ABORTPROC abortProc = nullptr;
    CString name, port;
    QString output;
    bool pageOpen = false;
    std::optional<PDF_DRIVER_EXTRA> pdf; // the PDF printer's settings, on that printer

    bool watermarked() const {
        return pdf && pdf->lWatermark && (pdf->dwFileNameOptions & PDF_FILENAME_WATERMARK);
    }
    void drawWatermark();
};

void CPrinterDC::Impl::drawWatermark() {
    const PDF_DRIVER_EXTRA& w = *pdf;
    const int dpi = printer->resolution();
    QFont font(QString::fromLatin1(w.szWatermarkFont));
    font.setPixelSize(std::max(1, static_cast<int>(w.lWatermarkSize * dpi / 72)));
    painter.save();
    painter.setFont(font);
    const COLORREF colour = static_cast<COLORREF>(w.lWatermarkColor);
    painter.setPen(QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
    const QRectF sheet = printer->paperRect();
    painter.translate(sheet.center() +
                      QPointF(w.lWatermarkX * dpi / 72.0, -w.lWatermarkY * dpi / 72.0));
    painter.rotate(-w.lWatermarkAngle / 10.0);
    const QString text = FromAnsi(w.szWatermark);
    const QRectF box = painter.fontMetrics().boundingRect(text);
    painter.drawText(QPointF(-box.width() / 2, box.height() / 4), text);
    painter.restore();
}

CPrinterDC::CPrinterDC() : impl_(std::make_unique<Impl>()) {
    if (!impl_->printer) return;
    // Device coordinates start at the page's corner, as a printer's device context's do.
    impl_->printer->setFullPage(true);
    // Without a printer chosen the pages go into a PDF file.
    impl_->printer->setPdfOutput(QString());
}

CPrinterDC::~CPrinterDC() {
    impl_->dc.reset();
    if (impl_->painter.isActive()) impl_->painter.end();
}

int CPrinterDC::GetDeviceCaps(int index) const {
    if (impl_->dc) return impl_->dc->GetDeviceCaps(index);
    if (!impl_->printer) return 0;
    PrinterDevice& printer = *impl_->printer;
    const QRectF paper = printer.paperRect();
    const QRectF page = printer.pageRect();
    switch (index) {
    case ::LOGPIXELSX:
    case ::LOGPIXELSY:
        return printer.resolution();
    case ::PHYSICALWIDTH:
        return static_cast<int>(paper.width());
    case ::PHYSICALHEIGHT:
        return static_cast<int>(paper.height());
    case HORZRES:
        return static_cast<int>(printer.fullPage() ? paper.width() : page.width());
    case VERTRES:
        return static_cast<int>(printer.fullPage() ? paper.height() : page.height());
    case HORZSIZE:
        return printer.paintDevice()->widthMM();
    case VERTSIZE:
        return printer.paintDevice()->heightMM();
    case PHYSICALOFFSETX:
        return printer.fullPage() ? 0 : static_cast<int>(page.left());
    case PHYSICALOFFSETY:
        return printer.fullPage() ? 0 : static_cast<int>(page.top());
    default:
        return 0;
    }
}

int CPrinterDC::StartDoc(const char* documentName) {
    return StartDoc(documentName, nullptr);
}

int CPrinterDC::StartDoc(const char* documentName, const char* outputFile) {
    if (impl_->painter.isActive() || !impl_->printer) return -1;
    PrinterDevice& printer = *impl_->printer;
    printer.setDocName(FromAnsi(documentName ? documentName : ""));
    std::string file = outputFile ? outputFile : "";
    if (const auto& pdf = impl_->pdf; pdf && file.empty()) {
        // The PDF printer writes the file set for the job, or asks for one.
        if (pdf->dwFileNameOptions & PDF_FILENAME_USE_DEFAULT)
            file = pdfFilePath(pdf->szFileName);
        else if (!PrintFileDialog(file))
            return -1;
        if (!(pdf->dwFileNameOptions & PDF_FILENAME_REPLACE) &&
            QFile::exists(FromAnsi(file.c_str())))
            return -1;
    }
    if (!file.empty()) printer.setPdfOutput(FromAnsi(file.c_str()));
    impl_->output = printer.pdfOutput();
    if (!impl_->painter.begin(printer.paintDevice())) return -1;
    impl_->pageOpen = false;
    // The printer's own font: 10 points at its resolution.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, printer.resolution() * 10 / 72));
    impl_->painter.setFont(font);
    // The PDF printer's compression: pictures go in as JPEG only at a JPEG level.
    if (impl_->pdf)
        impl_->painter.setRenderHint(QPainter::LosslessImageRendering, impl_->pdf->lJpegLevel == 0);
    impl_->dc = std::make_unique<CDC>(&impl_->painter);
    return 1;
}

int CPrinterDC::StartPage() {
    if (!impl_->painter.isActive()) return -1;
    // The first page is open once the document starts; later ones begin a new page.
    if (impl_->pageOpen && !impl_->printer->newPage()) return -1;
    impl_->pageOpen = true;
    if (impl_->watermarked() && !impl_->pdf->lWatermarkOnTop) impl_->drawWatermark();
    return 1;
}

int CPrinterDC::EndPage() {
    if (!impl_->painter.isActive()) return -1;
    if (impl_->watermarked() && impl_->pdf->lWatermarkOnTop) impl_->drawWatermark();
    return 1;
}

int CPrinterDC::EndDoc() {
    impl_->dc.reset();
    if (!impl_->painter.isActive()) return -1;
    if (!impl_->painter.end()) return -1;
    // A file that could not be written completely is no document.
    if (!impl_->output.isEmpty() && !wholePdf(impl_->output)) {
        removeOutput(impl_->output);
        return -1;
    }
    const auto& pdf = impl_->pdf;
    if (!pdf || impl_->output.isEmpty()) return 1;
    if (!(pdf->lFontEmbedding && (pdf->dwFileNameOptions & PDF_FILENAME_EMBED_FONTS)) &&
        !driverRewrite("LeaveFontsOut", impl_->output))
        return -1;
    if ((pdf->dwFlags & PDF_FLAG_256_COLOURS) &&
        !driverRewrite("ReducePictureColours", impl_->output))
        return -1;
    return 1;
}

int CPrinterDC::AbortDoc() {
    impl_->dc.reset();
    if (!impl_->painter.isActive()) return -1;
    impl_->printer->abort();
    impl_->painter.end();
    if (!impl_->output.isEmpty()) removeOutput(impl_->output);
    return 1;
}

int CPrinterDC::SetAbortProc(ABORTPROC proc) {
    impl_->abortProc = proc;
    return 1;
}

BOOL CPrinterDC::RunAbortProc() {
    return impl_->abortProc ? impl_->abortProc(GetSafeHdc(), 0) : TRUE;
}

CDC* CPrinterDC::GetDC() {
    return impl_->dc.get();
}

HDC CPrinterDC::GetSafeHdc() {
    return impl_->dc ? impl_->dc->GetSafeHdc() : nullptr;
}

void CPrinterDC::SelectFont(const char* face, int height, int weight, int pitchAndFamily) {
    QFont font(FromAnsi(face ? face : ""));
    font.setPixelSize(std::max(1, height));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    if ((pitchAndFamily & 0xF0) == FF_ROMAN) font.setStyleHint(QFont::Serif);
    impl_->font = font;
}

int CPrinterDC::DrawText(const char* text, const RECT& rect, UINT format) {
    QPainter& painter = impl_->painter;
    if (!painter.isActive()) return 0;
    painter.setFont(impl_->font);
    const QRect box(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
    const int flags =
        Qt::AlignLeft | Qt::AlignTop | ((format & DT_WORDBREAK) ? Qt::TextWordWrap : 0);
    painter.save();
    if (!(format & DT_NOCLIP)) painter.setClipRect(box);
    QRect used;
    painter.drawText(box, flags, FromAnsi(text ? text : ""), &used);
    painter.restore();
    return used.height();
}

BOOL CPrinterDC::SelectPrinter(const CString& name) {
    if (name.IsEmpty() || impl_->painter.isActive() || !impl_->printer) return FALSE;
    PrinterDevice& printer = *impl_->printer;
    platform::PrinterEntry entry;
    if (platform::LookupPrinter(std::string(name), entry) && !entry.cups) {
        // Of the prefix's own printers the print path drives the PDF printer.
        if (entry.driver != kPdfPrinterName) return FALSE;
        impl_->pdf = pdfSettings(entry.devMode, printer);
        impl_->port = entry.port.c_str();
    } else {
        const QString queue = printer.selectQueue(FromAnsi(name));
        if (queue.isEmpty()) return FALSE;
        impl_->pdf.reset();
        impl_->port =
            entry.port.empty() ? CString(ToAnsi(queue).c_str()) : CString(entry.port.c_str());
    }
    printer.setFullPage(true);
    impl_->name = entry.name.empty() ? name : CString(entry.name.c_str());
    return TRUE;
}

CString CPrinterDC::GetPrinterName() const {
    return impl_->name;
}

CString CPrinterDC::GetPortName() const {
    return impl_->port;
}

void CPrinterDC::SetCopyCount(int copies) {
    if (impl_->printer) impl_->printer->setCopyCount(copies);
}

bool CPrinterDC::HasDevice() const {
    return impl_->printer != nullptr;
}

namespace {

// The framework's file dialog for a PDF file; empty when cancelled.
QString askPdfFile() {
    return QFileDialog::getSaveFileName(nullptr, QString(), QString(),
                                        QStringLiteral("PDF (*.pdf)"));
}

// The chosen printer's context goes to the caller only when it has a printer to print on.
void handOver(std::unique_ptr<CPrinterDC>& made, std::unique_ptr<CPrinterDC>& dc) {
    if (made->HasDevice()) dc = std::move(made);
}

} // namespace

bool PrintSetupDialog(std::unique_ptr<CPrinterDC>& dc) {
    EnsureApplication();
    dc.reset();
    auto made = std::make_unique<CPrinterDC>();
    if (const auto& handler = automation::printSetupHandler()) {
        const automation::PrintSetupAnswer answer = handler();
        if (answer.action == automation::PrintSetupAnswer::Cancel) return false;
        if (answer.action == automation::PrintSetupAnswer::PdfFile && !answer.pdfPath.empty()) {
            if (made->HasDevice())
                made->impl_->printer->setPdfOutput(QString::fromStdString(answer.pdfPath));
            handOver(made, dc);
        } else if (answer.action == automation::PrintSetupAnswer::Printer &&
                   made->SelectPrinter(CString(answer.printer.c_str()))) {
            handOver(made, dc);
        }
        return true;
    }
    PrintChoice choice;
    if (!ShowPrintDialog(choice, false)) return false;
    if (choice.toFile) {
        const QString path = askPdfFile();
        if (path.isEmpty()) return false;
        if (made->HasDevice()) made->impl_->printer->setPdfOutput(path);
        handOver(made, dc);
        return true;
    }
    if (made->SelectPrinter(choice.printer)) {
        made->SetCopyCount(choice.copies);
        handOver(made, dc);
    }
    return true;
}

bool PrintDialog(std::unique_ptr<CPrinterDC>& dc, PrintChoice& choice) {
    EnsureApplication();
    dc.reset();
    choice = PrintChoice();
    lastAnswer().reset();
    auto made = std::make_unique<CPrinterDC>();
    if (const auto& handler = automation::printSetupHandler()) {
        // The dialog starts on the system's default printer.
        made->SelectPrinter(DefaultPrinter());
        using A = automation::PrintSetupAnswer;
        const A answer = handler();
        lastAnswer() = answer;
        switch (answer.action) {
        case A::Cancel:
            return false;
        case A::NoDevice:
            return true;
        case A::PdfFile:
            choice.toFile = true;
            handOver(made, dc);
            return true;
        case A::Printer:
            if (made->SelectPrinter(CString(answer.printer.c_str()))) handOver(made, dc);
            return true;
        }
        return false;
    }
    if (!ShowPrintDialog(choice, true)) return false;
    const bool selected = !choice.printer.IsEmpty() && made->SelectPrinter(choice.printer);
    made->SetCopyCount(choice.copies);
    // Into a file the pages go from any printer's settings; on paper only from a printer the
    // print path drives.
    if (choice.toFile || selected) handOver(made, dc);
    return true;
}

bool PrintFileDialog(std::string& path) {
    EnsureApplication();
    // The script's answer to the print dialog already named the file.
    if (const auto& answer = lastAnswer();
        answer && answer->action == automation::PrintSetupAnswer::PdfFile) {
        path = answer->pdfPath;
        return !path.empty();
    }
    // A script answers the file dialog as it answers a print dialog printing to a file.
    if (const auto& handler = automation::printSetupHandler()) {
        const automation::PrintSetupAnswer answer = handler();
        path = answer.action == automation::PrintSetupAnswer::PdfFile ? answer.pdfPath : "";
        return !path.empty();
    }
    const QString chosen = askPdfFile();
    if (chosen.isEmpty()) return false;
    path = ToAnsi(chosen);
    return true;
}

bool PrintOnePage(const char* documentName, const char* text, UINT noPrinterMessage) {
    std::unique_ptr<CPrinterDC> dc;
    if (!PrintSetupDialog(dc)) return false;
    if (!dc) {
        AfxMessageBox(noPrinterMessage, MB_OK);
        return false;
    }
    if (dc->StartDoc(documentName) <= 0) return false;
    dc->StartPage();
    const int margin = dc->GetDeviceCaps(LOGPIXELSX) / 3;
    RECT rect{margin, margin, dc->GetDeviceCaps(PHYSICALWIDTH) - margin,
              dc->GetDeviceCaps(PHYSICALHEIGHT)};
    dc->SelectFont("Arial", dc->GetDeviceCaps(LOGPIXELSY) / 6, FW_NORMAL, FF_ROMAN);
    dc->DrawText(text, rect, DT_WORDBREAK);
    dc->EndPage();
    dc->EndDoc();
    return true;
}

} // namespace tessaly::framework
