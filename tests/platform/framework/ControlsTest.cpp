// How controls look when they cannot be used: every kind of control, disabled itself or
// through its parent, draws its text greyed, whatever font colour the program gave it.
#include "platform/framework/Controls.h"

#include "GuiTestSupport.h"
#include "platform/framework/StdCtrls.h"

#include <QImage>
#include <QWidget>
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
