// The device context of owner drawing over a QPainter, and its pens, brushes and fonts.
#include <tessaly/gdi.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <QScreen>

#include <cmath>
#include <map>
#include <mutex>

#include "framework/widgets/application.h"
#include "framework/widgets/wnd_internal.h"

using tessaly::framework::FromAnsi;

namespace {

QColor toColor(COLORREF color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QRect toRect(const RECT& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

double screenDpi() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

// Faces the suite's dialogs name that Debian does not ship: the nearest small sans face
// stands in, so a font of that face keeps the size asked for.
void ensureSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        tessaly::framework::EnsureApplication();
        QFont::insertSubstitution(QStringLiteral("Small Fonts"), QStringLiteral("DejaVu Sans"));
    });
}

// The desktop's default font at that size in points (the dialogs' "MS Shell Dlg").
QFont guiFont(int points) {
    ensureSubstitutes();
    QFont font = QApplication::font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * screenDpi() / 72.0))));
    return font;
}

// Live device contexts by handle: handles are numbers, never addresses.
struct DcTable {
    std::mutex lock;
    std::map<HDC, CDC*> dcs;
    std::uintptr_t next = 0x20010;
};

DcTable& dcTable() {
    static DcTable* t = new DcTable;
    return *t;
}

} // namespace

// ---------------------------------------------------------------- system colours

COLORREF GetSysColor(int index) {
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role = QPalette::Window;
    switch (index) {
    case COLOR_WINDOW:
        role = QPalette::Base;
        break;
    case COLOR_WINDOWTEXT:
        role = QPalette::Text;
        break;
    case COLOR_HIGHLIGHT:
        role = QPalette::Highlight;
        break;
    case COLOR_HIGHLIGHTTEXT:
        role = QPalette::HighlightedText;
        break;
    case COLOR_BTNFACE:
        role = QPalette::Button;
        break;
    case COLOR_GRAYTEXT:
        group = QPalette::Disabled;
        role = QPalette::Text;
        break;
    case COLOR_BTNTEXT:
        role = QPalette::ButtonText;
        break;
    default:
        return 0;
    }
    tessaly::framework::EnsureApplication();
    const QColor c = QApplication::palette().color(group, role);
    return RGB(c.red(), c.green(), c.blue());
}

// ---------------------------------------------------------------- objects

struct CGdiObject::Data {
    Kind kind = Kind::Any;
    bool created = false;
    QPen pen;
    QBrush brush;
    QFont font;
};

CGdiObject::CGdiObject() : data_(std::make_unique<Data>()) {}

CGdiObject::CGdiObject(Kind kind) : data_(std::make_unique<Data>()) {
    data_->kind = kind;
}

CGdiObject::~CGdiObject() = default;

BOOL CGdiObject::CreateStockObject(int index) {
    Kind kind = Kind::Any;
    switch (index) {
    case WHITE_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH:
        kind = Kind::Brush;
        break;
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
        kind = Kind::Pen;
        break;
    case DEFAULT_GUI_FONT:
        kind = Kind::Font;
        break;
    default:
        return FALSE;
    }
    if (data_->kind != Kind::Any && data_->kind != kind) return FALSE;
    data_->kind = kind;
    switch (index) {
    case WHITE_BRUSH:
        data_->brush = QBrush(Qt::white);
        break;
    case BLACK_BRUSH:
        data_->brush = QBrush(Qt::black);
        break;
    case NULL_BRUSH:
        data_->brush = QBrush(Qt::NoBrush);
        break;
    case WHITE_PEN:
        data_->pen = QPen(Qt::white, 1);
        break;
    case BLACK_PEN:
        data_->pen = QPen(Qt::black, 1);
        break;
    case NULL_PEN:
        data_->pen = QPen(Qt::NoPen);
        break;
    default:
        data_->font = guiFont(8);
        break;
    }
    data_->created = true;
    return TRUE;
}

BOOL CGdiObject::DeleteObject() {
    if (!data_->created) return FALSE;
    data_->created = false;
    return TRUE;
}

BOOL CGdiObject::IsCreated() const {
    return data_->created ? TRUE : FALSE;
}

CPen::CPen() : CGdiObject(Kind::Pen) {}

CPen::CPen(int style, int width, COLORREF color) : CGdiObject(Kind::Pen) {
    CreatePen(style, width, color);
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    Qt::PenStyle qtStyle = Qt::SolidLine;
    switch (style) {
    case PS_SOLID:
        break;
    case PS_DASH:
        qtStyle = Qt::DashLine;
        break;
    case PS_DOT:
        qtStyle = Qt::DotLine;
        break;
    case PS_NULL:
        qtStyle = Qt::NoPen;
        break;
    default:
        return FALSE;
    }
    data_->pen = QPen(toColor(color), std::max(1, width), qtStyle, Qt::SquareCap, Qt::MiterJoin);
    data_->created = true;
    return TRUE;
}

