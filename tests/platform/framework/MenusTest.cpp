#include "platform/framework/Menus.h"

#include "GuiTestSupport.h"
#include "platform/framework/Forms.h"
#include "platform/framework/QtForms.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

TEST(MenuShortCuts, TextAndCodesConvertBothWays) {
    EXPECT_EQ(TextToShortCut("F10"), VK_F1 + 9);
    EXPECT_EQ(TextToShortCut("F9"), ShortCut(VK_F1 + 8, 0));
    EXPECT_EQ(TextToShortCut("Alt+Enter"), scAlt | VK_RETURN);
    EXPECT_EQ(TextToShortCut("ctrl+shift+s"), scCtrl | scShift | 'S');
    EXPECT_EQ(TextToShortCut("Hyper+Q"), scNone);
    EXPECT_EQ(TextToShortCut(""), scNone);
    EXPECT_EQ(ShortCutToText(scAlt | VK_RETURN), "Alt+Enter");
    EXPECT_EQ(ShortCutToText(TextToShortCut("F12")), "F12");
    EXPECT_EQ(ShortCutToText(ShortCut('P', ssCtrl)), "Ctrl+P");
}

TEST(MenuItems, ChoosingAnItemRunsOnClickWithoutTogglingItsCheck) {
    vx::EnsureQtApplication();
    auto* form = new TForm(nullptr);
    auto* menu = new TMainMenu(form);
    auto* game = new TMenuItem(form);
    game->SetCaption("&Game");
    auto* pause = new TMenuItem(form);
    pause->SetCaption("&Pause");
    game->Add(pause);
    menu->Items()->Add(game);
    form->SetMenu(menu);
    int clicks = 0;
    pause->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, pause);
        ++clicks;
        pause->SetChecked(!pause->Checked());
    };
    pause->SetChecked(false);
    QAction* action = pause->impl().action;
    action->trigger();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(pause->Checked());
    EXPECT_TRUE(action->isChecked());
    pause->OnClick = [&](TObject*) { ++clicks; };
    action->trigger();
    EXPECT_TRUE(pause->Checked()) << "only OnClick changes the check mark";
    EXPECT_TRUE(action->isChecked());
    pause->SetEnabled(false);
    action->trigger();
    EXPECT_EQ(clicks, 2) << "a disabled item is not chosen";
    form->Free();
}

TEST(MenuItems, CaptionsShortCutsAndSeparatorsReachTheMenuBar) {
    vx::EnsureQtApplication();
    auto* form = new TForm(nullptr);
    auto* menu = new TMainMenu(form);
    auto* view = new TMenuItem(form);
    view->SetCaption("&View");
    auto* toggle = new TMenuItem(form);
    toggle->SetCaption("Full Screen");
    toggle->SetShortCut(TextToShortCut("Alt+Enter"));
    auto* line = new TMenuItem(form);
    line->SetCaption("-");
    view->Add(toggle);
    view->Add(line);
    menu->Items()->Add(view);
    form->SetMenu(menu);
    ASSERT_EQ(vx::MenuBarOf(menu)->actions().size(), 1);
    EXPECT_EQ(vx::MenuBarOf(menu)->actions()[0]->text(), QStringLiteral("&View"));
    EXPECT_EQ(toggle->impl().action->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));
    EXPECT_TRUE(line->IsLine());
    EXPECT_TRUE(line->impl().action->isSeparator());
    EXPECT_TRUE(line->impl().action->text().isEmpty()) << "a line shows no \"-\"";
    toggle->SetCaption("Windowed");
    EXPECT_EQ(view->impl().menu->actions()[0]->text(), QStringLiteral("Windowed"));
    EXPECT_TRUE(vx::FormWidget(form)->actions().contains(toggle->impl().action))
        << "short cuts work while the menu bar is closed";
    EXPECT_EQ(view->IndexOf(line), 1);
    line->Free();
    EXPECT_EQ(view->Count(), 1);
    form->Free();
}

