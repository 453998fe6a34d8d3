#include "platform/framework/Forms.h"

#include "GuiTestSupport.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/Menus.h"
#include "platform/framework/QtForms.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A form that keeps the window events its WndProc saw, as a derived form would react.
class WatchingForm : public TForm {
public:
    explicit WatchingForm(TComponent* owner) : TForm(owner) {}
    std::vector<std::pair<unsigned, std::uintptr_t>> seen;

    void WndProc(TMessage& message) override {
        if (message.Msg != WM_PAINT && message.Msg != WM_MOVE) seen.emplace_back(message.Msg, message.WParam);
        TForm::WndProc(message);
    }
};

struct GameMenu {
    explicit GameMenu(TForm* form) : menu(new TMainMenu(form)) {
        game = new TMenuItem(form);
        game->SetCaption("&Game");
        game->SetShortCut(TextToShortCut("F10"));
        start = new TMenuItem(form);
        start->SetCaption("&Start");
        start->SetShortCut(TextToShortCut("F9"));
        pause = new TMenuItem(form);
        pause->SetCaption("&Pause");
        auto* line = new TMenuItem(form);
        line->SetCaption("-");
        game->Add(start);
        game->Add(pause);
        game->Add(line);
        menu->Items()->Add(game);
        form->SetMenu(menu);
    }
    TMainMenu* menu;
    TMenuItem* game;
    TMenuItem* start;
    TMenuItem* pause;
};

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override { vx::EnsureQtApplication(); }
};

} // namespace

using FormWindowEvents = FormFixture;

TEST_F(FormWindowEvents, OpeningAndClosingAMenuBeginsAndEndsTheMenuLoop) {
    auto* form = new WatchingForm(nullptr);
    GameMenu menus(form);
    form->Show();
    QMenu* popup = menus.game->impl().menu;
    ASSERT_NE(popup, nullptr);
    popup->popup(QPoint(10, 10));
    EXPECT_EQ(form->seen, (std::vector<std::pair<unsigned, std::uintptr_t>>{{WM_ENTERMENULOOP, 0}}));
    popup->hide();
    ASSERT_TRUE(PumpUntil([&] { return form->seen.size() == 2; }));
    EXPECT_EQ(form->seen.back().first, WM_EXITMENULOOP);
    form->Free();
}

TEST_F(FormWindowEvents, MinimisingMaximisingAndRestoringAreReported) {
    auto* form = new WatchingForm(nullptr);
    form->Show();
    form->SetWindowState(wsMinimized);
    form->SetWindowState(wsNormal);
    form->SetWindowState(wsMaximized);
    form->SetWindowState(wsNormal);
    const std::vector<std::pair<unsigned, std::uintptr_t>> expected = {{WM_SIZE, SIZE_MINIMIZED},
                                                                       {WM_SIZE, SIZE_RESTORED},
                                                                       {WM_SIZE, SIZE_MAXIMIZED},
                                                                       {WM_SIZE, SIZE_RESTORED}};
    EXPECT_EQ(form->seen, expected);
    form->Free();
}

TEST_F(FormWindowEvents, PaintingTheClientAreaFiresOnPaintWithACanvas) {
    auto* form = new TForm(nullptr);
    form->SetClientWidth(50);
    form->SetClientHeight(40);
    int paints = 0;
    form->OnPaint = [&](TObject*) {
        ++paints;
        form->Canvas().Brush().SetColor(clRed);
        form->Canvas().FillRect({0, 0, 10, 10});
    };
    QImage shot = vx::FormClientArea(form)->grab().toImage();
    EXPECT_GE(paints, 1);
    EXPECT_EQ(shot.pixel(5, 5), qRgb(255, 0, 0));
    form->Free();
}

using FormClosing = FormFixture;

TEST_F(FormClosing, CloseActionNoneKeepsTheFormAndFreeDestroysItLater) {
    auto* form = new TForm(nullptr);
    TCloseAction answer = caNone;
    bool destroyed = false;
    form->OnClose = [&](TObject*, TCloseAction& action) {
        EXPECT_EQ(action, caHide);
        action = answer;
    };
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->Show();
    form->Close();
    EXPECT_TRUE(form->Visible());
    answer = caFree;
    form->Close();
    EXPECT_FALSE(destroyed) << "the form goes once the current event is done";
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
}

TEST_F(FormClosing, AModalFormClosedByItsCloseActionFreeIsDestroyedAfterShowModal) {
    auto* form = new TForm(nullptr);
    bool destroyed = false;
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnShow = [form](TObject*) { vx::PostToGuiThread([form] { form->Close(); }); };
    EXPECT_EQ(form->ShowModal(), mrCancel);
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
}

TEST_F(FormClosing, AVisibleFormCannotBeShownModally) {
    TForm form(nullptr);
    form.Show();
    EXPECT_THROW(form.ShowModal(), Exception);
}

using FormGeometry = FormFixture;

TEST_F(FormGeometry, ClientSizeExcludesTheMenuBar) {
    auto* form = new TForm(nullptr);
    GameMenu menus(form);
    form->SetClientWidth(640);
    form->SetClientHeight(480);
    EXPECT_EQ(form->ClientWidth(), 640);
    EXPECT_EQ(form->ClientHeight(), 480);
    EXPECT_GT(form->Height(), 480);
    form->Free();
}

