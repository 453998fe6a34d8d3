#include "toolkit/KXCtrls.h"

#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"
#include "tests/toolkit/PixelTarget.h"
#include "toolkit/kxUiUtils.h"

#include "platform/framework/QtBridge.h"
#include "tests/platform/framework/GuiTestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t black = 0x000000;

// A label whose protected parts the tests drive directly.
class TestLabel : public TKxLabel {
public:
    using TKxLabel::MouseDown;
    using TKxLabel::MouseEnter;
    using TKxLabel::MouseLeave;
    using TKxLabel::MouseUp;
    using TKxLabel::TKxLabel;

    // Paints onto target as the framework would while the control is shown.
    void PaintOn(PixelTarget& target) {
        Canvas().AttachBuffer(target.buffer());
        Canvas().Font().Assign(Font());
        Paint();
        Canvas().Detach();
    }
};

void sharpFont(TFont& font, TColor color) {
    font.SetName("Arial");
    font.SetHeight(-20);
    font.SetStyle(fsBold);
    font.SetColor(color);
    font.SetQuality(fqNonAntialiased);
}

RECT measured(const std::string& text, const TFont& font) {
    TCanvas canvas;
    canvas.Font().Assign(font);
    RECT rect{0, 0, 0, 0};
    canvas.DrawText(text, rect, DT_EXPANDTABS | DT_CALCRECT);
    return rect;
}

class KxLabelFixture : public ::testing::Test {
protected:
    void SetUp() override { form = new TForm(nullptr); }
    void TearDown() override {
        SetForegroundTaskProbe({});
        delete form;
    }
    TestLabel* place() {
        auto* label = new TestLabel(form);
        label->SetParent(form);
        sharpFont(label->Font(), static_cast<TColor>(RGB(255, 0, 0)));
        return label;
    }
    TForm* form = nullptr;
};

} // namespace

TEST(ShadowText, ShadowRectMovesTowardsItsCorner) {
    const RECT rect{10, 20, 30, 40};
    EXPECT_EQ(ShadowRect(rect, 2, spLeftTop), (RECT{8, 18, 28, 38}));
    EXPECT_EQ(ShadowRect(rect, 2, spLeftBottom), (RECT{8, 22, 28, 42}));
    EXPECT_EQ(ShadowRect(rect, 2, spRightBottom), (RECT{12, 22, 32, 42}));
    EXPECT_EQ(ShadowRect(rect, 2, spRightTop), (RECT{12, 18, 32, 38}));
    EXPECT_EQ(ShadowRect(rect, 0, spRightTop), rect);
}

TEST(ShadowText, MeasuringCoversBothPassesAndAddsTheShadowToTheHeight) {
    TCanvas canvas;
    sharpFont(canvas.Font(), clRed);
    RECT text = measured("VORT", canvas.Font());

    RECT rect{10, 10, 10, 10};
    int height = DrawShadowText(canvas, "VORT", rect, DT_CALCRECT, 2, white, spLeftTop);
    EXPECT_EQ(rect, (RECT{8, 8, 10 + text.right, 10 + text.bottom}));
    EXPECT_EQ(height, text.bottom + 2);

    rect = RECT{10, 10, 10, 10};
    DrawShadowText(canvas, "VORT", rect, DT_CALCRECT, 3, white, spRightBottom);
    EXPECT_EQ(rect, (RECT{10, 10, 13 + text.right, 13 + text.bottom}));
    EXPECT_EQ(canvas.Font().Color(), clRed) << "the font colour is restored";
}

TEST(ShadowText, ShadowIsDrawnShiftedUnderTheText) {
    PixelTarget target(120, 60);
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    sharpFont(canvas.Font(), static_cast<TColor>(RGB(255, 0, 0)));
    canvas.Brush().SetStyle(bsClear);
    RECT rect{20, 10, 110, 50};
    DrawShadowText(canvas, "AMIX", rect, DT_LEFT, 3, white, spRightBottom);
    canvas.Detach();

    RECT text = target.boundsOf(red);
    RECT shadow = target.boundsOf(white);
    ASSERT_GT(target.count(red), 0);
    ASSERT_GT(target.count(white), 0);
    EXPECT_EQ(shadow.right, text.right + 3);
    EXPECT_EQ(shadow.bottom, text.bottom + 3);
    EXPECT_GE(text.left, 20);
}

TEST_F(KxLabelFixture, NewLabelHasTheDocumentedDefaults) {
    auto* label = new TKxLabel(form);
    EXPECT_EQ(label->Width(), 65);
    EXPECT_EQ(label->Height(), 17);
    EXPECT_TRUE(label->AutoSize());
    EXPECT_TRUE(label->ShowAccelChar());
    EXPECT_EQ(label->ShadowColor(), clBtnHighlight);
    EXPECT_EQ(label->ShadowSize(), 1);
    EXPECT_EQ(label->ShadowPos(), spLeftTop);
    EXPECT_FALSE(label->Transparent());
    EXPECT_EQ(label->Layout(), tlTop);
    EXPECT_EQ(label->Alignment(), taLeftJustify);
    EXPECT_EQ(label->ClassName(), "TKxLabel");
    EXPECT_EQ(label->ClassParentName(), "TKxCustomLabel");
}

