// Drawing on the screen and on what lies beneath a control.
//
// The screen's drawing lives in a window of its own that covers the screen, stays above
// every other, takes no input and is shaped to the pixels drawn, so the desktop shows
// through everywhere else (this needs no compositing manager).
#include "platform/framework/Forms.h"

#include "platform/framework/QtBridge.h"
#include "platform/framework/QtControls.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <map>
#include <memory>

namespace {

class OverlayWindow : public QWidget {
public:
    explicit OverlayWindow(const QImage& image)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus),
          image_(image) {
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, image_);
    }

private:
    const QImage& image_;
};

// Everything drawn on the screen (GUI thread only).
struct Overlay {
    QImage image; // ARGB32, transparent where nothing is drawn
    std::unique_ptr<OverlayWindow> window;
    std::map<TCanvas*, std::unique_ptr<QImage>> views; // canvases drawing on image

    // The window lives until the process ends, like the application beneath it: at exit
    // Qt's own teardown may already have gone, and Qt keeps track of every widget itself.
    ~Overlay() { (void)window.release(); }

    void ensure() {
        vx::EnsureQtApplication();
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize size = screen ? screen->geometry().size() : QSize(1, 1);
        if (image.size() != size) {
            image = QImage(size, QImage::Format_ARGB32);
            image.fill(0);
        }
        if (!window) window = std::make_unique<OverlayWindow>(image);
    }

    // Shows what is drawn: the window takes the shape of the drawn pixels.
    void refresh() {
        const QImage alpha = image.createAlphaMask();
        const QRegion drawn(QBitmap::fromImage(alpha));
        if (drawn.isEmpty()) {
            window->hide();
            return;
        }
        window->setGeometry(QGuiApplication::primaryScreen()->geometry());
        window->setMask(drawn);
        window->show();
        window->update();
    }
};

Overlay& overlay() {
    static Overlay instance;
    return instance;
}

} // namespace

RECT TScreen::WorkAreaRect() const {
    vx::EnsureQtGui();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    QRect area = screen->availableGeometry();
    if (area.isEmpty()) area = screen->geometry();
    return RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
}

void TScreen::AttachCanvas(TCanvas& canvas, POINT origin) {
    Overlay& o = overlay();
    o.ensure();
    const int x = std::clamp(origin.x, 0, o.image.width() - 1);
    const int y = std::clamp(origin.y, 0, o.image.height() - 1);
    auto view = std::make_unique<QImage>(
        o.image.bits() + static_cast<std::ptrdiff_t>(y) * o.image.bytesPerLine() + x * 4, o.image.width() - x,
        o.image.height() - y, o.image.bytesPerLine(), QImage::Format_ARGB32);
    vx::AttachImage(canvas, view.get());
    o.views[&canvas] = std::move(view);
}

void TScreen::ReleaseCanvas(TCanvas& canvas) {
    Overlay& o = overlay();
    if (o.views.erase(&canvas) == 0) return;
    canvas.Detach();
    o.refresh();
}

void TScreen::InvertRect(const RECT& rect) {
    Overlay& o = overlay();
    o.ensure();
    const QRect area = QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top)
                           .intersected(QRect(QPoint(0, 0), o.image.size()));
    if (area.isEmpty()) return;
    // What the screen shows beneath the drawing there (the drawing's own pixels are shaped
    // out of its window, so the grab sees past them).
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage beneath = screen ? screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                        .toImage()
                                        .convertToFormat(QImage::Format_RGB32)
                                  : QImage();
    for (int y = 0; y < area.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(o.image.scanLine(area.y() + y)) + area.x();
        for (int x = 0; x < area.width(); ++x) {
            if (qAlpha(row[x]) != 0) {
                row[x] = 0; // inverted before: inverting again shows the screen again
                continue;
            }
            const QRgb under =
                x < beneath.width() && y < beneath.height() ? beneath.pixel(x, y) : qRgb(0, 0, 0);
            row[x] = qRgb(255 - qRed(under), 255 - qGreen(under), 255 - qBlue(under));
        }
    }
    o.refresh();
}

void TScreen::ClearDrawing() {
    Overlay& o = overlay();
    if (!o.window) return;
    o.image.fill(0);
    o.refresh();
}

TColor TScreen::DrawnPixel(int x, int y) const {
    const Overlay& o = overlay();
    if (o.image.isNull() || !o.image.rect().contains(x, y)) return clNone;
    const QRgb drawn = o.image.pixel(x, y);
    if (qAlpha(drawn) != 0) return static_cast<TColor>(RGB(qRed(drawn), qGreen(drawn), qBlue(drawn)));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return clNone;
    const QRgb shown = screen->grabWindow(0, x, y, 1, 1).toImage().pixel(0, 0);
    return static_cast<TColor>(RGB(qRed(shown), qGreen(shown), qBlue(shown)));
}

void SetForegroundWindow(TForm* form) {
    if (!form) return;
    QWidget* window = vx::ControlWidget(form);
    window->raise();
    window->activateWindow();
}

void PaintControlsBeneath(TControl* control, TCanvas& canvas) {
    QWidget* widget = vx::ControlWidget(control);
    QWidget* parent = widget ? widget->parentWidget() : nullptr;
    if (!parent) return;
    const QRect area = widget->geometry();
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(parent->palette().color(parent->backgroundRole()));
    // The parent's own background, then each visible sibling that lies below the control.
    parent->render(&picture, QPoint(), QRegion(area), QWidget::DrawWindowBackground);
    for (QObject* child : parent->children()) {
        if (child == widget) break;
        auto* sibling = qobject_cast<QWidget*>(child);
        if (!sibling || !sibling->isVisible() || sibling->isWindow() || !sibling->geometry().intersects(area))
            continue;
        const QRect overlap = sibling->geometry().intersected(area);
        sibling->render(&picture, overlap.topLeft() - area.topLeft(),
                        QRegion(overlap.translated(-sibling->geometry().topLeft())),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    vx::DrawImage(canvas, 0, 0, picture);
}