TEST(MenuBarPlacement, AboveTakesRoomOverFloatsOnThePictureHiddenTakesNothing) {
    vx::EnsureQtApplication();
    auto* form = new TForm(nullptr);
    auto* menu = new TMainMenu(form);
    auto* game = new TMenuItem(form);
    game->SetCaption("&Game");
    menu->Items()->Add(game);
    form->SetMenu(menu);
    form->SetBounds(0, 0, 640, 500);
    const int bar = form->MenuBarHeight();
    ASSERT_GT(bar, 0);
    EXPECT_EQ(form->ClientHeight(), 500 - bar);

    form->SetMenuBarPlacement(mbpOver);
    EXPECT_EQ(form->ClientHeight(), 500) << "the picture fills the window under a floating bar";
    EXPECT_EQ(form->MenuBarHeight(), bar);
    EXPECT_FALSE(vx::MenuBarOf(menu)->isHidden());

    form->SetMenuBarPlacement(mbpHidden);
    EXPECT_EQ(form->ClientHeight(), 500);
    EXPECT_EQ(form->MenuBarHeight(), 0);
    EXPECT_TRUE(vx::MenuBarOf(menu)->isHidden());

    form->SetMenuBarPlacement(mbpAbove);
    EXPECT_EQ(form->ClientHeight(), 500 - bar);
    delete form;
}

namespace {

struct MenuBarForm {
    TForm* form = new TForm(nullptr);
    TMainMenu* menu = new TMainMenu(form);
    TMenuItem* game = entry("&Game");
    TMenuItem* setup = entry("&Setup");
    int menuLoops = 0;

    MenuBarForm() {
        form->SetMenu(menu);
        form->SetBounds(0, 0, 400, 300);
        form->Show();
        PumpUntil([this] { return vx::FormWidget(form)->isVisible(); });
    }
    ~MenuBarForm() {
        for (TMenuItem* item : {game, setup})
            item->impl().menu->hide();
        delete form;
    }
    TMenuItem* entry(const char* caption) {
        auto* item = new TMenuItem(form);
        item->SetCaption(caption);
        auto* child = new TMenuItem(form);
        child->SetCaption("Item");
        item->Add(child);
        menu->Items()->Add(item);
        return item;
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(vx::FormWidget(form), &event);
    }
    bool opened(TMenuItem* item) const { return item->impl().menu->isVisible(); }
};

} // namespace

TEST(MenuBarKeys, F10OpensTheFirstUsableMenu) {
    vx::EnsureQtApplication();
    MenuBarForm f;
    f.game->SetEnabled(false);
    f.press(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_FALSE(f.opened(f.setup)) << "Shift+F10 is another key";
    f.press(Qt::Key_F10);
    EXPECT_TRUE(PumpUntil([&] { return f.opened(f.setup); }, 2000));
    EXPECT_FALSE(f.opened(f.game)) << "a disabled entry is passed over";
    EXPECT_EQ(vx::MenuBarOf(f.menu)->activeAction(), f.setup->impl().action);
}

TEST(MenuBarKeys, F10DoesNothingWhileTheBarIsHidden) {
    vx::EnsureQtApplication();
    MenuBarForm f;
    f.form->SetMenuBarPlacement(mbpHidden);
    f.press(Qt::Key_F10);
    PumpUntil([] { return false; }, 50);
    EXPECT_FALSE(f.opened(f.game));
}

TEST(MenuBarKeys, AnEntrysOwnShortCutOpensItsMenu) {
    vx::EnsureQtApplication();
    MenuBarForm f;
    int clicks = 0;
    f.setup->OnClick = [&](TObject*) { ++clicks; };
    f.setup->SetShortCut(TextToShortCut("F10"));
    f.setup->impl().action->trigger();
    EXPECT_TRUE(PumpUntil([&] { return f.opened(f.setup); }, 2000));
    EXPECT_EQ(clicks, 1);
}
