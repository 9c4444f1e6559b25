#pragma once
// The printer device module (libTessalyPrinterDevice.so, beside the library): Qt's printer
// behind the printer device context, made on first use so that loading the library does
// not load Qt's printing module. The context paints on the device with its own QPainter;
// both sides are built together against the same Qt.
#include <QRectF>
#include <QString>

#include <memory>

class QPaintDevice;

namespace tessaly::framework {

class PrinterDevice {
  public:
    enum class Paper { Letter, Legal, A4, A3 };

    virtual ~PrinterDevice() = default;

    // What the context's QPainter begins on.
    virtual QPaintDevice* paintDevice() = 0;
    virtual int resolution() const = 0;
    virtual void setResolution(int dpi) = 0;
    // The sheet and its printable part, in device pixels.
    virtual QRectF paperRect() const = 0;
    virtual QRectF pageRect() const = 0;
    virtual bool fullPage() const = 0;
    virtual void setFullPage(bool fullPage) = 0;
    virtual void setPaper(Paper paper, bool landscape) = 0;

    // PDF output: into the file named (kept when empty), or the file set earlier.
    virtual void setPdfOutput(const QString& file) = 0;
    // The file being written when the output is PDF, else empty.
    virtual QString pdfOutput() const = 0;
    virtual void setFontEmbedding(bool embed) = 0;
    virtual void setCreator(const QString& creator) = 0;
    virtual void setDocName(const QString& name) = 0;
    virtual void setCopyCount(int copies) = 0;

    // Prints on the machine's queue of that name; the queue's own name, empty when there is
    // no such queue (the device keeps its output).
    virtual QString selectQueue(const QString& name) = 0;

    virtual bool newPage() = 0;
    virtual bool abort() = 0;
};

struct PrinterDeviceEntries {
    std::unique_ptr<PrinterDevice> (*make)();
};

constexpr char kPrinterDeviceModule[] = "libTessalyPrinterDevice.so";
constexpr char kPrinterDeviceEntry[] = "TessalyPrinterDeviceEntries";

} // namespace tessaly::framework
