#pragma once
// The PDF printer: the entries of its driver library ("CDIntf.dll", a component of the
// library) and where the printer keeps its settings.
//
// The printer is the prefix printer "PDF Compatible Printer Driver" (driver of the same name,
// port "PDF:"); DriverInit adds it when the prefix has none, so the driver being present
// means the printer is installed. Its settings are its default device mode: the public part
// carries paper (dmPaperSize 1 letter, 5 legal, 9 A4, 8 A3), orientation (1 portrait,
// 2 landscape) and resolution (dmPrintQuality = dmYResolution, dots per inch); the
// driver-private part that follows it (dmDriverExtra bytes at offset dmSize) is a
// PDF_DRIVER_EXTRA. The framework's print path reads both for every job on that printer.
#include <tessaly/printer_types.h>

inline constexpr char kPdfPrinterName[] = "PDF Compatible Printer Driver";
inline constexpr char kPdfPortName[] = "PDF:";

// File-name options (SetFileNameOptions).
enum : DWORD {
    PDF_FILENAME_USE_DEFAULT = 1,  // write to the default file name without asking for one
    PDF_FILENAME_REPLACE = 2,      // replace a file of that name (else the job asks)
    PDF_FILENAME_EMBED_FONTS = 16, // the job embeds its fonts when font embedding is on
    PDF_FILENAME_WATERMARK = 64,   // the job carries the watermark when one is set
};

// Bits of the private part's first word.
enum : DWORD {
    PDF_FLAG_256_COLOURS = 8, // pictures are reduced to their 256 most used colours
};

inline constexpr DWORD kPdfExtraMagic = 0x46445054; // "TPDF"

// The driver-private part, little-endian as the structure lies in memory.
struct PDF_DRIVER_EXTRA {
    DWORD dwFlags = 0; // PDF_FLAG_...
    DWORD dwMagic = kPdfExtraMagic;
    LONG lFontEmbedding = 1;
    LONG lJpegLevel = 0; // 0 lossless pictures; above 0 JPEG, 4 the usual level
    DWORD dwFileNameOptions = 0;
    LONG lWatermark = 0; // 1 when a watermark is set
    char szWatermark[128] = {};
    char szWatermarkFont[32] = {};
    LONG lWatermarkSize = 0;   // points
    LONG lWatermarkAngle = 0;  // tenths of a degree, anticlockwise
    LONG lWatermarkColor = 0;  // Windows colour value 0x00BBGGRR
    LONG lWatermarkX = 0;      // centre's offset from the page's centre, points, rightwards
    LONG lWatermarkY = 0;      // and upwards
    LONG lWatermarkOnTop = 0;  // 1 drawn over the page's contents, 0 under them
    char szFileName[260] = {}; // the default file name (a path of this machine)
};

// The driver's entries (the calling convention is the platform's one).
extern "C" {
typedef HANDLE (*PDF_DRIVER_INIT)(const char* printerName);
typedef LONG (*PDF_DRIVER_SET_LONG)(HANDLE driver, LONG value);
typedef LONG (*PDF_DRIVER_SET_WATERMARK)(HANDLE driver, const char* text, const char* font,
                                         LONG size, LONG angle, LONG color, LONG x, LONG y,
                                         LONG onTop);
typedef LONG (*PDF_DRIVER_SET_TEXT)(HANDLE driver, const char* text);
typedef LONG (*PDF_DRIVER_CALL)(HANDLE driver);
}
