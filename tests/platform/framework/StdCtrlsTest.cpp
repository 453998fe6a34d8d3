#include "platform/framework/StdCtrls.h"

#include "GuiTestSupport.h"
#include "platform/framework/Bitmap.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/ExtCtrls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        form = new TForm(nullptr);
    }
    void TearDown() override { form->Free(); }
    template <class T> T* place() {
        auto* control = new T(form);
        control->SetParent(form);
        return control;
    }
    TForm* form = nullptr;
};

QAbstractButton* buttonOf(TControl* control) {
    return static_cast<QAbstractButton*>(vx::ControlWidget(control));
}

} // namespace

using CheckBoxRules = DialogFixture;

TEST_F(CheckBoxRules, ClickRunsWhenTheProgramChangesTheStateAndOnlyThen) {
    auto* box = place<TCheckBox>();
    int clicks = 0;
    box->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, box);
        ++clicks;
    };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(buttonOf(box)->isChecked());
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1) << "no change, no click";
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);
}

TEST_F(CheckBoxRules, AUserClickTogglesAndRunsTheHandlerOnce) {
    auto* box = place<TCheckBox>();
    std::vector<bool> statesSeen;
    box->OnClick = [&](TObject*) { statesSeen.push_back(box->Checked()); };
    buttonOf(box)->click();
    buttonOf(box)->click();
    EXPECT_EQ(statesSeen, (std::vector<bool>{true, false}));
}

TEST_F(CheckBoxRules, ACaptionTooLongForTheBoxEndsInAnEllipsisAndKeepsItsText) {
    auto* box = place<TCheckBox>();
    box->SetCaption("Zed the Magrathean");
    box->SetBounds(0, 0, 84, 17);
    buttonOf(box)->grab(); // drawn as it would be shown
    const QString shown = buttonOf(box)->text();
    EXPECT_TRUE(shown.startsWith("Zed") && shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LT(buttonOf(box)->fontMetrics().horizontalAdvance(shown), 84 - 12);
    EXPECT_EQ(box->Caption(), "Zed the Magrathean");
    box->SetBounds(0, 0, 300, 17);
    buttonOf(box)->grab();
    EXPECT_EQ(buttonOf(box)->text(), "Zed the Magrathean");
}

TEST_F(CheckBoxRules, RadioButtonsOfOneParentExcludeEachOtherAndClickWhenChecked) {
    auto* full = place<TRadioButton>();
    auto* half = place<TRadioButton>();
    std::vector<std::string> clicks;
    full->OnClick = [&](TObject*) { clicks.push_back("full"); };
    half->OnClick = [&](TObject*) { clicks.push_back("half"); };
    full->SetChecked(true);
    half->SetChecked(true);
    EXPECT_FALSE(full->Checked());
    EXPECT_FALSE(buttonOf(full)->isChecked());
    EXPECT_EQ(clicks, (std::vector<std::string>{"full", "half"}));
    buttonOf(half)->click();
    EXPECT_TRUE(half->Checked()) << "clicking a checked radio button keeps it checked";
    EXPECT_TRUE(buttonOf(half)->isChecked());
    buttonOf(full)->click();
    EXPECT_TRUE(full->Checked());
    EXPECT_FALSE(half->Checked());
    EXPECT_EQ(clicks.back(), "full");
}

using ComboBoxRules = DialogFixture;

TEST_F(ComboBoxRules, ChangeRunsOnUserActionOnly) {
    auto* combo = place<TComboBox>();
    combo->SetStyle(csDropDownList);
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->Items()->Add("8 bit");
    combo->Items()->Add("16 bit");
    combo->SetItemIndex(1);
    combo->Items()->Delete(0);
    combo->SetItemIndex(0);
    EXPECT_EQ(changes, 0);
    auto* box = static_cast<QComboBox*>(vx::ControlWidget(combo));
    combo->Items()->Add("24 bit");
    box->setCurrentIndex(1);
    emit box->activated(1); // what a choice in the drop-down list does
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "24 bit");
}

