#include "platform/ddraw/QtPresenter.h"

#include "platform/ddraw/AspectScale.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <mutex>

namespace {

class FrameView;

} // namespace

struct QtPresenter::Shared {
    std::mutex lock; // guards pending, hasPending and view
    PresentedFrame pending;
    bool hasPending = false;
    FrameView* view = nullptr;
    std::atomic<bool> repaintQueued{false};
    std::atomic<int> presented{0};
    std::atomic<int> painted{0};
};

namespace {

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        {
            std::lock_guard guard(shared_->lock);
            shared_->repaintQueued.store(false);
            if (shared_->hasPending) {
                std::swap(shown_, shared_->pending);
                shared_->hasPending = false;
            }
        }
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (shown_.width <= 0 || shown_.height <= 0) return;
        if (shown_.fullScreen) {
            if (scaled_.size() != size()) scaled_ = QImage(size(), QImage::Format_RGB32);
            ScaleKeepingAspect(shown_.pixels.data(), shown_.width, shown_.height,
                               reinterpret_cast<std::uint32_t*>(scaled_.bits()), scaled_.width(),
                               scaled_.height());
            painter.drawImage(0, 0, scaled_);
        } else {
            QImage frame(reinterpret_cast<const uchar*>(shown_.pixels.data()), shown_.width, shown_.height,
                         shown_.width * 4, QImage::Format_RGB32);
            painter.drawImage(0, 0, frame);
        }
        shared_->painted.fetch_add(1);
    }

private:
    std::shared_ptr<QtPresenter::Shared> shared_;
    PresentedFrame shown_;
    QImage scaled_;
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
    shared_->pending.Assign(pixels, width, height, stride, fullScreen);
    shared_->hasPending = true;
    shared_->presented.fetch_add(1);
    // One queued repaint at a time: the GUI thread always paints the newest frame.
    if (shared_->view && !shared_->repaintQueued.exchange(true)) {
        QWidget* view = shared_->view;
        QMetaObject::invokeMethod(
            view, [view] { view->update(); }, Qt::QueuedConnection);
    }
}

int QtPresenter::FramesPresented() const {
    return shared_->presented.load();
}

int QtPresenter::FramesPainted() const {
    return shared_->painted.load();
}