TEST_F(KxLabelFixture, AutoSizeFitsTheCaptionPlusOnePixelEachSide) {
    TKxLabel* label = place();
    label->SetCaption("VORT");
    RECT text = measured("VORT", label->Font());
    EXPECT_EQ(label->Width(), text.right + 2);
    EXPECT_EQ(label->Height(), text.bottom);

    label->SetShadowSize(4);
    label->SetShadowPos(spRightBottom);
    label->SetAutoSize(true);
    EXPECT_EQ(label->Width(), text.right + 2 + 4) << "a shadow to the right widens the label";
    EXPECT_EQ(label->Height(), text.bottom + 4);
}

TEST_F(KxLabelFixture, EmptyCaptionKeepsOneLineAndALoneAmpersandKeepsAWidth) {
    TKxLabel* label = place();
    label->SetCaption("x");
    label->SetCaption("");
    RECT blank = measured(" ", label->Font());
    EXPECT_EQ(label->Height(), blank.bottom);
    EXPECT_GT(label->Height(), 0);

    label->SetCaption("&");
    RECT ampersand = measured("& ", label->Font());
    EXPECT_EQ(label->Width(), ampersand.right + 2);
    EXPECT_GT(label->Width(), 2);
}

TEST_F(KxLabelFixture, RightAlignedAutoSizedLabelKeepsItsRightEdge) {
    TKxLabel* label = place();
    label->SetAlignment(taRightJustify);
    label->SetCaption("Go");
    label->SetLeft(200 - label->Width());
    label->SetCaption("Gone further");
    EXPECT_EQ(label->Left() + label->Width(), 200);
    EXPECT_LT(label->Left(), 200 - measured("Go", label->Font()).right);
}

TEST_F(KxLabelFixture, MarginsWidenTheLabelAndNeverGoNegative) {
    TKxLabel* label = place();
    label->SetCaption("Mine");
    int plain = label->Width();
    label->SetLeftMargin(5);
    label->SetRightMargin(7);
    EXPECT_EQ(label->Width(), plain + 12);
    label->SetLeftMargin(-3);
    EXPECT_EQ(label->LeftMargin(), 0);
    EXPECT_EQ(label->Width(), plain + 7);
}

TEST_F(KxLabelFixture, OpaqueLabelFillsItsColourAndTransparentOneDoesNot) {
    TestLabel* label = place();
    label->SetCaption("VORT");
    label->SetColor(static_cast<TColor>(RGB(0, 0, 255)));
    PixelTarget opaque(label->Width(), label->Height(), 0x123456);
    label->PaintOn(opaque);
    EXPECT_EQ(opaque.at(0, 0), 0x0000FFu);

    label->SetTransparent(true);
    PixelTarget see(label->Width(), label->Height(), 0x123456);
    label->PaintOn(see);
    EXPECT_EQ(see.at(0, 0), 0x123456u);
    EXPECT_GT(see.count(red), 0);
}

TEST_F(KxLabelFixture, DisabledLabelWithoutShadowIsEngravedToTheLowerRight) {
    TestLabel* label = place();
    label->SetShadowSize(0);
    label->SetTransparent(true);
    label->SetCaption("AMIX");
    label->SetEnabled(false);
    PixelTarget target(label->Width() + 4, label->Height() + 4, black);
    label->PaintOn(target);

    std::uint32_t grey = ColorToRGB(clGrayText) & 0xFFFFFF;
    std::uint32_t highlight = ColorToRGB(clBtnHighlight) & 0xFFFFFF;
    std::uint32_t rgbGrey = ((grey & 0xFF) << 16) | (grey & 0xFF00) | (grey >> 16);
    std::uint32_t rgbHighlight = ((highlight & 0xFF) << 16) | (highlight & 0xFF00) | (highlight >> 16);
    ASSERT_GT(target.count(rgbGrey), 0);
    EXPECT_EQ(target.count(red), 0) << "no text in the font colour";
    EXPECT_EQ(target.boundsOf(rgbHighlight).right, target.boundsOf(rgbGrey).right + 1);
    EXPECT_EQ(target.boundsOf(rgbHighlight).bottom, target.boundsOf(rgbGrey).bottom + 1);
}

TEST_F(KxLabelFixture, EnabledLabelWithoutShadowDrawsTheTextTwiceInPlace) {
    TestLabel* label = place();
    label->SetShadowSize(0);
    label->SetShadowColor(clWhite);
    label->SetTransparent(true);
    label->SetCaption("AMIX");
    PixelTarget target(label->Width(), label->Height(), black);
    label->PaintOn(target);
    EXPECT_GT(target.count(red), 0);
    EXPECT_EQ(target.count(white), 0) << "the text covers its shadow exactly";
}

