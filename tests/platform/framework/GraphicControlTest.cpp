#include "platform/framework/Controls.h"

#include "GuiTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A control that clicks on release unless told to leave clicks to itself.
class Clickable : public TGraphicControl {
public:
    using TGraphicControl::SetClickEvents;
    using TGraphicControl::TGraphicControl;
};

void pressAndRelease(TControl* control) {
    QWidget* widget = vx::ControlWidget(control);
    const QPointF at(3, 3);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

} // namespace

TEST(GraphicControl, AReleaseClicksUnlessTheControlDecidesItsClicksItself) {
    vx::EnsureQtApplication();
    Clickable control(nullptr);
    control.SetBounds(0, 0, 20, 20);
    int clicks = 0, releases = 0;
    control.OnClick = [&](TObject*) { ++clicks; };
    control.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++releases; };
    pressAndRelease(&control);
    control.SetClickEvents(false);
    pressAndRelease(&control);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(releases, 2);
}
