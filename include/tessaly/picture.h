#pragma once
// The picture object LoadPictureFile fills: a decoded image answering a small interface in
// the manner of the component model (tessaly/com.h), sized in HIMETRIC (0.01 mm) and drawn
// into a device context. Release frees it.
#include <tessaly/com.h>
#include <tessaly/gdi.h>

typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;
typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef short SHORT;

enum : SHORT { PICTYPE_BITMAP = 1, PICTYPE_ICON = 3 };

// {7BF80980-BF32-101A-8BBB-00AA00300CAB}
inline constexpr IID IID_IPicture = {
    0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

struct IPicture : IUnknown {
    // PICTYPE_ICON for an icon file, else PICTYPE_BITMAP.
    virtual HRESULT get_Type(SHORT* type) = 0;
    // The picture's size at its own resolution (the screen's when the file gives none).
    virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
    virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) = 0;
    // Draws the source part (HIMETRIC, from the picture's bottom-left corner as the system's
    // pictures measure, so ySrc = height and cySrc = -height is the whole picture upright)
    // stretched into x, y, cx, cy of the device context. E_INVALIDARG for a DC without
    // drawing, a null size.
    virtual HRESULT Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                           OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc,
                           OLE_YSIZE_HIMETRIC cySrc, const RECT* bounds) = 0;
    // The file's format as its readers name it: "bmp", "jpeg", "gif", "png", "ico".
    virtual HRESULT get_Format(const char** format) = 0;
    // The size in pixels.
    virtual HRESULT get_PixelSize(LONG* width, LONG* height) = 0;

  protected:
    ~IPicture() = default;
};