TEST_F(ComboBoxRules, ItemsCarryObjectsAndAnIndexOutsideTheListSelectsNothing) {
    auto* combo = place<TComboBox>();
    const DWORD mode = 640 | (480 << 12) | (16u << 24);
    combo->Items()->AddObject("640x480 16bpp", reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(mode)));
    combo->Items()->AddObject("800x600 16bpp", nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(combo->Items()->Objects(0)), mode);
    EXPECT_EQ(combo->Items()->IndexOf("800X600 16BPP"), 1);
    EXPECT_EQ(combo->ItemIndex(), -1) << "adding items selects nothing";
    combo->SetItemIndex(5);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_THROW(combo->Items()->Strings(2), EListError);
}

TEST_F(ComboBoxRules, ItTellsOfItsListDroppingDownAndGivesItsRowsTheirHeight) {
    auto* combo = place<TComboBox>();
    combo->Items()->SetText("one\ntwo\nthree");
    combo->SetItemHeight(0);
    EXPECT_EQ(combo->ItemHeight(), 16) << "below 1 is ignored";
    combo->SetItemHeight(27);
    auto* box = static_cast<QComboBox*>(vx::ControlWidget(combo));
    bool listShownBefore = true;
    combo->OnDropDown = [&](TObject*) { listShownBefore = box->view()->isVisible(); };
    form->Show();
    box->showPopup();
    EXPECT_FALSE(listShownBefore);
    EXPECT_EQ(box->view()->visualRect(box->model()->index(1, 0)).height(), 27);
    box->hidePopup();
}

using EditRules = DialogFixture;

TEST_F(EditRules, ChangeRunsForTheProgramAndTheUser) {
    auto* edit = place<TEdit>();
    std::vector<std::string> texts;
    edit->OnChange = [&](TObject*) { texts.push_back(edit->Text()); };
    edit->SetText("Player1");
    auto* line = static_cast<QLineEdit*>(vx::ControlWidget(edit));
    line->end(false);
    line->insert("X");
    EXPECT_EQ(texts, (std::vector<std::string>{"Player1", "Player1X"}));
}

// A name longer than its box shows its beginning, not its tail.
TEST_F(EditRules, ATextThatDoesNotFitShowsItsStart) {
    auto* edit = place<TEdit>();
    edit->SetBounds(0, 0, 60, 21);
    edit->SetText("A very long name for player one");
    EXPECT_EQ(static_cast<QLineEdit*>(vx::ControlWidget(edit))->cursorPosition(), 0);
}

using RangeControls = DialogFixture;

TEST_F(RangeControls, TrackBarClampsAndReportsEveryChange) {
    auto* bar = place<TTrackBar>();
    bar->SetMin(-5000);
    bar->SetMax(0);
    std::vector<int> positions;
    bar->OnChange = [&](TObject*) { positions.push_back(bar->Position()); };
    bar->SetPosition(128);
    bar->SetPosition(-2500);
    static_cast<QSlider*>(vx::ControlWidget(bar))->setValue(-100);
    EXPECT_EQ(positions, (std::vector<int>{-2500, -100}));
    EXPECT_EQ(bar->Position(), -100);
}

