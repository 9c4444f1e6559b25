#pragma once
// What the PDF tests share: the driver library's entries, the PDF printer's stored settings,
// and a two-page document printed through the framework's print path.
#include <tessaly/pdf_driver.h>
#include <tessaly/picture.h>
#include <tessaly/print.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/module.h"
#include "platform/printers.h"

namespace print_test {

// The driver library loaded by its Windows name, its entries bound.
struct Driver {
    HMODULE module = tessaly::platform::LoadLibraryA("CDIntf.dll");
    template <typename F> F entry(const char* name) const {
        return reinterpret_cast<F>(tessaly::platform::GetProcAddress(module, name));
    }
    PDF_DRIVER_INIT init = entry<PDF_DRIVER_INIT>("DriverInit");
    PDF_DRIVER_SET_LONG paper = entry<PDF_DRIVER_SET_LONG>("SetPaperSize");
    PDF_DRIVER_SET_LONG resolution = entry<PDF_DRIVER_SET_LONG>("SetResolution");
    PDF_DRIVER_SET_LONG orientation = entry<PDF_DRIVER_SET_LONG>("SetOrientation");
    PDF_DRIVER_SET_LONG fonts = entry<PDF_DRIVER_SET_LONG>("SetFontEmbedding");
    PDF_DRIVER_SET_LONG jpeg = entry<PDF_DRIVER_SET_LONG>("SetJPEGCompression");
    PDF_DRIVER_SET_WATERMARK watermark = entry<PDF_DRIVER_SET_WATERMARK>("SetWatermark");
    PDF_DRIVER_CALL config = entry<PDF_DRIVER_CALL>("SetDefaultConfig");
    PDF_DRIVER_CALL makeDefault = entry<PDF_DRIVER_CALL>("SetDefaultPrinter");
    PDF_DRIVER_SET_TEXT fileName = entry<PDF_DRIVER_SET_TEXT>("SetDefaultFileName");
    PDF_DRIVER_SET_LONG fileOptions = entry<PDF_DRIVER_SET_LONG>("SetFileNameOptions");
    PDF_DRIVER_CALL end = entry<PDF_DRIVER_CALL>("DriverEnd");
    ~Driver() {
        if (module) tessaly::platform::FreeLibrary(module);
    }
};

// The PDF printer's stored settings: the public part and the private part.
struct Stored {
    DEVMODEA dm{};
    PDF_DRIVER_EXTRA extra{};
};

inline Stored ReadStored() {
    Stored s;
    tessaly::platform::PrinterEntry entry;
    if (!tessaly::platform::LookupPrinter(kPdfPrinterName, entry) ||
        entry.devMode.size() < sizeof s.dm + sizeof s.extra)
        return s;
    std::memcpy(&s.dm, entry.devMode.data(), sizeof s.dm);
    std::memcpy(&s.extra, entry.devMode.data() + sizeof s.dm, sizeof s.extra);
    return s;
}

// Two pages of text, "first page words" and "second page words", and the picture (if any)
// an inch wide on the first; notes the resolution the job's device context reports.
class TwoPages : public CPrintJob {
  public:
    int dpi = 0;
    IPicture* picture = nullptr;

  protected:
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        dpi = dc->GetDeviceCaps(LOGPIXELSX);
        RECT box{dpi, dpi, info->m_rectDraw.right - dpi, info->m_rectDraw.bottom - dpi};
        dc->DrawText(info->m_nCurPage == 1 ? "first page words" : "second page words", -1, &box,
                     DT_WORDBREAK);
        LONG width = 0, height = 0;
        if (picture && info->m_nCurPage == 1 && picture->get_Width(&width) == S_OK &&
            picture->get_Height(&height) == S_OK)
            picture->Render(dc->GetSafeHdc(), dpi, 2 * dpi, dpi, dpi, 0, height, width, -height,
                            nullptr);
        info->m_bContinuePrinting = info->m_nCurPage < 2;
    }
};

} // namespace print_test
