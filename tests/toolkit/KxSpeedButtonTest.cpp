#include "toolkit/KxSpeedButton.h"

#include "platform/framework/ExtCtrls.h"
#include "platform/framework/ImgList.h"
#include "platform/framework/StdCtrls.h"
#include "platform/kernel/Clock.h"
#include "tests/toolkit/ListBoxTestSupport.h"
#include "toolkit/kxUiUtils.h"

#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

using namespace listbox_test;

namespace {

QWidget* widgetOf(TControl* control) {
    return vx::ControlWidget(control);
}

void mouse(TControl* control, QEvent::Type type, int x, int y, Qt::MouseButtons held) {
    QWidget* widget = widgetOf(control);
    const QPointF at(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void press(TControl* control, int x = 5, int y = 5) {
    mouse(control, QEvent::MouseButtonPress, x, y, Qt::LeftButton);
}
void release(TControl* control, int x = 5, int y = 5) {
    mouse(control, QEvent::MouseButtonRelease, x, y, Qt::NoButton);
}
void move(TControl* control, int x, int y) {
    mouse(control, QEvent::MouseMove, x, y, Qt::LeftButton);
}
void clickOn(TControl* control) {
    press(control);
    release(control);
}

// The control as it paints now.
QImage shot(TControl* control) {
    return widgetOf(control)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

DWORD pixel(const QImage& image, int x, int y) {
    const QRgb rgb = image.pixel(x, y);
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

std::unique_ptr<TBitmap> square(int size, TColor color) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(size, size);
    bitmap->Canvas().Brush().SetColor(clFuchsia);
    bitmap->Canvas().FillRect({0, 0, size, size});
    bitmap->Canvas().Brush().SetColor(color);
    bitmap->Canvas().FillRect({2, 2, size - 2, size - 2});
    return bitmap;
}

class SpeedButtonFixture : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        button = make(10, 10);
    }
    TKxSpeedButton* make(int left, int top) {
        auto* b = place<TKxSpeedButton>(left, top, 40, 30);
        b->OnClick = [this, b](TObject*) { clicks.push_back(b); };
        return b;
    }
    int clicksOf(TKxSpeedButton* b) const {
        return static_cast<int>(std::count(clicks.begin(), clicks.end(), b));
    }
    // Gives the button menu, holding one entry, as its drop-down menu and shows the form.
    void showWithDropDownMenu(TPopupMenu& menu) {
        auto* item = new TMenuItem(&menu);
        item->SetCaption("Entry");
        menu.Items()->Add(item);
        button->SetDropDownMenu(&menu);
        form->Show();
    }
    TKxSpeedButton* button = nullptr;
    std::vector<TKxSpeedButton*> clicks;
};

} // namespace

TEST_F(SpeedButtonFixture, AClickIsAPressAndAReleaseOnTheButton) {
    clickOn(button);
    EXPECT_EQ(clicksOf(button), 1) << "once, not again by the framework";
    press(button);
    EXPECT_EQ(button->State(), kbsDown);
    move(button, 100, 100);
    EXPECT_EQ(button->State(), kbsUp) << "dragged off the button";
    release(button, 100, 100);
    EXPECT_EQ(clicksOf(button), 1) << "released off the button: no click";
    EXPECT_FALSE(button->Down()) << "an ungrouped button never stays down";
}

TEST_F(SpeedButtonFixture, GroupedButtonsStayDownAndRaiseEachOther) {
    TKxSpeedButton* other = make(60, 10);
    button->SetGroupIndex(1);
    other->SetGroupIndex(1);
    clickOn(button);
    EXPECT_TRUE(button->Down());
    clickOn(other);
    EXPECT_TRUE(other->Down());
    EXPECT_FALSE(button->Down()) << "pressing the second raises the first";
    clickOn(other);
    EXPECT_TRUE(other->Down()) << "the last down button stays down";
    EXPECT_EQ(clicks.size(), 3u);
    other->SetAllowAllUp(true);
    EXPECT_TRUE(button->AllowAllUp()) << "the group takes the setting";
    clickOn(other);
    EXPECT_FALSE(other->Down());
    button->SetGroupIndex(0);
    button->SetDown(true);
    EXPECT_FALSE(button->Down());
}

TEST_F(SpeedButtonFixture, HeldDownItRepeatsAfterThePauseAndAtTheInterval) {
    ScopedTestClock clock(1000);
    button->SetAllowTimer(true);
    press(button);
    const auto at = [&](DWORD ms) {
        clock.clock().Set(1000 + ms);
        RunDueTimers();
        return clicksOf(button);
    };
    EXPECT_EQ(at(499), 0);
    EXPECT_EQ(at(500), 1);
    EXPECT_EQ(at(599), 1);
    EXPECT_EQ(at(600), 2);
    EXPECT_EQ(at(700), 3);
    move(button, 200, 5);
    EXPECT_EQ(at(800), 3) << "not while the pointer is off the button";
    move(button, 5, 5);
    EXPECT_EQ(at(900), 4);
    release(button);
    EXPECT_EQ(clicksOf(button), 5) << "the release clicks once more";
    EXPECT_EQ(at(2000), 5) << "and stops the repetition";
}

TEST_F(SpeedButtonFixture, AClickThatClosesTheDropDownMenuDoesNotPressAgain) {
    TPopupMenu menu(nullptr);
    showWithDropDownMenu(menu);
    int shown = 0;
    menu.OnPopup = [&](TObject*) {
        ++shown;
        QTimer::singleShot(0, [&] {
            // The user clicks the button again while the menu is up: the click closes it.
            QWidget* popup = QApplication::activePopupWidget();
            ASSERT_NE(popup, nullptr);
            press(button);
            release(button);
            popup->close();
        });
    };
    press(button);
    release(button);
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(clicks.empty()) << "a button with a menu that pops up by itself does not click";
    EXPECT_EQ(button->State(), kbsUp);
}

TEST_F(SpeedButtonFixture, TheMenuDropsBelowOrBesideTheButton) {
    TPopupMenu menu(nullptr);
    showWithDropDownMenu(menu);
    PumpUntil([&] { return widgetOf(button)->isVisible(); });
    QPoint shownAt;
    menu.OnPopup = [&](TObject*) {
        QTimer::singleShot(0, [&] {
            shownAt = QApplication::activePopupWidget()->pos();
            menu.CloseMenu();
        });
    };
    const POINT origin = button->ClientToScreen({0, 0});
    EXPECT_TRUE(button->CheckBtnMenuDropDown());
    EXPECT_EQ(shownAt, QPoint(origin.x - 1, origin.y + 30));
    button->SetMenuPosition(dmpRight);
    button->CheckBtnMenuDropDown();
    EXPECT_EQ(shownAt, QPoint(origin.x + 40, origin.y - 1));
}

TEST_F(SpeedButtonFixture, AFlatButtonRisesUnderTheMouseAndIsGreyUntilThen) {
    SetForegroundTaskProbe([] { return true; });
    button->SetFlat(true);
    button->SetGlyph(square(12, clRed).get());
    form->Show();
    PumpUntil([&] { return widgetOf(button)->isVisible(); });
    QImage before = shot(button);
    EXPECT_EQ(pixel(before, 0, 0), ColorToRGB(clBtnFace)) << "no frame";
    int red = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            red += pixel(before, x, y) == RGB(255, 0, 0);
    EXPECT_EQ(red, 0) << "the picture is grey";
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(widgetOf(button), &enter);
    EXPECT_TRUE(button->MouseInControl());
    QImage over = shot(button);
    EXPECT_EQ(pixel(over, 0, 0), ColorToRGB(clBtnHighlight)) << "the raised frame";
    EXPECT_EQ(pixel(over, 20, 15), RGB(255, 0, 0));
    button->SetGrayedInactive(false);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widgetOf(button), &leave);
    EXPECT_EQ(pixel(shot(button), 20, 15), RGB(255, 0, 0)) << "not grey without GrayedInactive";
    // Without a probe the application answers whether it is in the foreground.
    SetForegroundTaskProbe({});
    widgetOf(form)->activateWindow();
    ASSERT_TRUE(PumpUntil([] { return Application->Active(); }));
    QApplication::sendEvent(widgetOf(button), &enter);
    EXPECT_TRUE(button->MouseInControl());
}