CBrush::CBrush() : CGdiObject(Kind::Brush) {}

CBrush::CBrush(COLORREF color) : CGdiObject(Kind::Brush) {
    CreateSolidBrush(color);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    data_->brush = QBrush(toColor(color));
    data_->created = true;
    return TRUE;
}

CFont::CFont() : CGdiObject(Kind::Font) {}

BOOL CFont::CreatePointFont(int pointSize, const char* face, CDC* /*dc*/) {
    // Tenths of a point to pixels at the screen's resolution, rounded as the system does.
    const int pixels = static_cast<int>(std::lround(pointSize * screenDpi() / 720.0));
    return CreateFont(-std::max(1, pixels), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                      0, face);
}

BOOL CFont::CreateFont(int height, int /*width*/, int /*escapement*/, int /*orientation*/,
                       int weight, BYTE italic, BYTE underline, BYTE strikeOut, BYTE /*charSet*/,
                       BYTE /*outPrecision*/, BYTE /*clipPrecision*/, BYTE /*quality*/,
                       BYTE /*pitchAndFamily*/, const char* face) {
    QFont font = guiFont(8);
    if (face && *face) font.setFamily(FromAnsi(face));
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height > 0) {
        // A cell height: the character height is the part of it the face gives its em.
        font.setPixelSize(height);
        const int cell = QFontMetrics(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(
                1, static_cast<int>(std::lround(static_cast<double>(height) * height / cell))));
    }
    if (weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    font.setItalic(italic != 0);
    font.setUnderline(underline != 0);
    font.setStrikeOut(strikeOut != 0);
    data_->font = font;
    data_->created = true;
    return TRUE;
}

CString CFont::GetFaceName() const {
    if (!data_->created) return CString();
    return CString(tessaly::framework::ToAnsi(QFontInfo(data_->font).family()).c_str());
}

int CFont::GetPixelHeight() const {
    return data_->created ? QFontInfo(data_->font).pixelSize() : 0;
}

// ---------------------------------------------------------------- CDC

struct CDC::Impl {
    QPainter* painter = nullptr;
    COLORREF text = 0x000000;
    COLORREF background = 0xFFFFFF;
    int mode = OPAQUE;
    int mapMode = MM_TEXT;
    QPoint position;
    // The DC's own objects, selected at first, and what is selected now.
    CPen ownPen{PS_SOLID, 1, 0x000000};
    CBrush ownBrush{0xFFFFFF};
    CFont ownFont;
    CPen* pen = &ownPen;
    CBrush* brush = &ownBrush;
    CFont* font = &ownFont;
    QPen qpen;
    QBrush qbrush;
    QFont qfont;

    QFontMetrics metrics() const {
        return painter && painter->device() ? QFontMetrics(qfont, painter->device())
                                            : QFontMetrics(qfont);
    }

    void fill(const QRect& r, const QColor& color) {
        if (painter && r.isValid()) painter->fillRect(r, color);
    }
};

CDC::CDC() : CDC(nullptr) {}

CDC::CDC(QPainter* painter) : impl_(std::make_unique<Impl>()) {
    ensureSubstitutes();
    impl_->painter = painter && painter->isActive() ? painter : nullptr;
    if (impl_->painter) {
        impl_->painter->save();
        impl_->painter->setRenderHint(QPainter::Antialiasing, false);
        impl_->ownFont.CreateStockObject(DEFAULT_GUI_FONT);
        impl_->ownFont.data_->font = impl_->painter->font();
    } else {
        impl_->ownFont.CreateStockObject(DEFAULT_GUI_FONT);
    }
    impl_->qpen = impl_->ownPen.data_->pen;
    impl_->qbrush = impl_->ownBrush.data_->brush;
    impl_->qfont = impl_->ownFont.data_->font;
    DcTable& t = dcTable();
    std::lock_guard<std::mutex> guard(t.lock);
    m_hDC = reinterpret_cast<HDC>(t.next);
    t.next += 4;
    t.dcs[m_hDC] = this;
}

CDC::~CDC() {
    {
        DcTable& t = dcTable();
        std::lock_guard<std::mutex> guard(t.lock);
        t.dcs.erase(m_hDC);
    }
    if (impl_->painter) impl_->painter->restore();
}

