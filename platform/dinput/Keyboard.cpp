#include "platform/dinput/Keyboard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

// Watches the game window: key events become DIK key changes; a lost focus releases every
// key held. Presses arrive first as the shortcut check (before any menu short cut acts), so a
// game key reaches the buffer even when a short cut takes it.
class TDIKeyboard::Filter : public QObject {
public:
    explicit Filter(TDIKeyboard& owner) : owner_(owner) {}

    void watch(QObject* window) {
        if (window_) window_->removeEventFilter(this);
        window_ = window;
        if (window) window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat()) break;
            int dik = dikOf(*key);
            if (dik != 0) owner_.KeyChange(dik, event->type() != QEvent::KeyRelease);
            break;
        }
        case QEvent::FocusOut:
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
            owner_.ReleaseAll();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static int dikOf(const QKeyEvent& key) {
        // X11 and Wayland key codes are the evdev codes plus 8.
        quint32 native = key.nativeScanCode();
        if (native > 8)
            if (int dik = DikFromEvdev(native - 8)) return dik;
        return DikFromFrameworkKey(key.key(), key.modifiers().testFlag(Qt::KeypadModifier));
    }

    TDIKeyboard& owner_;
    QPointer<QObject> window_;
};

TDIKeyboard::TDIKeyboard() : filter_(std::make_unique<Filter>(*this)) {}

TDIKeyboard::~TDIKeyboard() = default;

void TDIKeyboard::Attach(QWidget* window) {
    filter_->watch(window);
}

void TDIKeyboard::KeyChange(int dik, bool down) {
    if (dik <= 0 || dik > 255) return;
    std::lock_guard guard(lock_);
    bool& held = held_[static_cast<std::size_t>(dik)];
    if (held == down) return;
    held = down;
    events_.push_back({static_cast<DWORD>(dik), down ? 0x80u : 0u});
}

void TDIKeyboard::ReleaseAll() {
    std::lock_guard guard(lock_);
    for (std::size_t dik = 0; dik < held_.size(); ++dik) {
        if (held_[dik]) {
            held_[dik] = false;
            events_.push_back({static_cast<DWORD>(dik), 0});
        }
    }
}

std::vector<DIDEVICEOBJECTDATA> TDIKeyboard::GetDeviceData() {
    std::lock_guard guard(lock_);
    std::vector<DIDEVICEOBJECTDATA> out(events_.begin(), events_.end());
    events_.clear();
    return out;
}

bool TDIKeyboard::IsHeld(int dik) const {
    std::lock_guard guard(lock_);
    return dik > 0 && dik < 256 && held_[static_cast<std::size_t>(dik)];
}
