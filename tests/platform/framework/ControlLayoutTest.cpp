// What controls keep against their parent (anchors, size limits, Tab order, inherited colour,
// hints and 3-D flag), and how a right click and the mouse wheel reach them.
#include "platform/framework/Controls.h"

#include "GuiTestSupport.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/PopupMenu.h"
#include "platform/framework/Published.h"
#include "platform/framework/StdCtrls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class ControlLayout : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override { delete form; }
    template <class T> T* place(TWinControl* parent, RECT bounds) {
        auto* control = new T(form);
        control->SetParent(parent);
        control->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        return control;
    }
    // A right click as the desktop delivers it: a press on the window at the control's point.
    void rightClick(TControl* control, POINT at) {
        QWidget* widget = vx::ControlWidget(control);
        QMouseEvent press(QEvent::MouseButtonPress, widget->mapTo(widget->window(), QPoint(at.x, at.y)),
                          widget->mapToGlobal(QPoint(at.x, at.y)), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget->window()->windowHandle(), &press);
    }
    TForm* form = nullptr;
};

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

} // namespace

TEST_F(ControlLayout, AnchorsKeepTheDistancesToTheirEdgesWhenTheParentIsResized) {
    const std::pair<TAnchors, RECT> cases[] = {
        {akLeft | akTop, {20, 10, 60, 30}},
        {akRight | akBottom, {120, 60, 160, 80}},
        {akLeft | akTop | akRight | akBottom, {20, 10, 160, 80}},
        {0, {40, 20, 80, 40}}, // the middle keeps its share of the parent
    };
    for (const auto& [anchors, afterGrowing] : cases) {
        auto* panel = place<TPanel>(form, {0, 0, 200, 100});
        auto* child = place<TPanel>(panel, {20, 10, 60, 30});
        child->SetAnchors(anchors);
        panel->SetBounds(0, 0, 300, 150);
        EXPECT_EQ(text(child->BoundsRect()), text(afterGrowing)) << anchors;
        panel->SetBounds(0, 0, 30, 15);
        panel->SetBounds(0, 0, 200, 100);
        EXPECT_EQ(text(child->BoundsRect()), "20,10,60,30") << "nothing drifts: " << anchors;
        delete panel;
    }
}

TEST_F(ControlLayout, ConstraintsBoundSetBoundsAndApplyAtOnce) {
    auto* panel = place<TPanel>(form, {0, 0, 80, 20});
    panel->SetConstraints({50, 0, 100, 30});
    EXPECT_EQ(panel->Height(), 20) << "within the limits already";
    panel->SetBounds(0, 0, 10, 80);
    EXPECT_EQ(text(panel->BoundsRect()), "0,0,50,30");
    panel->SetWidth(500);
    EXPECT_EQ(panel->Width(), 100);
    panel->Constraints().SetMaxWidth(40);
    EXPECT_EQ(panel->Width(), 40) << "a changed limit applies to the present size";
    EXPECT_EQ(panel->Constraints().MinWidth(), 40) << "and moves a minimum it crosses";
}

TEST_F(ControlLayout, TabOrderMovesTheFocusAndCountsFromZero) {
    auto* first = place<TEdit>(form, {10, 10, 100, 30});
    auto* second = place<TEdit>(form, {10, 40, 100, 60});
    auto* third = place<TEdit>(form, {10, 70, 100, 90});
    third->SetTabOrder(0);
    second->SetTabOrder(99);
    EXPECT_EQ(first->TabOrder(), 1);
    EXPECT_EQ(second->TabOrder(), 2) << "past the end is last";
    form->Show();
    third->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return third->Focused(); }));
    for (TEdit* next : {first, second}) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(QApplication::focusWidget(), &tab);
        EXPECT_TRUE(PumpUntil([&] { return next->Focused(); })) << next->TabOrder();
    }
}

TEST_F(ControlLayout, ColourHintsAndThe3DFlagFollowTheParentUntilSet) {
    const struct {
        const char *name, *parentName, *parents, *own;
    } cases[] = {{"Color", "ParentColor", "128", "255"},
                 {"ShowHint", "ParentShowHint", "True", "False"},
                 {"Ctl3D", "ParentCtl3D", "False", "True"}};
    const auto prop = [](TObject& object, const char* name) { return *GetPropInfo(object, name); };
    for (const auto& i : cases) {
        auto* panel = place<TPanel>(form, {0, 0, 200, 100});
        auto* child = place<TPanel>(panel, {0, 0, 50, 50});
        SetPropText(*child, prop(*child, i.parentName), "True");
        SetPropText(*panel, prop(*panel, i.name), i.parents);
        EXPECT_EQ(GetPropText(*child, prop(*child, i.name)), i.parents) << i.name;
        SetPropText(*child, prop(*child, i.name), i.own);
        EXPECT_EQ(GetPropText(*child, prop(*child, i.parentName)), "False") << i.name;
        SetPropText(*child, prop(*child, i.parentName), "True");
        EXPECT_EQ(GetPropText(*child, prop(*child, i.name)), i.parents) << i.name;
        delete panel;
    }
}

TEST_F(ControlLayout, ARightClickOpensThePopupMenuOfTheControlOrOfItsParent) {
    auto* panel = place<TPanel>(form, {0, 0, 200, 100});
    auto* inner = place<TPanel>(panel, {10, 10, 60, 60});
    TPopupMenu menu(form);
    menu.Items()->Add(new TMenuItem(form));
    int shown = 0;
    menu.OnPopup = [&](TObject*) {
        ++shown;
        QTimer::singleShot(0, [&] { menu.CloseMenu(); });
    };
    panel->SetPopupMenu(&menu);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return vx::ControlWidget(inner)->isVisible(); }));
    rightClick(inner, {5, 5});
    EXPECT_EQ(shown, 1) << "the inner panel has no menu: its parent's pops up";
    EXPECT_EQ(menu.PopupComponent(), panel);

    POINT reported{};
    inner->OnContextPopup = [&](TObject*, POINT at, bool& handled) {
        reported = at;
        handled = true;
    };
    inner->SetPopupMenu(&menu);
    rightClick(inner, {7, 8});
    EXPECT_EQ(shown, 1) << "a handled click opens nothing";
    EXPECT_EQ(reported.y, 8);
    inner->OnContextPopup = nullptr;
    rightClick(inner, {5, 5});
    EXPECT_EQ(menu.PopupComponent(), inner);
}

TEST_F(ControlLayout, TheWheelGoesToItsHandlersAndUnhandledOnToTheControl) {
    auto* panel = place<TPanel>(form, {0, 0, 200, 100});
    std::string seen;
    panel->OnMouseWheel = [&](TObject*, TShiftState, int delta, POINT, bool& handled) {
        seen += "wheel " + std::to_string(delta) + " ";
        handled = delta > 240;
    };
    panel->OnMouseWheelDown = [&](TObject*, TShiftState, POINT, bool&) { seen += "down "; };
    panel->OnMouseWheelUp = [&](TObject*, TShiftState, POINT at, bool& handled) {
        seen += "up at " + std::to_string(at.x) + " ";
        handled = true;
    };
    for (int delta : {-120, 120, 360}) {
        QWheelEvent turn(QPointF(5, 5), QPointF(55, 5), QPoint(), QPoint(0, delta), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(vx::ControlWidget(panel), &turn);
        EXPECT_EQ(turn.isAccepted(), delta > 0) << delta;
    }
    EXPECT_EQ(seen, "wheel -120 down wheel 120 up at 55 wheel 360 ");
}