CDC* CDC::FromHandle(HDC dc) {
    DcTable& t = dcTable();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.dcs.find(dc);
    return it == t.dcs.end() ? nullptr : it->second;
}

HDC CDC::GetSafeHdc() const {
    return m_hDC;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
    if (!rect) return;
    SetBkColor(color);
    impl_->fill(toRect(*rect).normalized(), toColor(color));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
    SetBkColor(color);
    impl_->fill(QRect(x, y, cx, cy).normalized(), toColor(color));
}

void CDC::FillRect(const RECT* rect, CBrush* brush) {
    if (!rect || !brush || !impl_->painter) return;
    impl_->painter->fillRect(toRect(*rect), brush->data_->brush);
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    if (!impl_->painter) return FALSE;
    const QRect r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
    if (impl_->qbrush.style() != Qt::NoBrush) impl_->painter->fillRect(r, impl_->qbrush);
    if (impl_->qpen.style() != Qt::NoPen) {
        // A one-pixel outline on the rectangle's outermost pixels.
        impl_->painter->setPen(impl_->qpen);
        impl_->painter->setBrush(Qt::NoBrush);
        impl_->painter->drawRect(r.adjusted(0, 0, -1, -1));
    }
    return TRUE;
}

BOOL CDC::Rectangle(const RECT* rect) {
    return rect ? Rectangle(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CDC::RoundRect(int left, int top, int right, int bottom, int width, int height) {
    if (!impl_->painter) return FALSE;
    impl_->painter->setPen(impl_->qpen);
    impl_->painter->setBrush(impl_->qbrush);
    impl_->painter->drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1),
                                    width / 2.0, height / 2.0);
    return TRUE;
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
    if (rect)
        Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                   topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
    // The top and left lines stop short of the far corners, which belong to the right and
    // bottom lines.
    const QColor light = toColor(topLeft), dark = toColor(bottomRight);
    impl_->fill(QRect(x, y, cx - 1, 1), light);
    impl_->fill(QRect(x, y, 1, cy - 1), light);
    impl_->fill(QRect(x + cx - 1, y, 1, cy), dark);
    impl_->fill(QRect(x, y + cy - 1, cx, 1), dark);
}

void CDC::DrawFocusRect(const RECT* rect) {
    if (!rect || !impl_->painter) return;
    const QRect r = toRect(*rect).normalized();
    if (r.width() < 1 || r.height() < 1) return;
    // Every other pixel of the frame, each once, inverted.
    QPolygon points;
    const auto dot = [&points, &r](int x, int y) {
        if (((x - r.left()) + (y - r.top())) % 2 == 0) points << QPoint(x, y);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        if (r.bottom() != r.top()) dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        if (r.right() != r.left()) dot(r.right(), y);
    }
    QPainter* p = impl_->painter;
    p->save();
    p->setCompositionMode(QPainter::RasterOp_NotDestination);
    p->setPen(QPen(Qt::black, 1));
    p->drawPoints(points);
    p->restore();
}

BOOL CDC::MoveTo(int x, int y) {
    impl_->position = QPoint(x, y);
    return TRUE;
}

BOOL CDC::LineTo(int x, int y) {
    if (!impl_->painter) return FALSE;
    const QPoint to(x, y);
    if (impl_->qpen.style() != Qt::NoPen && to != impl_->position) {
        // The last point is not drawn, as on Windows: stop one pixel short.
        const QPoint delta = to - impl_->position;
        const int steps = std::max(std::abs(delta.x()), std::abs(delta.y()));
        const QPointF last = QPointF(impl_->position) + QPointF(delta) * (steps - 1.0) / steps;
        impl_->painter->setPen(impl_->qpen);
        impl_->painter->drawLine(QPointF(impl_->position), last);
    }
    impl_->position = to;
    return TRUE;
}

int CDC::DrawText(const CString& text, RECT* rect, UINT format) {
    return DrawText(text.GetString(), text.GetLength(), rect, format);
}

