// The splash window: a bitmap file shown at its own size in a borderless window centred on
// the primary screen, until the caller releases it.
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <tessaly/dialogs.h>

#include "framework/widgets/application.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/dialog_template.h"
#include "platform/prefix.h"

using namespace tessaly::framework;

namespace {

class SplashWidget : public QWidget {
  public:
    explicit SplashWidget(const QPixmap& picture)
        : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), picture_(picture) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setFixedSize(picture.size());
        namespace p = tessaly::platform;
        setProperty(kPropStyle, static_cast<uint>(WS_POPUP | WS_VISIBLE));
    }

  protected:
    // The whole bitmap at the window's top left corner.
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, picture_);
    }

  private:
    QPixmap picture_;
};

// The framework's splash window object: the bitmap's path and the window showing it.
class CSplashWnd : public CWnd {
  public:
    explicit CSplashWnd(const CString& path) : path_(path) {}
    ~CSplashWnd() override { delete window_.data(); }

    // Loads the bitmap and shows it; false when the file is missing or holds no bitmap
    // (whatever its name, another kind of picture is none).
    bool Create() {
        const QString file =
            QString::fromStdString(tessaly::platform::ToPosixPath(path_.GetString()));
        if (path_.IsEmpty() || !QFileInfo(file).isFile()) return false;
        EnsureApplication();
        QImageReader reader(file, "bmp");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (image.isNull()) return false;
        window_ = new SplashWidget(QPixmap::fromImage(image));
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            window_->move(QPoint(area.x() + (area.width() - image.width()) / 2,
                                 area.y() + (area.height() - image.height()) / 2));
        }
        attach(window_);
        window_->show();
        window_->repaint(); // painted at once, before the caller goes on with its work
        return true;
    }

  private:
    CString path_;
    QPointer<SplashWidget> window_;
};

} // namespace

CWnd* ShowSplashWnd(CString bitmapPath) {
    auto* splash = new CSplashWnd(bitmapPath);
    if (!splash->Create()) {
        delete splash;
        return nullptr;
    }
    return splash;
}

void ReleaseSplashScreen(CWnd** splash) {
    if (!splash || !*splash) return;
    delete *splash;
    *splash = nullptr;
}