TEST_F(FormGeometry, ConstraintsLimitTheWindowAndCentringUsesTheScreen) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    form.SetConstraints({300, 200, 300, 200});
    form.SetWidth(500);
    EXPECT_EQ(form.Width(), 300);
    form.SetPosition(poScreenCenter);
    form.Show();
    EXPECT_EQ(form.Left(), (Screen->Width() - 300) / 2);
    EXPECT_EQ(form.Top(), (Screen->Height() - 200) / 2);
}

TEST_F(FormGeometry, AlignedControlsShareTheClientArea) {
    TForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    auto* lower = new TPanel(&form);
    lower->SetParent(panel);
    lower->SetHeight(20);
    lower->SetAlign(alBottom);
    auto* upper = new TPanel(&form);
    upper->SetParent(panel);
    upper->SetBounds(0, 0, 10, 15);
    upper->SetAlign(alBottom);
    EXPECT_EQ(panel->BoundsRect(), (RECT{0, 0, 200, 100}));
    EXPECT_EQ(lower->BoundsRect(), (RECT{0, 80, 200, 100}));
    EXPECT_EQ(upper->BoundsRect(), (RECT{0, 65, 200, 80})) << "the later one stacks above the first";
    form.SetClientHeight(150);
    EXPECT_EQ(lower->BoundsRect(), (RECT{0, 130, 200, 150}));
}

using FormInput = FormFixture;

TEST_F(FormInput, KeysAndMouseButtonsReachTheFormsHandlers) {
    auto* form = new TForm(nullptr);
    form->SetClientWidth(100);
    form->SetClientHeight(80);
    std::vector<WORD> keys;
    std::vector<std::pair<int, int>> presses;
    int clicks = 0;
    form->OnKeyDown = [&](TObject*, WORD& key, TShiftState shift) {
        keys.push_back(key);
        EXPECT_EQ(shift, ssShift);
    };
    form->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int x, int y) {
        EXPECT_EQ(button, mbLeft);
        presses.emplace_back(x, y);
    };
    form->OnClick = [&](TObject*) { ++clicks; };
    QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::ShiftModifier);
    QCoreApplication::sendEvent(vx::FormWidget(form), &f9);
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_Q, Qt::ShiftModifier, QStringLiteral("Q"));
    QCoreApplication::sendEvent(vx::FormWidget(form), &letter);
    EXPECT_EQ(keys, (std::vector<WORD>{VK_F1 + 8, 'Q'}));
    QWidget* client = vx::FormClientArea(form);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(7, 9), client->mapToGlobal(QPointF(7, 9)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(7, 9), client->mapToGlobal(QPointF(7, 9)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(client, &press);
    QCoreApplication::sendEvent(client, &release);
    EXPECT_EQ(presses, (std::vector<std::pair<int, int>>{{7, 9}}));
    EXPECT_EQ(clicks, 1);
    form->Free();
}

TEST_F(FormInput, KeysWithoutAVirtualKeyCodeStillTypeTheirCharacter) {
    auto* form = new TForm(nullptr);
    std::string typed;
    int keyDowns = 0;
    form->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++keyDowns; };
    form->OnKeyPress = [&](TObject*, char& key) { typed += key; };
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, QStringLiteral("+"));
    QCoreApplication::sendEvent(vx::FormWidget(form), &plus);
    QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier, QStringLiteral("-"));
    QCoreApplication::sendEvent(vx::FormWidget(form), &minus);
    EXPECT_EQ(typed, "+-");
    EXPECT_EQ(keyDowns, 0) << "no key code to report";
    form->Free();
}

namespace {

// A control that answers the accelerator key it is given.
class Accelerated : public TGraphicControl {
public:
    Accelerated(TComponent* owner, char key) : TGraphicControl(owner), key_(key) {}
    bool DialogChar(char key) override {
        if (key != key_) return false;
        ++hits;
        return true;
    }
    int hits = 0;

private:
    char key_;
};

} // namespace

TEST_F(FormInput, AltAndALetterGoesToTheControlWhoseAcceleratorItIs) {
    auto* form = new TForm(nullptr);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* deep = new Accelerated(form, 'G');
    deep->SetParent(panel);
    auto* hidden = new Accelerated(form, 'H');
    hidden->SetParent(form);
    hidden->Hide();
    for (int key : {int(Qt::Key_G), int(Qt::Key_H)}) {
        QKeyEvent alt(QEvent::KeyPress, key, Qt::AltModifier);
        QCoreApplication::sendEvent(vx::FormWidget(form), &alt);
    }
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
    QCoreApplication::sendEvent(vx::FormWidget(form), &plain);
    EXPECT_EQ(deep->hits, 1) << "inside a panel, and only with Alt";
    EXPECT_EQ(hidden->hits, 0) << "a hidden control has no accelerator";
    form->Free();
}

TEST_F(FormInput, ActivatingAnotherWindowDeactivatesTheFirst) {
    TForm first(nullptr);
    TForm second(nullptr);
    std::vector<std::string> events;
    first.OnActivate = [&](TObject*) { events.push_back("first on"); };
    first.OnDeactivate = [&](TObject*) { events.push_back("first off"); };
    second.OnActivate = [&](TObject*) { events.push_back("second on"); };
    first.Show();
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    second.Show();
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 3; }));
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events, (std::vector<std::string>{"first off", "first on", "second on"}));
}
