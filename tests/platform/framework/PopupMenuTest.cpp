#include "platform/framework/PopupMenu.h"

#include "GuiTestSupport.h"
#include "platform/framework/Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A popup menu of three entries whose clicks are counted by index.
struct ThreeEntries {
    ThreeEntries() {
        vx::EnsureQtApplication();
        for (int i = 0; i < 3; ++i) {
            auto* item = new TMenuItem(&menu);
            item->SetCaption("Entry number " + std::to_string(i));
            item->OnClick = [this, i](TObject*) { chosen.push_back(i); };
            menu.Items()->Add(item);
        }
    }
    TPopupMenu menu{nullptr};
    std::vector<int> chosen;
};

void press(QWidget* widget, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
    QApplication::sendEvent(widget, &up);
}

// Runs what once the menu is up (Popup does not return before it closes).
void whenShown(const std::function<void(QWidget*)>& what) {
    QTimer::singleShot(0, [what] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        what(popup);
    });
}

} // namespace

TEST(PopupMenu, AnEntryChosenByKeysHasRunWhenPopupReturns) {
    ThreeEntries entries;
    int popups = 0;
    entries.menu.OnPopup = [&](TObject*) { ++popups; };
    whenShown([&](QWidget* popup) {
        EXPECT_TRUE(entries.menu.IsPopupShown());
        press(popup, Qt::Key_Down);
        press(popup, Qt::Key_Down);
        press(popup, Qt::Key_Return);
    });
    entries.menu.Popup(100, 80);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(entries.chosen, std::vector<int>{1});
    EXPECT_FALSE(entries.menu.IsPopupShown());
}

TEST(PopupMenu, TheAlignmentPutsTheLeftEdgeTheRightEdgeOrTheMiddleAtThePoint) {
    ThreeEntries entries;
    for (TPopupAlignment alignment : {paLeft, paRight, paCenter}) {
        entries.menu.SetAlignment(alignment);
        QRect shownAt;
        whenShown([&](QWidget* popup) {
            shownAt = popup->geometry();
            entries.menu.CloseMenu();
        });
        entries.menu.Popup(400, 300);
        EXPECT_EQ(shownAt.top(), 300);
        const int expected = alignment == paLeft    ? 400
                             : alignment == paRight ? 400 - shownAt.width()
                                                    : 400 - shownAt.width() / 2;
        EXPECT_NEAR(shownAt.left(), expected, 1) << "alignment " << alignment;
    }
    EXPECT_TRUE(entries.chosen.empty()) << "closing chooses nothing";
}

TEST(PopupMenu, AnEmptyMenuReturnsAtOnceAndTheComponentItServedIsForgotten) {
    vx::EnsureQtApplication();
    TPopupMenu menu(nullptr);
    int popups = 0;
    menu.OnPopup = [&](TObject*) { ++popups; };
    menu.Popup(10, 10);
    EXPECT_EQ(popups, 1);
    auto* form = new TForm(nullptr);
    menu.SetPopupComponent(form);
    EXPECT_EQ(menu.PopupComponent(), form);
    form->Free();
    EXPECT_EQ(menu.PopupComponent(), nullptr);
}
