// Fonts, icons and text measuring on Qt.
#include "framework/widgets/drawing.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QStyle>

#include <cmath>

#include "framework/widgets/application.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

namespace {

QFont fontOf(const char* face, int points) {
    EnsureApplication();
    QFont font = QApplication::font();
    if (face && *face) font.setFamily(QString::fromLatin1(face));
    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * dpi / 72.0))));
    return font;
}

} // namespace

TextExtent MeasureWrappedText(const char* text, const char* face, int points, int width) {
    const QFontMetrics metrics(fontOf(face, points));
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, std::max(1, width), 1 << 20),
                             Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, FromAnsi(text));
    return TextExtent{bounds.width(), bounds.height()};
}

void SetWindowFont(CWnd* window, const char* face, int points) {
    if (QWidget* widget = window ? window->GetWidget() : nullptr)
        widget->setFont(fontOf(face, points));
}

void SetStaticIcon(CWnd* control, int systemIcon) {
    auto* label = qobject_cast<QLabel*>(control ? control->GetWidget() : nullptr);
    if (!label) return;
    QStyle::StandardPixmap pixmap = QStyle::SP_MessageBoxWarning;
    switch (systemIcon) {
    case 32513:
        pixmap = QStyle::SP_MessageBoxCritical;
        break;
    case 32514:
        pixmap = QStyle::SP_MessageBoxQuestion;
        break;
    case 32516:
        pixmap = QStyle::SP_MessageBoxInformation;
        break;
    default:
        systemIcon = 32515;
        break;
    }
    label->setPixmap(QApplication::style()->standardIcon(pixmap).pixmap(32, 32));
    label->setProperty(kPropIcon, systemIcon);
}

} // namespace tessaly::framework