TEST_F(SpeedButtonFixture, FramesOfUpAndDownButtons) {
    form->Show();
    PumpUntil([&] { return widgetOf(button)->isVisible(); });
    QImage up = shot(button);
    EXPECT_EQ(pixel(up, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(pixel(up, 39, 29), ColorToRGB(clWindowFrame));
    EXPECT_EQ(pixel(up, 38, 28), ColorToRGB(clBtnShadow));
    button->SetGroupIndex(2);
    button->SetDown(true);
    QImage down = shot(button);
    EXPECT_EQ(pixel(down, 0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(pixel(down, 1, 1), ColorToRGB(clBtnShadow));
    // Inside, the held-down pattern of face and highlight.
    EXPECT_NE(pixel(down, 10, 10), pixel(down, 11, 10));
    button->SetStyle(bsWin31);
    QImage old = shot(button);
    EXPECT_EQ(pixel(old, 0, 0), ColorToRGB(clWindowFrame));
}

TEST_F(SpeedButtonFixture, SevenPicturesAreFiveAndAMarginBelowMinusOneIsIgnored) {
    button->SetNumGlyphs(7);
    EXPECT_EQ(button->NumGlyphs(), 5);
    button->SetMargin(-5);
    EXPECT_EQ(button->Margin(), -1);
    button->SetMargin(3);
    EXPECT_EQ(button->Margin(), 3);
}

TEST_F(SpeedButtonFixture, AClickGivesTheFormItsModalResult) {
    button->SetModalResult(mrOk);
    clickOn(button);
    EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(SpeedButtonFixture, TheProgramPressesTheButtonLikeTheUser) {
    ScopedTestClock clock(0, true);
    button->ButtonClick();
    EXPECT_EQ(clicksOf(button), 1);
    EXPECT_EQ(button->State(), kbsUp);
    button->SetGroupIndex(3);
    button->ButtonClick();
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(clicksOf(button), 2);
    button->SetEnabled(false);
    button->ButtonClick();
    EXPECT_EQ(clicksOf(button), 2);
}

TEST_F(SpeedButtonFixture, ADoubleClickCountsOnADownButtonOnly) {
    int doubles = 0;
    button->OnDblClick = [&](TObject*) { ++doubles; };
    QWidget* widget = widgetOf(button);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &twice);
    release(button);
    EXPECT_EQ(doubles, 0);
    button->SetGroupIndex(1);
    button->SetDown(true);
    QApplication::sendEvent(widget, &twice);
    release(button);
    EXPECT_EQ(doubles, 1);
}

TEST_F(SpeedButtonFixture, AltAndTheAcceleratorClickTheButtonInsteadOfTypingIntoTheEdit) {
    struct Case {
        const char* where;
        bool inPanel, buttonEnabled, panelEnabled, panelVisible, clicks;
    };
    button->SetCaption("&Go");
    auto* panel = place<TPanel>(60, 10, 100, 40);
    auto* edit = place<TEdit>(10, 60, 100, 24);
    form->Show();
    const Case cases[] = {
        {"on the form", false, true, true, true, true},
        {"disabled", false, false, true, true, false},
        {"in a panel", true, true, true, true, true},
        {"in a disabled panel", true, true, false, true, false},
        {"in a hidden panel", true, true, true, false, false},
    };
    for (const Case& c : cases) {
        button->SetParent(c.inPanel ? static_cast<TWinControl*>(panel) : form);
        button->SetEnabled(c.buttonEnabled);
        panel->SetEnabled(c.panelEnabled);
        panel->SetVisible(c.panelVisible);
        edit->SetText("");
        edit->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); })) << c.where;
        const int before = clicksOf(button);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_G, Qt::AltModifier);
        EXPECT_EQ(clicksOf(button) - before, c.clicks ? 1 : 0) << c.where;
        EXPECT_EQ(edit->Text(), c.clicks ? "" : "g")
            << c.where << ": a letter no button takes goes on to the edit";
    }
}