int CDC::DrawText(const char* text, int count, RECT* rect, UINT format) {
    if (!rect) return 0;
    const std::string bytes = !text       ? std::string()
                              : count < 0 ? std::string(text)
                                          : std::string(text, count);
    QString value = FromAnsi(bytes.c_str());
    const bool single = format & DT_SINGLELINE;
    int flags = (format & DT_CENTER)  ? Qt::AlignHCenter
                : (format & DT_RIGHT) ? Qt::AlignRight
                                      : Qt::AlignLeft;
    // Vertical placement applies to a single line only.
    flags |= !single                 ? Qt::AlignTop
             : (format & DT_VCENTER) ? Qt::AlignVCenter
             : (format & DT_BOTTOM)  ? Qt::AlignBottom
                                     : Qt::AlignTop;
    if (single) flags |= Qt::TextSingleLine;
    if (!single && (format & DT_WORDBREAK)) flags |= Qt::TextWordWrap;
    if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
    if (format & DT_NOCLIP) flags |= Qt::TextDontClip;
    const QFontMetrics metrics = impl_->metrics();
    const QRect box = toRect(*rect);

    if ((format & DT_END_ELLIPSIS) && single) {
        // The marks go before eliding.
        const QString shown =
            (flags & Qt::TextShowMnemonic) ? tessaly::framework::WithoutMnemonics(value) : value;
        if (metrics.horizontalAdvance(shown) > box.width()) {
            value = metrics.elidedText(shown, Qt::ElideRight, std::max(0, box.width()));
            flags &= ~Qt::TextShowMnemonic;
        }
    }

    if (format & DT_CALCRECT) {
        int width = 0, height = metrics.height();
        if (flags & Qt::TextWordWrap) {
            const QRect bounds = metrics.boundingRect(
                QRect(box.left(), box.top(), std::max(1, box.width()), 1 << 20),
                Qt::AlignLeft | Qt::AlignTop | (flags & (Qt::TextWordWrap | Qt::TextShowMnemonic)),
                value);
            width = value.isEmpty() ? 0 : bounds.width();
            if (!value.isEmpty()) height = bounds.height();
        } else {
            // Lines as wide as their advance, the extent GetTextExtent gives.
            const QString shown = (flags & Qt::TextShowMnemonic)
                                      ? tessaly::framework::WithoutMnemonics(value)
                                      : value;
            const QStringList lines =
                single ? QStringList{QString(shown).replace(u'\n', u' ')} : shown.split(u'\n');
            for (const QString& line : lines)
                width = std::max(width, metrics.horizontalAdvance(line));
            height =
                metrics.height() + (static_cast<int>(lines.size()) - 1) * metrics.lineSpacing();
        }
        rect->right = rect->left + width;
        rect->bottom = rect->top + height;
        return height;
    }
    if (!impl_->painter) return 0;
    QPainter* p = impl_->painter;
    p->setFont(impl_->qfont);
    const QRect drawn = p->boundingRect(box, flags, value);
    if (impl_->mode == OPAQUE) p->fillRect(drawn, toColor(impl_->background));
    p->setPen(toColor(impl_->text));
    p->drawText(box, flags, value);
    if (single && (flags & (Qt::AlignVCenter | Qt::AlignBottom)))
        return drawn.bottom() + 1 - box.top();
    return drawn.height();
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
    return TextOut(x, y, text.GetString(), text.GetLength());
}

BOOL CDC::TextOut(int x, int y, const char* text, int count) {
    if (!impl_->painter) return FALSE;
    const std::string bytes = !text       ? std::string()
                              : count < 0 ? std::string(text)
                                          : std::string(text, count);
    const QString value = FromAnsi(bytes.c_str());
    const QFontMetrics metrics = impl_->metrics();
    QPainter* p = impl_->painter;
    p->setFont(impl_->qfont);
    // The point is the text's top left corner.
    if (impl_->mode == OPAQUE)
        p->fillRect(QRect(x, y, metrics.horizontalAdvance(value), metrics.height()),
                    toColor(impl_->background));
    p->setPen(toColor(impl_->text));
    p->drawText(QPoint(x, y + metrics.ascent()), value);
    return TRUE;
}

CSize CDC::GetTextExtent(const CString& text) const {
    return GetTextExtent(text.GetString(), text.GetLength());
}

CSize CDC::GetTextExtent(const char* text, int count) const {
    const std::string bytes = !text       ? std::string()
                              : count < 0 ? std::string(text)
                                          : std::string(text, count);
    const QFontMetrics metrics = impl_->metrics();
    return CSize(metrics.horizontalAdvance(FromAnsi(bytes.c_str())), metrics.height());
}

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF old = impl_->text;
    impl_->text = color & 0xFFFFFF;
    return old;
}

COLORREF CDC::GetTextColor() const {
    return impl_->text;
}

COLORREF CDC::SetBkColor(COLORREF color) {
    const COLORREF old = impl_->background;
    impl_->background = color & 0xFFFFFF;
    return old;
}

COLORREF CDC::GetBkColor() const {
    return impl_->background;
}

int CDC::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    const int old = impl_->mode;
    impl_->mode = mode;
    return old;
}

int CDC::GetBkMode() const {
    return impl_->mode;
}