TEST_F(KxLabelFixture, LayoutPlacesTheTextAtTheBottomOrTheMiddle) {
    TestLabel* label = place();
    label->SetTransparent(true);
    label->SetShadowSize(0);
    label->SetCaption("Mid");
    label->SetAutoSize(false);
    label->SetHeight(label->Height() + 40);
    PixelTarget top(label->Width(), label->Height(), black);
    label->PaintOn(top);
    label->SetLayout(tlBottom);
    PixelTarget bottom(label->Width(), label->Height(), black);
    label->PaintOn(bottom);
    label->SetLayout(tlCenter);
    PixelTarget center(label->Width(), label->Height(), black);
    label->PaintOn(center);

    EXPECT_EQ(bottom.boundsOf(red).top, top.boundsOf(red).top + 40);
    EXPECT_EQ(center.boundsOf(red).top, top.boundsOf(red).top + 20);
}

TEST_F(KxLabelFixture, MouseEventsFollowTheForegroundAndDragging) {
    TestLabel* label = place();
    int entered = 0;
    int left = 0;
    label->OnMouseEnter = [&](TObject* sender) {
        EXPECT_EQ(sender, label);
        ++entered;
    };
    label->OnMouseLeave = [&](TObject*) { ++left; };

    label->MouseEnter();
    EXPECT_EQ(entered, 0) << "another application is active";
    label->MouseLeave();

    SetForegroundTaskProbe([] { return true; });
    label->MouseEnter();
    EXPECT_EQ(entered, 1);
    EXPECT_TRUE(label->MouseInControl());
    label->MouseDown(mbLeft, ssLeft, 1, 1);
    label->MouseLeave();
    EXPECT_EQ(left, 0) << "no leave while the button is held";
    label->MouseUp(mbLeft, 0, 1, 1);
    EXPECT_EQ(left, 1) << "releasing outside ends the stay";
    EXPECT_FALSE(label->MouseInControl());

    label->MouseEnter();
    static_cast<TControl*>(label)->SetEnabled(false);
    EXPECT_EQ(left, 2) << "disabling the label, as any control, ends the stay";
    label->MouseEnter();
    EXPECT_EQ(entered, 2) << "a disabled label is never entered";
}

TEST_F(KxLabelFixture, AcceleratorMovesTheFocusOnlyWhenItCan) {
    TestLabel* label = place();
    auto* target = new TButton(form); // parentless, so it can take the focus without a shown form
    label->SetCaption("&Name");
    EXPECT_FALSE(label->DialogChar('n')) << "no focus control";

    label->SetFocusControl(target);
    EXPECT_TRUE(label->DialogChar('n'));
    EXPECT_TRUE(label->DialogChar('N'));
    EXPECT_FALSE(label->DialogChar('a'));
    label->SetCaption("Fish && &Chips");
    EXPECT_FALSE(label->DialogChar(' '));
    EXPECT_TRUE(label->DialogChar('c'));

    label->SetShowAccelChar(false);
    EXPECT_FALSE(label->DialogChar('c'));
    label->SetShowAccelChar(true);
    target->SetEnabled(false);
    EXPECT_FALSE(label->DialogChar('c')) << "a control that cannot take the focus";
    target->SetEnabled(true);
    label->SetEnabled(false);
    EXPECT_FALSE(label->DialogChar('c'));
}

TEST_F(KxLabelFixture, AltAndTheAcceleratorFocusesTheLabelsControlInsteadOfTypingIntoTheEdit) {
    TestLabel* label = place();
    auto* target = new TButton(form);
    target->SetParent(form);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    label->SetCaption("&Name");
    label->SetFocusControl(target);
    form->Show();
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(PumpUntil([&] { return target->Focused(); }));
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(KxLabelFixture, FreeingTheFocusControlClearsTheReference) {
    TestLabel* label = place();
    auto* target = new TButton(form);
    target->SetParent(form);
    label->SetFocusControl(target);
    delete target;
    EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(KxLabelFixture, FocusRectangleIsDrawnOnlyWhileTheFocusControlHasTheFocus) {
    TestLabel* label = place();
    auto* target = new TButton(form);
    target->SetParent(form);
    auto* other = new TButton(form);
    other->SetParent(form);
    other->SetTop(40);
    label->SetTransparent(true);
    label->SetShadowSize(0);
    label->SetCaption("Name");
    label->SetFocusControl(target);
    label->SetShowFocus(true);

    form->Show();
    PixelTarget unfocused(label->Width(), label->Height(), white);
    label->PaintOn(unfocused);
    target->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return target->Focused(); }));
    PixelTarget focused(label->Width(), label->Height(), white);
    label->PaintOn(focused);
    other->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return other->Focused(); }));
    PixelTarget after(label->Width(), label->Height(), white);
    label->PaintOn(after);

    EXPECT_EQ(unfocused.at(0, 0), white);
    EXPECT_NE(focused.bits, unfocused.bits);
    EXPECT_EQ(after.bits, unfocused.bits);
}
