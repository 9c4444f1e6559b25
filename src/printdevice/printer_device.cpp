// The printer device module: the printer device context's QPrinter, at high resolution,
// writing PDF until a queue is chosen. The library loads it on the first printer context
// (framework/widgets/print_setup.cpp).
#include "framework/widgets/printer_device.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace tessaly::printdevice {

namespace {

using framework::PrinterDevice;

class QtPrinterDevice final : public PrinterDevice {
  public:
    QtPrinterDevice() { printer_.setOutputFormat(QPrinter::PdfFormat); }

    QPaintDevice* paintDevice() override { return &printer_; }
    int resolution() const override { return printer_.resolution(); }
    void setResolution(int dpi) override { printer_.setResolution(dpi); }
    QRectF paperRect() const override { return printer_.paperRect(QPrinter::DevicePixel); }
    QRectF pageRect() const override { return printer_.pageRect(QPrinter::DevicePixel); }
    bool fullPage() const override { return printer_.fullPage(); }
    void setFullPage(bool fullPage) override { printer_.setFullPage(fullPage); }

    void setPaper(Paper paper, bool landscape) override {
        const QPageSize::PageSizeId id = paper == Paper::Legal ? QPageSize::Legal
                                         : paper == Paper::A4  ? QPageSize::A4
                                         : paper == Paper::A3  ? QPageSize::A3
                                                               : QPageSize::Letter;
        printer_.setPageSize(QPageSize(id));
        printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }

    void setPdfOutput(const QString& file) override {
        printer_.setOutputFormat(QPrinter::PdfFormat);
        if (!file.isEmpty()) printer_.setOutputFileName(file);
    }
    QString pdfOutput() const override {
        return printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName()
                                                              : QString();
    }
    void setFontEmbedding(bool embed) override { printer_.setFontEmbeddingEnabled(embed); }
    void setCreator(const QString& creator) override { printer_.setCreator(creator); }
    void setDocName(const QString& name) override { printer_.setDocName(name); }
    void setCopyCount(int copies) override { printer_.setCopyCount(copies); }

    QString selectQueue(const QString& name) override {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) return QString();
        printer_.setOutputFormat(QPrinter::NativeFormat);
        printer_.setPrinterName(info.printerName());
        return info.printerName();
    }

    bool newPage() override { return printer_.newPage(); }
    bool abort() override { return printer_.abort(); }

  private:
    QPrinter printer_{QPrinter::HighResolution};
};

std::unique_ptr<PrinterDevice> makeDevice() {
    return std::make_unique<QtPrinterDevice>();
}

constexpr framework::PrinterDeviceEntries kEntries = {makeDevice};

} // namespace

} // namespace tessaly::printdevice

extern "C" __attribute__((visibility("default"))) const void* TessalyPrinterDeviceEntries() {
    return &tessaly::printdevice::kEntries;
}
