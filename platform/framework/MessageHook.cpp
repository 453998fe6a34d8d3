#include "platform/framework/MessageHook.h"

#include "platform/framework/QtControls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlatformSurfaceEvent>
#include <QPointer>
#include <QScreen>
#include <QWindow>

namespace {

std::intptr_t packed(int low, int high) {
    return static_cast<std::intptr_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}

unsigned mouseMessage(QEvent::Type type, Qt::MouseButton button) {
    const bool down = type == QEvent::MouseButtonPress;
    if (type == QEvent::MouseButtonDblClick) return button == Qt::LeftButton ? WM_LBUTTONDBLCLK : 0;
    switch (button) {
    case Qt::LeftButton:
        return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Qt::RightButton:
        return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case Qt::MiddleButton:
        return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default:
        return 0;
    }
}

// Events that Qt passes on to the parent when the widget leaves them: once they have been
// delivered here they are done.
bool propagates(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove || type == QEvent::KeyPress ||
           type == QEvent::KeyRelease;
}

// The message of a widget event; Msg 0 for events that are no message.
TMessage messageOf(QWidget* widget, QEvent* event) {
    TMessage message;
    switch (event->type()) {
    case QEvent::Move:
        message.Msg = WM_MOVE;
        message.LParam = packed(widget->x(), widget->y());
        break;
    case QEvent::Resize:
        message.Msg = WM_SIZE;
        message.LParam = packed(widget->width(), widget->height());
        break;
    case QEvent::Show:
    case QEvent::Hide:
        message.Msg = WM_SHOWWINDOW;
        message.WParam = event->type() == QEvent::Show ? 1 : 0;
        break;
    case QEvent::Close:
        message.Msg = WM_CLOSE;
        break;
    case QEvent::FocusIn:
        message.Msg = WM_SETFOCUS;
        break;
    case QEvent::FocusOut:
        message.Msg = WM_KILLFOCUS;
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        message.Msg = event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
        message.WParam = vx::VirtualKeyOf(static_cast<QKeyEvent*>(event)->key());
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        message.Msg =
            event->type() == QEvent::MouseMove ? WM_MOUSEMOVE : mouseMessage(event->type(), mouse->button());
        const QPoint at = mouse->position().toPoint();
        message.LParam = packed(at.x(), at.y());
        break;
    }
    default:
        break;
    }
    return message;
}

class FilterObject : public QObject {
public:
    // How a widget's filter is found among its children (the class has no meta-object).
    static constexpr const char* name = "vx-message-filter";

    FilterObject(TWinControl* control, QWidget* widget, TMessageFilter* filter)
        : QObject(widget), control_(control), widget_(widget), filter_(filter) {
        setObjectName(QLatin1String(name));
        widget->installEventFilter(this);
        watchWindow();
    }

    TMessageFilter* filter() const { return filter_; }
    void setFilter(TMessageFilter* filter) { filter_ = filter; }

