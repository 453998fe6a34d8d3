#pragma once
// Mouse clicks on a list box as the desktop sends them: to the viewport of its scroll area,
// at client coordinates. Shared by the framework's list box tests and the toolkit's.
#include "platform/framework/Controls.h"
#include "platform/framework/QtBridge.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>

namespace listbox_test {

inline QWidget* viewportOf(TControl* control) {
    return static_cast<QAbstractScrollArea*>(vx::ControlWidget(control))->viewport();
}

inline void click(TControl* control, int x, int y, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* viewport = viewportOf(control);
    const QPointF at(x, y);
    QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, modifiers);
    QApplication::sendEvent(viewport, &press);
    QApplication::sendEvent(viewport, &release);
}

} // namespace listbox_test
