// The PDF printer's driver library: one session per DriverInit, whose setters gather the
// next job's settings and store them in the printer's device mode (tessaly/pdf_driver.h).
#include <tessaly/pdf_driver.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/printers.h"

#define PDF_DRIVER_API extern "C" __attribute__((visibility("default")))

namespace p = tessaly::platform;

namespace {

constexpr size_t kPublicSize = sizeof(DEVMODEA);

struct Session {
    std::string printer;
    std::vector<BYTE> settings; // DEVMODEA followed by PDF_DRIVER_EXTRA
    DEVMODEA& devMode() { return *reinterpret_cast<DEVMODEA*>(settings.data()); }
    PDF_DRIVER_EXTRA& extra() {
        return *reinterpret_cast<PDF_DRIVER_EXTRA*>(settings.data() + devMode().dmSize);
    }
};

Session* sessionOf(HANDLE driver) {
    return static_cast<Session*>(driver);
}

// The printer's settings with a private part of ours: kept when it has one, else the
// public part with a fresh private part.
std::vector<BYTE> withPrivatePart(std::vector<BYTE> settings) {
    if (settings.size() < kPublicSize) settings = p::DefaultDevMode(kPdfPrinterName);
    auto* dm = reinterpret_cast<DEVMODEA*>(settings.data());
    const size_t publicSize = dm->dmSize >= kPublicSize ? dm->dmSize : kPublicSize;
    const bool ours =
        dm->dmDriverExtra >= sizeof(PDF_DRIVER_EXTRA) &&
        settings.size() >= publicSize + sizeof(PDF_DRIVER_EXTRA) &&
        reinterpret_cast<const PDF_DRIVER_EXTRA*>(settings.data() + publicSize)->dwMagic ==
            kPdfExtraMagic;
    if (ours) return settings;
    settings.resize(kPublicSize);
    dm = reinterpret_cast<DEVMODEA*>(settings.data());
    dm->dmSize = kPublicSize;
    dm->dmDriverExtra = sizeof(PDF_DRIVER_EXTRA);
    if (!(dm->dmFields & DM_PAPERSIZE)) dm->dmPaperSize = DMPAPER_LETTER;
    if (!(dm->dmFields & DM_ORIENTATION)) dm->dmOrientation = DMORIENT_PORTRAIT;
    if (!(dm->dmFields & DM_PRINTQUALITY)) dm->dmPrintQuality = dm->dmYResolution = 600;
    dm->dmFields |= DM_PAPERSIZE | DM_ORIENTATION | DM_PRINTQUALITY | DM_YRESOLUTION;
    const PDF_DRIVER_EXTRA fresh;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&fresh);
    settings.insert(settings.end(), bytes, bytes + sizeof fresh);
    return settings;
}

// Writes the device mode as the printer's default settings.
bool store(const std::string& printer, std::vector<BYTE>& settings) {
    HANDLE handle = nullptr;
    if (!p::OpenPrinterA(printer.c_str(), &handle, nullptr)) return false;
    DWORD needed = 0;
    p::GetPrinterA(handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    bool stored = needed && p::GetPrinterA(handle, 2, info.data(), needed, &needed);
    if (stored) {
        auto* level2 = reinterpret_cast<PRINTER_INFO_2A*>(info.data());
        level2->pDevMode = reinterpret_cast<DEVMODEA*>(settings.data());
        stored = p::SetPrinterA(handle, 2, info.data(), 0);
    }
    p::ClosePrinter(handle);
    return stored;
}

// The printer's stored settings, read again (another caller may have changed them).
bool load(const std::string& printer, std::vector<BYTE>& settings) {
    p::PrinterEntry entry;
    if (!p::LookupPrinter(printer, entry)) return false;
    settings = withPrivatePart(entry.devMode);
    return true;
}

void copyText(char* target, size_t size, const char* text) {
    std::strncpy(target, text ? text : "", size - 1);
    target[size - 1] = '\0';
}

// Stores one field of the private part at once: the file name and its options belong to
// the next job, not to the default configuration.
template <typename Change> LONG storeNow(HANDLE driver, Change change) {
    Session* session = sessionOf(driver);
    if (!session) return 0;
    change(session->extra());
    std::vector<BYTE> stored;
    if (!load(session->printer, stored)) return 0;
    change(*reinterpret_cast<PDF_DRIVER_EXTRA*>(
        stored.data() + reinterpret_cast<DEVMODEA*>(stored.data())->dmSize));
    return store(session->printer, stored) ? 1 : 0;
}

} // namespace

// The session on the printer of that name, adding the printer when the prefix has none;
// 0 for an empty name or a printer of another driver.
PDF_DRIVER_API HANDLE DriverInit(const char* printerName) {
    if (!printerName || !*printerName) return nullptr;
    p::PrinterEntry entry;
    if (p::LookupPrinter(printerName, entry)) {
        if (entry.cups || entry.driver != kPdfPrinterName) return nullptr;
    } else if (!p::AddPrefixPrinter(printerName, kPdfPrinterName, kPdfPortName,
                                    withPrivatePart({})) ||
               !p::LookupPrinter(printerName, entry)) {
        return nullptr;
    }
    auto* session = new Session{entry.name, withPrivatePart(entry.devMode)};
    return session;
}

