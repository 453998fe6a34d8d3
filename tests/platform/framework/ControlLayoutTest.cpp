// What controls take from their parent and keep against it: anchors, size constraints, the
// order of Tab key moves, inherited colour, hints and 3-D flag.
#include "platform/framework/Controls.h"

#include "GuiTestSupport.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/StdCtrls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
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
    TForm* form = nullptr;
};

struct AnchorCase {
    TAnchors anchors;
    RECT afterGrowing; // the parent grows from 200 x 100 to 300 x 150
};

TEST_F(ControlLayout, AnchorsKeepTheDistancesToTheirEdgesWhenTheParentIsResized) {
    const AnchorCase cases[] = {
        {akLeft | akTop, {20, 10, 60, 30}},
        {akRight | akBottom, {120, 60, 160, 80}},
        {akLeft | akTop | akRight | akBottom, {20, 10, 160, 80}},
        {0, {40, 20, 80, 40}}, // the middle keeps its share of the parent
    };
    for (const AnchorCase& c : cases) {
        auto* panel = place<TPanel>(form, {0, 0, 200, 100});
        auto* child = place<TPanel>(panel, {20, 10, 60, 30});
        child->SetAnchors(c.anchors);
        panel->SetBounds(0, 0, 300, 150);
        const RECT grown = child->BoundsRect();
        EXPECT_EQ(grown.left, c.afterGrowing.left) << c.anchors;
        EXPECT_EQ(grown.top, c.afterGrowing.top) << c.anchors;
        EXPECT_EQ(grown.right, c.afterGrowing.right) << c.anchors;
        EXPECT_EQ(grown.bottom, c.afterGrowing.bottom) << c.anchors;
        panel->SetBounds(0, 0, 30, 15);
        panel->SetBounds(0, 0, 200, 100);
        EXPECT_EQ(child->Left(), 20) << "back at its size, nothing has drifted: " << c.anchors;
        EXPECT_EQ(child->Width(), 40) << c.anchors;
        delete panel;
    }
}

TEST_F(ControlLayout, ConstraintsBoundSetBoundsAndApplyAtOnce) {
    auto* panel = place<TPanel>(form, {0, 0, 80, 20});
    panel->SetConstraints({50, 0, 100, 30});
    EXPECT_EQ(panel->Height(), 20) << "within the limits already";
    panel->SetBounds(0, 0, 10, 80);
    EXPECT_EQ(panel->Width(), 50);
    EXPECT_EQ(panel->Height(), 30);
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
    EXPECT_EQ(third->TabOrder(), 2);
    third->SetTabOrder(0);
    second->SetTabOrder(99);
    EXPECT_EQ(third->TabOrder(), 0);
    EXPECT_EQ(first->TabOrder(), 1);
    EXPECT_EQ(second->TabOrder(), 2) << "past the end is last";
    EXPECT_EQ(TEdit(nullptr).TabOrder(), -1) << "no parent";

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
    auto* panel = place<TPanel>(form, {0, 0, 200, 100});
    auto* child = place<TPanel>(panel, {0, 0, 50, 50});
    child->SetParentColor(true);
    panel->SetColor(clNavy);
    panel->SetShowHint(true);
    panel->SetCtl3D(false);
    EXPECT_EQ(child->Color(), clNavy);
    EXPECT_TRUE(child->ShowHint());
    EXPECT_FALSE(child->Ctl3D());

    child->SetColor(clRed);
    child->SetShowHint(false);
    child->SetCtl3D(true);
    panel->SetColor(clGreen);
    panel->SetShowHint(false);
    panel->SetShowHint(true);
    panel->SetCtl3D(false);
    EXPECT_EQ(child->Color(), clRed);
    EXPECT_FALSE(child->ParentColor());
    EXPECT_FALSE(child->ShowHint());
    EXPECT_FALSE(child->ParentShowHint());
    EXPECT_TRUE(child->Ctl3D());
    EXPECT_FALSE(child->ParentCtl3D());

    child->SetParentColor(true);
    child->SetParentShowHint(true);
    child->SetParentCtl3D(true);
    EXPECT_EQ(child->Color(), clGreen);
    EXPECT_TRUE(child->ShowHint());
    EXPECT_FALSE(child->Ctl3D());
}

} // namespace