TEST_F(RangeControls, AVerticalTrackBarHasItsMinimumAtTheTopAndStepsByItsLineSize) {
    auto* bar = place<TTrackBar>();
    bar->SetOrientation(trVertical);
    bar->SetMax(100);
    bar->SetLineSize(7);
    bar->SetPageSize(25);
    bar->SetPosition(50);
    auto* slider = static_cast<QSlider*>(vx::ControlWidget(bar));
    EXPECT_EQ(slider->singleStep(), 7);
    EXPECT_EQ(slider->pageStep(), 25);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &up);
    EXPECT_EQ(bar->Position(), 43) << "Up moves the thumb up, toward the minimum";
    QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &pageDown);
    EXPECT_EQ(bar->Position(), 68);
    form->SetClientWidth(100);
    form->SetClientHeight(200);
    bar->SetBounds(0, 0, 45, 150);
    form->Show();
    // Where the thumb is drawn: the rows that change between two nearby positions.
    auto changedRows = [&](int from, int to) {
        bar->SetPosition(from);
        const QImage before = slider->grab().toImage();
        bar->SetPosition(to);
        const QImage after = slider->grab().toImage();
        double sum = 0;
        int count = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                if (before.pixel(x, y) != after.pixel(x, y)) sum += y, ++count;
        return count ? sum / count : -1.0;
    };
    const double nearMinimum = changedRows(0, 10);
    const double nearMaximum = changedRows(100, 90);
    ASSERT_GE(nearMinimum, 0);
    EXPECT_LT(nearMinimum, nearMaximum) << "the minimum is drawn at the top";
    form->Hide();
}

TEST_F(RangeControls, UpDownShowsItsPositionInTheEditAndReadsTypedNumbersBack) {
    auto* edit = place<TEdit>();
    auto* updown = place<TUpDown>();
    updown->SetMax(500);
    updown->SetAssociate(edit);
    updown->SetPosition(10);
    EXPECT_EQ(edit->Text(), "10");
    updown->SetPosition(900);
    EXPECT_EQ(updown->Position(), 500);
    edit->SetText("42");
    EXPECT_EQ(updown->Position(), 42);
    edit->SetText("lots");
    EXPECT_EQ(updown->Position(), 42);
    updown->Step(btNext);
    EXPECT_EQ(edit->Text(), "43");
    updown->SetPosition(500);
    updown->Step(btNext);
    EXPECT_EQ(updown->Position(), 500) << "no wrap";
}

// What the user typed stays while he types; once he leaves the edit it shows the number the
// up-down uses, never a count that is not in force.
TEST_F(RangeControls, LeavingTheEditShowsTheNumberInUse) {
    auto* edit = place<TEdit>();
    auto* updown = place<TUpDown>();
    updown->SetMax(30);
    updown->SetAssociate(edit);
    updown->SetPosition(5);
    auto* line = static_cast<QLineEdit*>(vx::ControlWidget(edit));
    const std::pair<const char*, const char*> typed[] = {
        {"99", "30"}, {"-4", "0"}, {"many", "0"}, {"12", "12"}};
    for (const auto& [text, shown] : typed) {
        line->setText(text);
        EXPECT_EQ(edit->Text(), text) << "kept while typing";
        emit line->editingFinished();
        EXPECT_EQ(edit->Text(), shown) << text;
        EXPECT_EQ(std::to_string(updown->Position()), shown);
    }
}

// Ticks every 16 positions of a -5000..0 volume bar would be a grey bar: they are drawn at a
// multiple of the frequency that keeps them apart, while a short range keeps every tick.
TEST_F(RangeControls, TicksOfAWideRangeOnANarrowBarStayApart) {
    auto* volume = place<TTrackBar>();
    volume->SetBounds(0, 0, 150, 30);
    volume->SetMin(-5000);
    volume->SetMax(0);
    volume->SetFrequency(16);
    const int interval = static_cast<QSlider*>(vx::ControlWidget(volume))->tickInterval();
    EXPECT_EQ(interval % 16, 0);
    EXPECT_GE(150 * interval / 5000, 5) << "pixels between ticks";
    EXPECT_EQ(volume->Frequency(), 16);
    auto* effects = place<TTrackBar>();
    effects->SetBounds(0, 0, 150, 30);
    effects->SetMax(256);
    effects->SetFrequency(16);
    EXPECT_EQ(static_cast<QSlider*>(vx::ControlWidget(effects))->tickInterval(), 16);
    volume->SetBounds(0, 0, 6000, 30);
    EXPECT_EQ(static_cast<QSlider*>(vx::ControlWidget(volume))->tickInterval(), 16) << "a long bar has room";
}