// Paper codes 1 letter, 5 legal, 9 A4, 8 A3; others are refused (0).
PDF_DRIVER_API LONG SetPaperSize(HANDLE driver, LONG paper) {
    Session* session = sessionOf(driver);
    if (!session || (paper != DMPAPER_LETTER && paper != DMPAPER_LEGAL && paper != DMPAPER_A4 &&
                     paper != DMPAPER_A3))
        return 0;
    session->devMode().dmPaperSize = static_cast<short>(paper);
    return 1;
}

// 72 to 4800 dots per inch.
PDF_DRIVER_API LONG SetResolution(HANDLE driver, LONG dpi) {
    Session* session = sessionOf(driver);
    if (!session || dpi < 72 || dpi > 4800) return 0;
    session->devMode().dmPrintQuality = session->devMode().dmYResolution = static_cast<short>(dpi);
    return 1;
}

// 1 portrait, 2 landscape.
PDF_DRIVER_API LONG SetOrientation(HANDLE driver, LONG orientation) {
    Session* session = sessionOf(driver);
    if (!session || (orientation != DMORIENT_PORTRAIT && orientation != DMORIENT_LANDSCAPE))
        return 0;
    session->devMode().dmOrientation = static_cast<short>(orientation);
    return 1;
}

PDF_DRIVER_API LONG SetFontEmbedding(HANDLE driver, LONG embed) {
    Session* session = sessionOf(driver);
    if (!session) return 0;
    session->extra().lFontEmbedding = embed ? 1 : 0;
    return 1;
}

// 0 lossless pictures, 1 to 10 JPEG (higher compresses more).
PDF_DRIVER_API LONG SetJPEGCompression(HANDLE driver, LONG level) {
    Session* session = sessionOf(driver);
    if (!session || level < 0 || level > 10) return 0;
    session->extra().lJpegLevel = level;
    return 1;
}

PDF_DRIVER_API LONG SetWatermark(HANDLE driver, const char* text, const char* font, LONG size,
                                 LONG angle, LONG color, LONG x, LONG y, LONG onTop) {
    Session* session = sessionOf(driver);
    if (!session) return 0;
    PDF_DRIVER_EXTRA& extra = session->extra();
    extra.lWatermark = text && *text ? 1 : 0;
    copyText(extra.szWatermark, sizeof extra.szWatermark, text);
    copyText(extra.szWatermarkFont, sizeof extra.szWatermarkFont, font);
    extra.lWatermarkSize = size;
    extra.lWatermarkAngle = angle;
    extra.lWatermarkColor = color;
    extra.lWatermarkX = x;
    extra.lWatermarkY = y;
    extra.lWatermarkOnTop = onTop;
    return 1;
}

// The settings given so far become the printer's default settings.
PDF_DRIVER_API LONG SetDefaultConfig(HANDLE driver) {
    Session* session = sessionOf(driver);
    return session && store(session->printer, session->settings) ? 1 : 0;
}

// The printer becomes the system's default printer.
PDF_DRIVER_API LONG SetDefaultPrinter(HANDLE driver) {
    Session* session = sessionOf(driver);
    return session && p::SetDefaultPrinterA(session->printer.c_str()) ? 1 : 0;
}

// The file the next job writes (stored at once).
PDF_DRIVER_API LONG SetDefaultFileName(HANDLE driver, const char* path) {
    return storeNow(driver, [path](PDF_DRIVER_EXTRA& extra) {
        copyText(extra.szFileName, sizeof extra.szFileName, path);
    });
}

// PDF_FILENAME_... bits for the next job (stored at once).
PDF_DRIVER_API LONG SetFileNameOptions(HANDLE driver, LONG options) {
    return storeNow(driver, [options](PDF_DRIVER_EXTRA& extra) {
        extra.dwFileNameOptions = static_cast<DWORD>(options);
    });
}

PDF_DRIVER_API LONG DriverEnd(HANDLE driver) {
    delete sessionOf(driver);
    return 1;
}

// For the print path: rewrites a finished PDF without its font programs, so that its fonts
// are named and not embedded (the writer the print path uses always embeds them). 1 done.
PDF_DRIVER_API LONG LeaveFontsOut(const char* path) {
    if (!path || !*path) return 0;
    const std::string rewritten = std::string(path) + ".fonts";
    try {
        QPDF pdf;
        pdf.processFile(path);
        for (QPDFObjectHandle object : pdf.getAllObjects())
            if (object.isDictionary() && object.getKey("/Type").isNameAndEquals("/FontDescriptor"))
                for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"})
                    object.removeKey(key);
        QPDFWriter writer(pdf, rewritten.c_str());
        writer.write();
    } catch (const std::exception&) {
        std::remove(rewritten.c_str());
        return 0;
    }
    return std::rename(rewritten.c_str(), path) == 0 ? 1 : 0;
}
