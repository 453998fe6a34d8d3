#pragma once
// Platform-internal: the Qt widgets behind the controls and the way their events reach
// the controls. Every call into a control's handlers goes through vx::Guarded.
#include "platform/framework/Controls.h"
#include "platform/framework/QtBridge.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QShowEvent>
#include <QWheelEvent>
#include <QWidget>
#include <utility>

namespace vx {

// Links a widget to its control; cleared when the control starts to go away.
struct ControlLink {
    TControl* control = nullptr;
    bool clickOnRelease = false; // widgets without a clicked signal of their own
    bool paintsCanvas = false;   // the control paints itself through its Canvas
    virtual ~ControlLink() = default;
};

ControlLink* LinkOf(QWidget* widget);
TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// The virtual key code of a Qt key, 0 for keys the program has no code for.
WORD VirtualKeyOf(int qtKey);
int QtKeyOf(WORD virtualKey);
Qt::CursorShape CursorShapeOf(TCursor cursor);
// The cursor a control or the screen shows for a cursor number (Screen->Cursors).
QCursor QCursorOf(TCursor cursor);

struct ControlEvents {
    static void mouseDown(QWidget* widget, QMouseEvent* event);
    static void mouseUp(QWidget* widget, QMouseEvent* event);
    static void mouseMove(QWidget* widget, QMouseEvent* event);
    static void doubleClick(QWidget* widget);
    static void mouseEnter(QWidget* widget, bool entered);
    static void click(TControl* control);
    static void paint(QWidget* widget);
    static void resized(QWidget* widget);
    // The widget is about to be shown: a windowed control's window comes into being.
    static void shown(QWidget* widget);
    // True when the control handled the key.
    static bool keyDown(QWidget* widget, QKeyEvent* event);
    static bool keyUp(QWidget* widget, QKeyEvent* event);
    static void focusIn(QWidget* widget);
    static void focusOut(QWidget* widget);
    // A right click or the menu key: true when the control or its popup menu took it.
    static bool contextPopup(QWidget* widget, QContextMenuEvent* event);
    // True when a wheel event's handler took the turn.
    static bool mouseWheel(QWidget* widget, QWheelEvent* event);
};

template <class Base> class Widget : public Base, public ControlLink {
public:
    template <class... Args>
    explicit Widget(TControl* owner, Args&&... args) : Base(std::forward<Args>(args)...) {
        control = owner;
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        Base::mousePressEvent(event);
        ControlEvents::mouseDown(this, event);
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        Base::mouseReleaseEvent(event);
        ControlEvents::mouseUp(this, event);
        if (clickOnRelease && control && event->button() == Qt::LeftButton &&
            this->rect().contains(event->position().toPoint()))
            ControlEvents::click(control);
        event->accept();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        Base::mouseMoveEvent(event);
        ControlEvents::mouseMove(this, event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        Base::mouseDoubleClickEvent(event);
        ControlEvents::doubleClick(this);
    }
    void enterEvent(QEnterEvent* event) override {
        Base::enterEvent(event);
        ControlEvents::mouseEnter(this, true);
    }
    void leaveEvent(QEvent* event) override {
        Base::leaveEvent(event);
        ControlEvents::mouseEnter(this, false);
    }
    void paintEvent(QPaintEvent* event) override {
        if (paintsCanvas)
            ControlEvents::paint(this);
        else
            Base::paintEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override {
        Base::resizeEvent(event);
        ControlEvents::resized(this);
    }
    void showEvent(QShowEvent* event) override {
        ControlEvents::shown(this);
        Base::showEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (!ControlEvents::keyDown(this, event)) Base::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (!ControlEvents::keyUp(this, event)) Base::keyReleaseEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        Base::focusInEvent(event);
        ControlEvents::focusIn(this);
    }
    void focusOutEvent(QFocusEvent* event) override {
        Base::focusOutEvent(event);
        ControlEvents::focusOut(this);
    }
    void wheelEvent(QWheelEvent* event) override {
        if (ControlEvents::mouseWheel(this, event))
            event->accept();
        else
            Base::wheelEvent(event);
    }
    // Unhandled, the widget's own menu (an edit's) shows, or the parent hears of it.
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (ControlEvents::contextPopup(this, event))
            event->accept();
        else
            Base::contextMenuEvent(event);
    }
};

} // namespace vx