using LabelRules = DialogFixture;

TEST_F(LabelRules, AutoSizeFitsTheCaptionAndKeepsOneLineWhenEmpty) {
    auto* label = place<TLabel>();
    TCanvas measure;
    measure.Font().Assign(label->Font());
    label->SetCaption("&Volume");
    EXPECT_EQ(label->Width(), measure.TextWidth("Volume"));
    EXPECT_EQ(label->Height(), measure.TextHeight("V"));
    label->SetCaption("");
    EXPECT_EQ(label->Height(), measure.TextHeight("V"));
}

TEST_F(LabelRules, ARightAlignedAutoSizedLabelKeepsItsRightEdge) {
    auto* label = place<TLabel>();
    label->SetAlignment(taRightJustify);
    label->SetCaption("Max");
    const int right = label->Left() + label->Width();
    label->SetCaption("Maximum volume");
    EXPECT_EQ(label->Left() + label->Width(), right);
}

// The key goes as the desktop sends it: to the focused text box, which would type it.
TEST_F(LabelRules, TheAcceleratorFocusesTheFocusControlAndThePointerIsReported) {
    auto* label = place<TLabel>();
    auto* edit = place<TEdit>();
    auto* typing = place<TEdit>();
    label->SetCaption("&Name");
    label->SetFocusControl(edit);
    std::string seen;
    label->OnMouseEnter = [&](TObject*) { seen += "in "; };
    label->OnMouseLeave = [&](TObject*) { seen += "out"; };
    form->Show();
    typing->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return typing->Focused(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    EXPECT_EQ(typing->Text(), "");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent leave(QEvent::Leave);
    for (QEvent* event : {static_cast<QEvent*>(&enter), &leave})
        QCoreApplication::sendEvent(vx::ControlWidget(label), event);
    EXPECT_EQ(seen, "in out");
    label->OnMouseEnter = label->OnMouseLeave = nullptr; // seen goes before the form
    edit->Free();
    EXPECT_EQ(label->FocusControl(), nullptr);
}

using ButtonRules = DialogFixture;

TEST_F(ButtonRules, AModalResultButtonEndsShowModalWithItsResult) {
    auto* ok = place<TButton>();
    ok->SetCaption("&Ok");
    ok->SetModalResult(mrOk);
    form->OnShow = [ok](TObject*) { vx::PostToGuiThread([ok] { buttonOf(ok)->click(); }); };
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Visible());
}

TEST_F(ButtonRules, EscapeClicksTheCancelButton) {
    auto* cancel = place<TButton>();
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    int clicks = 0;
    cancel->OnClick = [&](TObject*) { ++clicks; };
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(vx::FormWidget(form), &escape);
    EXPECT_EQ(clicks, 1);
}

using ImageRules = DialogFixture;

TEST_F(ImageRules, ACentredPictureIsDrawnInTheMiddleOfTheImage) {
    auto* image = place<TImage>();
    image->SetBounds(0, 0, 20, 10);
    image->SetCenter(true);
    TBitmap picture;
    picture.SetSize(4, 2);
    picture.Canvas().Brush().SetColor(clRed);
    picture.Canvas().FillRect({0, 0, 4, 2});
    image->Picture().Assign(picture);
    EXPECT_EQ(image->Picture().Width(), 4);
    form->SetClientWidth(20);
    form->SetClientHeight(10);
    const QImage shot = vx::ControlWidget(image)->grab().toImage();
    EXPECT_EQ(shot.pixel(8, 4), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(11, 5), qRgb(255, 0, 0));
    EXPECT_NE(shot.pixel(7, 4), qRgb(255, 0, 0));
    EXPECT_NE(shot.pixel(12, 4), qRgb(255, 0, 0));
}