CPen* CDC::SelectObject(CPen* pen) {
    if (!pen || !pen->IsCreated()) return nullptr;
    CPen* old = impl_->pen;
    impl_->pen = pen;
    impl_->qpen = pen->data_->pen;
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (!brush || !brush->IsCreated()) return nullptr;
    CBrush* old = impl_->brush;
    impl_->brush = brush;
    impl_->qbrush = brush->data_->brush;
    return old;
}

CFont* CDC::SelectObject(CFont* font) {
    if (!font || !font->IsCreated()) return nullptr;
    CFont* old = impl_->font;
    impl_->font = font;
    impl_->qfont = font->data_->font;
    if (impl_->painter) impl_->painter->setFont(impl_->qfont);
    return old;
}

// ---------------------------------------------------------------- device capabilities

int CDC::GetDeviceCaps(int index) const {
    const QPaintDevice* device = impl_->painter ? impl_->painter->device() : nullptr;
    if (!device) return 0;
    // A printer's sheet and drawable area come from its page layout; other devices are all
    // drawable area.
    const auto* paged = dynamic_cast<const QPagedPaintDevice*>(device);
    const int dpiX = device->logicalDpiX(), dpiY = device->logicalDpiY();
    QRect sheet(0, 0, device->width(), device->height()), area = sheet;
    if (paged) {
        const QPageLayout layout = paged->pageLayout();
        const QRectF full = layout.fullRectPoints(), paint = layout.paintRectPoints();
        const auto toX = [&](qreal points) { return static_cast<int>(points * dpiX / 72.0); };
        const auto toY = [&](qreal points) { return static_cast<int>(points * dpiY / 72.0); };
        sheet = QRect(0, 0, toX(full.width()), toY(full.height()));
        // A printer drawing on the whole sheet has its origin at the corner.
        const bool wholeSheet = device->width() >= sheet.width() - 1;
        area = QRect(wholeSheet ? 0 : toX(paint.left()), wholeSheet ? 0 : toY(paint.top()),
                     device->width(), device->height());
    }
    switch (index) {
    case HORZSIZE:
        return device->widthMM();
    case VERTSIZE:
        return device->heightMM();
    case HORZRES:
        return area.width();
    case VERTRES:
        return area.height();
    case LOGPIXELSX:
        return dpiX;
    case LOGPIXELSY:
        return dpiY;
    case PHYSICALWIDTH:
        return sheet.width();
    case PHYSICALHEIGHT:
        return sheet.height();
    case PHYSICALOFFSETX:
        return paged ? area.left() : 0;
    case PHYSICALOFFSETY:
        return paged ? area.top() : 0;
    default:
        return 0;
    }
}

BOOL CDC::GetTextMetrics(TEXTMETRICA* metrics) const {
    if (!metrics) return FALSE;
    const QFontMetrics m = impl_->metrics();
    *metrics = TEXTMETRICA();
    metrics->tmAscent = m.ascent();
    metrics->tmDescent = m.descent();
    metrics->tmHeight = m.ascent() + m.descent();
    // Qt's leading is the gap the font asks for between lines: the external leading.
    metrics->tmExternalLeading = std::max(0, m.leading());
    metrics->tmAveCharWidth = m.averageCharWidth();
    metrics->tmMaxCharWidth = m.maxWidth();
    metrics->tmWeight = impl_->qfont.weight();
    metrics->tmItalic = impl_->qfont.italic() ? 1 : 0;
    metrics->tmUnderlined = impl_->qfont.underline() ? 1 : 0;
    metrics->tmStruckOut = impl_->qfont.strikeOut() ? 1 : 0;
    metrics->tmFirstChar = 0x20;
    metrics->tmLastChar = 0xFF;
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmDigitizedAspectX = metrics->tmDigitizedAspectY = GetDeviceCaps(LOGPIXELSX);
    return TRUE;
}

int CDC::SetMapMode(int mode) {
    if (mode != MM_TEXT) return 0;
    const int old = impl_->mapMode;
    impl_->mapMode = mode;
    return old;
}

int CDC::GetMapMode() const {
    return impl_->mapMode;
}

BOOL CDC::DPtoLP(POINT* points, int count) const {
    // MM_TEXT maps one to one, and it is the only mode a DC takes.
    return points && count >= 0 ? TRUE : FALSE;
}

BOOL CDC::DPtoLP(RECT* rect) const {
    return rect ? TRUE : FALSE;
}

namespace tessaly::framework {

QPainter* PainterOf(CDC* dc) {
    return dc ? dc->impl_->painter : nullptr;
}

} // namespace tessaly::framework
