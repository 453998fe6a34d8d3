#include "platform/ddraw/QtPresenter.h"

#include "platform/ddraw/ProportionalScale.h"
#include "platform/ddraw/ScreenPicture.h"

#include <QEvent>
#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <atomic>
#include <mutex>
#include <optional>

namespace {

class FrameView;

} // namespace

struct QtPresenter::Shared {
    // Guards picture, repaintQueued and view. The picture's shown side changes only on the GUI
    // thread, which draws from it without the lock.
    std::mutex lock;
    ScreenPicture picture;
    bool repaintQueued = false;
    FrameView* view = nullptr;
    std::atomic<int> presented{0};
    std::atomic<int> painted{0};
};

namespace {

QRect toQRect(const RECT& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

RECT toRect(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The pixels behind a painter when it draws straight into a 32-bit image at one device pixel
// per pixel, as a widget's backing store is drawn: a scaled picture is then drawn there in
// one pass instead of being scaled first and copied afterwards. The pixels drawn there carry
// an opaque alpha byte, which a premultiplied image needs.
constexpr std::uint32_t kOpaque = 0xFF000000;

struct DirectTarget {
    std::uint32_t* origin = nullptr; // the painter's (0, 0)
    int stride = 0;                  // in pixels
    QRect bounds;                    // the image, in the painter's coordinates
};

std::optional<DirectTarget> directTarget(QPainter& painter) {
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return std::nullopt;
    auto* image = static_cast<QImage*>(device);
    const QTransform transform = painter.deviceTransform();
    const bool opaqueFormat =
        image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32_Premultiplied;
    if (!opaqueFormat || image->devicePixelRatio() != 1.0 || transform.type() > QTransform::TxTranslate)
        return std::nullopt;
    const int stride = int(image->bytesPerLine() / 4);
    const int dx = qRound(transform.dx()), dy = qRound(transform.dy());
    return DirectTarget{reinterpret_cast<std::uint32_t*>(image->bits()) + std::ptrdiff_t(dy) * stride + dx,
                        stride, image->rect().translated(-dx, -dy)};
}

// Shows the shared picture's shown frame. Only the parts that changed are drawn again, and
// the window system gets only those.
class FrameView : public QWidget {
public:
    FrameView(QWidget* area, std::shared_ptr<QtPresenter::Shared> shared)
        : QWidget(area), shared_(std::move(shared)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(area->rect());
        area->installEventFilter(this);
        show();
    }

    ~FrameView() override {
        std::lock_guard guard(shared_->lock);
        if (shared_->view == this) shared_->view = nullptr;
    }

    void showChanges() { update(takeChanges()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        return false;
    }

    void paintEvent(QPaintEvent* event) override {
        // A paint the window system asks for may come before the queued update: it shows the
        // newest frame too, and what changed outside its region is painted next.
        const QRegion changed = takeChanges() - event->region();
        if (!changed.isEmpty()) update(changed);
        const ScreenPicture& picture = shared_->picture;
        const QRegion inside = event->region() & toQRect(picture.Shown());
        QPainter painter(this);
        for (const QRect& r : event->region() - inside)
            painter.fillRect(r, Qt::black);
        if (inside.isEmpty()) return;
        const std::optional<DirectTarget> target = directTarget(painter);
        for (const QRect& r : inside) {
            if (target) {
                // Drawn past the painter's clipping: only ever inside the image.
                const QRect part = r & target->bounds;
                if (!part.isEmpty())
                    picture.Draw(toRect(part),
                                 target->origin + std::ptrdiff_t(part.top()) * target->stride + part.left(),
                                 target->stride, kOpaque);
                continue;
            }
            QImage part(r.size(), QImage::Format_RGB32);
            picture.Draw(toRect(r), reinterpret_cast<std::uint32_t*>(part.bits()),
                         int(part.bytesPerLine() / 4), kOpaque);
            painter.drawImage(r.topLeft(), part);
        }
        shared_->painted.fetch_add(1);
    }

private:
    // GUI thread: brings the shown frame up to date with the newest one and answers the part
    // of the view that shows something else now.
    QRegion takeChanges() {
        std::vector<RECT> changed;
        {
            std::lock_guard guard(shared_->lock);
            shared_->repaintQueued = false;
            changed = shared_->picture.Update(width(), height());
        }
        QRegion region;
        for (const RECT& r : changed)
            region += toQRect(r);
        return region;
    }

    std::shared_ptr<QtPresenter::Shared> shared_;
};

} // namespace

QtPresenter::QtPresenter(QWidget* area) : shared_(std::make_shared<Shared>()) {
    if (area) shared_->view = new FrameView(area, shared_);
}

QtPresenter::~QtPresenter() {
    FrameView* view;
    {
        std::lock_guard guard(shared_->lock);
        view = shared_->view;
        shared_->view = nullptr;
    }
    delete view;
}

void QtPresenter::Present(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen) {
    std::lock_guard guard(shared_->lock);
    shared_->presented.fetch_add(1);
    // A frame like the one shown needs no work on the GUI thread at all.
    if (!shared_->picture.Receive(pixels, width, height, stride, fullScreen)) return;
    // One queued repaint at a time: it takes every change made until it runs.
    if (shared_->view && !shared_->repaintQueued) {
        shared_->repaintQueued = true;
        FrameView* view = shared_->view;
        QMetaObject::invokeMethod(
            view, [view] { view->showChanges(); }, Qt::QueuedConnection);
    }
}

int QtPresenter::FramesPresented() const {
    return shared_->presented.load();
}

int QtPresenter::FramesPainted() const {
    return shared_->painted.load();
}