    // Offers the form's size limits to the filter and applies what it leaves.
    void askMinMaxInfo() {
        auto* form = dynamic_cast<TForm*>(control_);
        if (!form || !filter_) return;
        form->SetConstraints(form->Constraints()); // the form's own limits, undoing earlier answers
        const QScreen* screen = widget_->screen() ? widget_->screen() : QGuiApplication::primaryScreen();
        const QSize area =
            screen ? screen->availableGeometry().size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        MINMAXINFO info;
        info.ptMaxSize = POINT{area.width(), area.height()};
        info.ptMinTrackSize = POINT{widget_->minimumWidth(), widget_->minimumHeight()};
        info.ptMaxTrackSize = POINT{std::min(widget_->maximumWidth(), area.width()),
                                    std::min(widget_->maximumHeight(), area.height())};
        TMessage message{WM_GETMINMAXINFO, 0, reinterpret_cast<std::intptr_t>(&info), 0};
        if (!offerBefore(message)) offerAfter(message);
        const int maxWidth = info.ptMaxTrackSize.x >= area.width() ? QWIDGETSIZE_MAX : info.ptMaxTrackSize.x;
        const int maxHeight =
            info.ptMaxTrackSize.y >= area.height() ? QWIDGETSIZE_MAX : info.ptMaxTrackSize.y;
        widget_->setMinimumSize(std::max(0, info.ptMinTrackSize.x), std::max(0, info.ptMinTrackSize.y));
        widget_->setMaximumSize(std::max(1, maxWidth), std::max(1, maxHeight));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!filter_ || event == delivering_) return false;
        if (watched == window_) {
            if (event->type() == QEvent::PlatformSurface &&
                static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                    QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
                TMessage message{WM_DESTROY, 0, 0, 0};
                offerBefore(message);
                offerAfter(message);
            }
            return false;
        }
        if (watched != widget_) return false;
        if (event->type() == QEvent::WinIdChange) watchWindow();
        // Windows ask for their limits whenever they are sized; a size set by the program
        // resets the form's limits to its own, so they are asked for again.
        if (event->type() == QEvent::Show || event->type() == QEvent::Resize) askSoon();
        TMessage message = messageOf(widget_, event);
        if (message.Msg == 0) return false;
        if (offerBefore(message)) {
            event->accept();
            return true;
        }
        // The control's own handling first, then the filter hears of it.
        QPointer<FilterObject> self(this);
        QEvent* outer = delivering_;
        delivering_ = event;
        QCoreApplication::sendEvent(watched, event);
        if (!self) return true;
        delivering_ = outer;
        if (propagates(event->type())) event->accept();
        offerAfter(message);
        return true;
    }

private:
    void askSoon() {
        if (askQueued_) return;
        askQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                askQueued_ = false;
                askMinMaxInfo();
            },
            Qt::QueuedConnection);
    }
    bool offerBefore(TMessage& message) {
        bool stopped = false;
        vx::Guarded([&] { stopped = filter_ && filter_->FilterBefore(message); });
        return stopped;
    }
    void offerAfter(TMessage& message) {
        vx::Guarded([&] {
            if (filter_) filter_->FilterAfter(message);
        });
    }
    void watchWindow() {
        QWindow* window = widget_->windowHandle();
        if (window == window_) return;
        if (window_) window_->removeEventFilter(this);
        window_ = window;
        if (window_) window_->installEventFilter(this);
    }

    TWinControl* control_;
    QWidget* widget_;
    QPointer<QWindow> window_;
    TMessageFilter* filter_;
    QEvent* delivering_ = nullptr; // the event on its way to the control through this filter
    bool askQueued_ = false;
};

FilterObject* filterObjectOf(const TWinControl* control) {
    QWidget* widget = vx::ControlWidget(control);
    QObject* child =
        widget ? widget->findChild<QObject*>(QLatin1String(FilterObject::name), Qt::FindDirectChildrenOnly)
               : nullptr;
    return static_cast<FilterObject*>(child);
}

} // namespace

void SetMessageFilter(TWinControl* control, TMessageFilter* filter) {
    if (!control) return;
    FilterObject* object = filterObjectOf(control);
    if (object) {
        object->setFilter(filter);
    } else if (filter) {
        if (QWidget* widget = vx::ControlWidget(control)) object = new FilterObject(control, widget, filter);
    }
    if (object && filter) {
        object->askMinMaxInfo();
    } else if (auto* form = dynamic_cast<TForm*>(control)) {
        form->SetConstraints(form->Constraints()); // no filter: the form's own limits again
    }
}

TMessageFilter* MessageFilterOf(const TWinControl* control) {
    const FilterObject* object = control ? filterObjectOf(control) : nullptr;
    return object ? object->filter() : nullptr;
}

void RequestMinMaxInfo(TWinControl* control) {
    if (FilterObject* object = control ? filterObjectOf(control) : nullptr) object->askMinMaxInfo();
}
