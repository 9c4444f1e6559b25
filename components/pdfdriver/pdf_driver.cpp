// The PDF printer's driver library: one session per DriverInit, whose setters gather the
// next job's settings and store them in the printer's device mode (tessaly/pdf_driver.h).
#include <tessaly/pdf_driver.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
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

namespace {

// Rewrites the finished PDF at path through change; false (the file untouched) when it cannot.
template <typename Change> bool rewritePdf(const char* path, Change change) {
    if (!path || !*path) return false;
    const std::string rewritten = std::string(path) + ".rewrite";
    try {
        QPDF pdf;
        pdf.processFile(path);
        change(pdf);
        QPDFWriter writer(pdf, rewritten.c_str());
        writer.write();
    } catch (const std::exception&) {
        std::remove(rewritten.c_str());
        return false;
    }
    return std::rename(rewritten.c_str(), path) == 0;
}

// The picture's pixels as indexes into its most used colours (at most 256), each pixel the
// nearest of them; lossless for a picture of no more colours. The palette comes back in
// palette (three bytes a colour).
std::string indexedPixels(const std::string& rgb, std::string& palette) {
    std::unordered_map<uint32_t, size_t> uses;
    for (size_t at = 0; at + 2 < rgb.size(); at += 3)
        ++uses[uint32_t(BYTE(rgb[at])) << 16 | uint32_t(BYTE(rgb[at + 1])) << 8 |
               BYTE(rgb[at + 2])];
    std::vector<std::pair<size_t, uint32_t>> byUse;
    for (const auto& [colour, count] : uses)
        byUse.emplace_back(count, colour);
    const size_t kept = std::min<size_t>(byUse.size(), 256);
    std::partial_sort(byUse.begin(), byUse.begin() + kept, byUse.end(), std::greater<>());
    byUse.resize(kept);
    palette.clear();
    for (const auto& entry : byUse)
        for (int shift : {16, 8, 0})
            palette += char((entry.second >> shift) & 0xFF);
    std::unordered_map<uint32_t, char> indexOf;
    for (const auto& [colour, count] : uses) {
        size_t best = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < byUse.size(); ++i) {
            long distance = 0;
            for (int shift : {16, 8, 0}) {
                const long d =
                    long((colour >> shift) & 0xFF) - long((byUse[i].second >> shift) & 0xFF);
                distance += d * d;
            }
            if (bestDistance < 0 || distance < bestDistance) best = i, bestDistance = distance;
            if (distance == 0) break;
        }
        indexOf[colour] = char(best);
    }
    std::string indexes(rgb.size() / 3, '\0');
    for (size_t pixel = 0; pixel < indexes.size(); ++pixel) {
        const size_t at = pixel * 3;
        indexes[pixel] = indexOf[uint32_t(BYTE(rgb[at])) << 16 | uint32_t(BYTE(rgb[at + 1])) << 8 |
                                 BYTE(rgb[at + 2])];
    }
    return indexes;
}

} // namespace

// For the print path: rewrites a finished PDF without its font programs, so that its fonts
// are named and not embedded (the writer the print path uses always embeds them). 1 done.
PDF_DRIVER_API LONG LeaveFontsOut(const char* path) {
    return rewritePdf(path,
                      [](QPDF& pdf) {
                          for (QPDFObjectHandle object : pdf.getAllObjects())
                              if (object.isDictionary() &&
                                  object.getKey("/Type").isNameAndEquals("/FontDescriptor"))
                                  for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"})
                                      object.removeKey(key);
                      })
               ? 1
               : 0;
}

// For the print path: the 256-colour compression. Every losslessly stored RGB picture of the
// finished PDF becomes an indexed picture of its 256 most used colours. 1 done.
PDF_DRIVER_API LONG ReducePictureColours(const char* path) {
    return rewritePdf(path,
                      [](QPDF& pdf) {
                          for (QPDFObjectHandle object : pdf.getAllObjects()) {
                              if (!object.isStream()) continue;
                              QPDFObjectHandle dict = object.getDict();
                              if (!dict.getKey("/Subtype").isNameAndEquals("/Image") ||
                                  !dict.getKey("/ColorSpace").isNameAndEquals("/DeviceRGB") ||
                                  !dict.getKey("/BitsPerComponent").isInteger() ||
                                  dict.getKey("/BitsPerComponent").getIntValue() != 8 ||
                                  dict.getKey("/Filter").isNameAndEquals("/DCTDecode"))
                                  continue;
                              std::string rgb;
                              try {
                                  const auto data = object.getStreamData(qpdf_dl_generalized);
                                  rgb.assign(reinterpret_cast<const char*>(data->getBuffer()),
                                             data->getSize());
                              } catch (const std::exception&) {
                                  continue; // a filter qpdf does not decode: left as it is
                              }
                              const long long pixels = dict.getKey("/Width").getIntValue() *
                                                       dict.getKey("/Height").getIntValue();
                              if (pixels <= 0 || rgb.size() != size_t(pixels) * 3) continue;
                              std::string palette;
                              const std::string indexes = indexedPixels(rgb, palette);
                              object.replaceStreamData(indexes, QPDFObjectHandle::newNull(),
                                                       QPDFObjectHandle::newNull());
                              dict.replaceKey(
                                  "/ColorSpace",
                                  QPDFObjectHandle::newArray(
                                      {QPDFObjectHandle::newName("/Indexed"),
                                       QPDFObjectHandle::newName("/DeviceRGB"),
                                       QPDFObjectHandle::newInteger(long(palette.size() / 3) - 1),
                                       QPDFObjectHandle::newString(palette)}));
                          }
                      })
               ? 1
               : 0;
}
