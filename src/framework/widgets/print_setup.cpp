// The print set-up dialog and the printer device context, on Qt's printing module.
#include "framework/widgets/print_setup.h"

#include <QFileDialog>
#include <QFont>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "framework/widgets/application.h"
#include "framework/widgets/wnd_internal.h"

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

struct CPrinterDC::Impl {
    QPrinter printer{QPrinter::HighResolution};
    QPainter painter;
    QFont font;
    bool pageOpen = false;
};

CPrinterDC::CPrinterDC() : impl_(std::make_unique<Impl>()) {
    // Device coordinates start at the page's corner, as a printer's device context's do.
    impl_->printer.setFullPage(true);
}

CPrinterDC::~CPrinterDC() {
    if (impl_->painter.isActive()) impl_->painter.end();
}

int CPrinterDC::GetDeviceCaps(int index) const {
    QPrinter& printer = impl_->printer;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return printer.resolution();
    case PHYSICALWIDTH:
        return static_cast<int>(printer.paperRect(QPrinter::DevicePixel).width());
    case PHYSICALHEIGHT:
        return static_cast<int>(printer.paperRect(QPrinter::DevicePixel).height());
    default:
        return 0;
    }
}

int CPrinterDC::StartDoc(const char* documentName) {
    impl_->printer.setDocName(FromAnsi(documentName ? documentName : ""));
    return impl_->painter.begin(&impl_->printer) ? 1 : -1;
}

int CPrinterDC::StartPage() {
    if (!impl_->painter.isActive()) return -1;
    // The first page is open once the document starts; later ones begin a new page.
    if (impl_->pageOpen && !impl_->printer.newPage()) return -1;
    impl_->pageOpen = true;
    return 1;
}

int CPrinterDC::EndPage() {
    return impl_->painter.isActive() ? 1 : -1;
}

int CPrinterDC::EndDoc() {
    if (!impl_->painter.isActive()) return -1;
    return impl_->painter.end() ? 1 : -1;
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

bool PrintSetupDialog(std::unique_ptr<CPrinterDC>& dc) {
    EnsureApplication();
    dc.reset();
    auto made = std::make_unique<CPrinterDC>();
    QPrinter& printer = made->impl_->printer;
    if (const auto& handler = automation::printSetupHandler()) {
        const automation::PrintSetupAnswer answer = handler();
        if (answer.action == automation::PrintSetupAnswer::Cancel) return false;
        if (answer.action == automation::PrintSetupAnswer::PdfFile && !answer.pdfPath.empty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(answer.pdfPath));
            dc = std::move(made);
        }
        return true;
    }
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        QPrintDialog dialog(&printer);
        dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
        if (dialog.exec() != QDialog::Accepted) return false;
        if (printer.isValid()) dc = std::move(made);
        return true;
    }
    // No printer installed: the page goes into a PDF file.
    const QString path =
        QFileDialog::getSaveFileName(nullptr, QString(), QString(), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    dc = std::move(made);
    return true;
}

} // namespace tessaly::framework
