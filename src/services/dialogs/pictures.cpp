// LoadPictureFile: a picture file read into global memory and decoded by Qt's image readers
// into the framework's picture object.
#include <tessaly/dialogs.h>

#include <tessaly/picture.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <atomic>

#include "framework/core/module_state.h"
#include "framework/widgets/drawing.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/windows.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

namespace p = tessaly::platform;

// Files above this size are refused before any memory is taken for them, and a decoded
// image may take at most kDecodeLimitMB: a picture never costs more than the two together.
constexpr DWORD kMaxPictureBytes = 256u << 20;
constexpr int kDecodeLimitMB = 256;

LONG toHimetric(int pixels, int dotsPerMeter) {
    // The file's own resolution where it gives one, else the screen's.
    const double perInch = dotsPerMeter > 0 ? dotsPerMeter * 0.0254 : framework::ScreenLogicalDpi();
    return static_cast<LONG>(pixels * 2540.0 / perInch + 0.5);
}

class Picture final : public IPicture {
  public:
    Picture(QImage image, QByteArray format)
        : image_(std::move(image)), format_(std::move(format)) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IPicture) {
            *object = static_cast<IPicture*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT get_Type(SHORT* type) override {
        if (!type) return E_POINTER;
        *type = format_ == "ico" ? PICTYPE_ICON : PICTYPE_BITMAP;
        return S_OK;
    }
    HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) override {
        if (!width) return E_POINTER;
        *width = toHimetric(image_.width(), image_.dotsPerMeterX());
        return S_OK;
    }
    HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) override {
        if (!height) return E_POINTER;
        *height = toHimetric(image_.height(), image_.dotsPerMeterY());
        return S_OK;
    }
    HRESULT Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                   OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                   const RECT*) override {
        QPainter* painter = framework::PainterOf(CDC::FromHandle(dc));
        if (!painter || cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0) return E_INVALIDARG;
        LONG himetricWidth = 0, himetricHeight = 0;
        get_Width(&himetricWidth);
        get_Height(&himetricHeight);
        // HIMETRIC runs upwards from the bottom edge; the image's rows run downwards.
        const double sx = double(image_.width()) / himetricWidth;
        const double sy = double(image_.height()) / himetricHeight;
        const QRectF source(xSrc * sx, (himetricHeight - ySrc) * sy, cxSrc * sx, -cySrc * sy);
        painter->drawImage(QRectF(x, y, cx, cy), image_, source.normalized());
        return S_OK;
    }
    HRESULT get_Format(const char** format) override {
        if (!format) return E_POINTER;
        *format = format_.constData();
        return S_OK;
    }
    HRESULT get_PixelSize(LONG* width, LONG* height) override {
        if (!width || !height) return E_POINTER;
        *width = image_.width();
        *height = image_.height();
        return S_OK;
    }

  private:
    ~Picture() = default;
    QImage image_;
    QByteArray format_;
    std::atomic<ULONG> references_{1};
};

int refuse(UINT message) {
    framework::AfxMessageBox(message, MB_OK);
    return 0;
}

} // namespace

} // namespace tessaly::dialogs

int LoadPictureFile(const char* path, IPicture** picture) {
    namespace p = tessaly::platform;
    using tessaly::dialogs::refuse;
    tessaly::framework::ManageModuleState state;
    HANDLE file =
        p::CreateFileA(path ? path : "", p::GENERIC_READ, 0, nullptr, p::OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE || !file) return refuse(IDS_PICTURE_READ_FAILED);
    DWORD high = 0;
    const DWORD size = p::GetFileSize(file, &high);
    if (size == p::INVALID_FILE_SIZE || (size == 0 && high == 0)) {
        p::CloseHandle(file);
        return refuse(IDS_PICTURE_EMPTY);
    }
    HGLOBAL block = (high == 0 && size <= tessaly::dialogs::kMaxPictureBytes)
                        ? p::GlobalAlloc(0, size)
                        : nullptr;
    if (!block) {
        p::CloseHandle(file);
        return refuse(IDS_PICTURE_ALLOC_FAILED);
    }
    void* data = p::GlobalLock(block);
    if (!data) {
        p::GlobalFree(block);
        p::CloseHandle(file);
        return refuse(IDS_PICTURE_LOCK_FAILED);
    }
    DWORD read = 0;
    const BOOL readOk = p::ReadFile(file, data, size, &read, nullptr);
    p::GlobalUnlock(block);
    p::CloseHandle(file);
    if (!readOk || read != size) {
        p::GlobalFree(block);
        return refuse(IDS_PICTURE_READ_FAILED);
    }
    // The stream owns the block from here and frees it when done.
    struct Stream {
        HGLOBAL block;
        QByteArray bytes;
        QBuffer buffer;
        explicit Stream(HGLOBAL b, DWORD n)
            : block(b), bytes(QByteArray::fromRawData(static_cast<const char*>(p::GlobalLock(b)),
                                                      static_cast<qsizetype>(n))) {
            buffer.setBuffer(&bytes);
        }
        ~Stream() {
            buffer.close();
            p::GlobalUnlock(block);
            p::GlobalFree(block);
        }
    };
    auto stream = std::make_unique<Stream>(block, size);
    if (!stream->buffer.open(QIODevice::ReadOnly)) return refuse(IDS_PICTURE_STREAM_FAILED);
    if (picture && *picture) {
        (*picture)->Release();
        *picture = nullptr;
    }
    QImageReader reader(&stream->buffer);
    reader.setAllocationLimit(tessaly::dialogs::kDecodeLimitMB);
    const QByteArray format = reader.format();
    QImage image = reader.read();
    stream.reset();
    if (image.isNull()) return refuse(IDS_PICTURE_LOAD_FAILED);
    if (picture) *picture = new tessaly::dialogs::Picture(std::move(image), format);
    if (!picture || !*picture) return refuse(IDS_PICTURE_NO_PICTURE);
    return 1;
}