TEST_F(SpeedButtonFixture, AnActionGivesItsCaptionCheckPictureAndCommand) {
    TImageList images(nullptr, 12, 12);
    images.AddMasked(*square(12, clBlue), clFuchsia);
    TActionList list(nullptr);
    list.SetImages(&images);
    TAction action(nullptr);
    action.SetActionList(&list);
    action.SetCaption("Save");
    action.SetImageIndex(0);
    int runs = 0;
    action.OnExecute = [&](TObject*) { ++runs; };
    button->OnClick = nullptr;
    button->SetGroupIndex(4);
    button->SetAction(&action);
    EXPECT_EQ(button->Caption(), "Save");
    EXPECT_EQ(button->Glyph().Width(), 12);
    EXPECT_EQ(button->Glyph().TransparentColor(), static_cast<TColor>(0xFF00FF));
    action.SetChecked(true);
    EXPECT_TRUE(button->Down());
    action.SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    action.SetEnabled(true);
    clickOn(button);
    EXPECT_EQ(runs, 1);
    button->SetAction(nullptr);
}

TEST_F(SpeedButtonFixture, TheProcessCountsItsSpeedButtons) {
    const int before = TKxSpeedButton::Count();
    auto* more = make(100, 10);
    EXPECT_EQ(TKxSpeedButton::Count(), before + 1);
    more->Free();
    EXPECT_EQ(TKxSpeedButton::Count(), before);
}
