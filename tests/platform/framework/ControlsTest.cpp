// How controls look when they cannot be used: every kind of control, disabled itself or
// through its parent, draws its text greyed, whatever font colour the program gave it; and
// how a right click and the mouse wheel reach a control.
#include "platform/framework/Controls.h"

#include "GuiTestSupport.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/PopupMenu.h"
#include "platform/framework/StdCtrls.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

struct ControlKind {
    const char* name;
    std::function<TControl*(TForm*)> make;
};

template <class T> TControl* captioned(TForm* form) {
    auto* control = new T(form);
    control->SetCaption("MMMMMM");
    return control;
}

TControl* listWithText(TForm* form) {
    auto* box = new TComboBox(form);
    box->SetStyle(csDropDownList);
    box->Items()->Add("MMMMMM");
    box->SetItemIndex(0);
    return box;
}

const ControlKind kinds[] = {
    {"button", captioned<TButton>},
    {"check box", captioned<TCheckBox>},
    {"radio button", captioned<TRadioButton>},
    {"group box", captioned<TGroupBox>},
    {"label", captioned<TLabel>},
    {"combo box", listWithText},
};

// Pixels of the control's picture that show the font colour (pure red, which no style
// draws on its own).
int fontColoured(TControl* control) {
    PumpUntil([] { return false; }, 30);
    const QImage picture = vx::ControlWidget(control)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            count += qRed(pixel) > 180 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
        }
    return count;
}

class DisabledLook : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        form->Show();
    }
    void TearDown() override { form->Free(); }
    TControl* place(const ControlKind& kind, TWinControl* parent) {
        TControl* control = kind.make(form);
        control->SetParent(parent);
        control->SetBounds(10, 20, 160, 40);
        control->Font().SetSize(14);
        control->Font().SetColor(clRed);
        return control;
    }
    TForm* form = nullptr;
};

} // namespace

TEST_F(DisabledLook, EveryKindOfControlGreysItsTextWhenDisabled) {
    for (const ControlKind& kind : kinds) {
        TControl* control = place(kind, form);
        EXPECT_GT(fontColoured(control), 20) << kind.name << " shows its text in the font colour";
        control->SetEnabled(false);
        EXPECT_EQ(fontColoured(control), 0) << kind.name << " still looks usable";
        control->SetEnabled(true);
        EXPECT_GT(fontColoured(control), 20) << kind.name << " enabled again";
        control->Free();
    }
}

TEST_F(DisabledLook, AControlInADisabledParentLooksDisabledToo) {
    auto* group = new TGroupBox(form);
    group->SetParent(form);
    group->SetBounds(0, 0, 300, 200);
    for (const ControlKind& kind : kinds) {
        TControl* control = place(kind, group);
        group->SetEnabled(false);
        EXPECT_TRUE(control->Enabled()) << "the control's own state stays";
        EXPECT_EQ(fontColoured(control), 0) << kind.name;
        group->SetEnabled(true);
        EXPECT_GT(fontColoured(control), 20) << kind.name;
        control->Free();
    }
}

namespace {

class ControlInput : public ::testing::Test {
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
        const QPoint inWindow = widget->mapTo(widget->window(), QPoint(at.x, at.y));
        QMouseEvent press(QEvent::MouseButtonPress, inWindow, widget->mapToGlobal(QPoint(at.x, at.y)),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget->window()->windowHandle(), &press);
    }
    TForm* form = nullptr;
};

} // namespace

TEST_F(ControlInput, ARightClickOpensThePopupMenuOfTheControlOrOfItsParent) {
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
    EXPECT_EQ(reported.x, 7);
    EXPECT_EQ(reported.y, 8);

    inner->OnContextPopup = nullptr;
    rightClick(inner, {5, 5});
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(menu.PopupComponent(), inner);
}

TEST_F(ControlInput, TheWheelGoesToItsHandlersAndUnhandledOnToTheControl) {
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
