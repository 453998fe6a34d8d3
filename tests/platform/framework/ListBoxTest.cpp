#include "platform/framework/ListBox.h"

#include "GuiTestSupport.h"
#include "ListBoxInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

using listbox_test::click;
using listbox_test::viewportOf;

// A list box whose native window the tests reach directly.
class TestListBox : public TListBox {
public:
    using TListBox::TListBox;
    using TListBox::Window;
};

void key(TControl* control, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, qtKey, modifiers, text);
    QApplication::sendEvent(vx::ControlWidget(control), &down);
}

class ListBoxFixture : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        form = new TForm(nullptr);
        form->SetClientWidth(300);
        form->SetClientHeight(300);
        box = new TestListBox(form);
        box->SetParent(form);
        box->SetBounds(10, 10, 150, 100);
        box->OnClick = [this](TObject*) { ++clicks; };
    }
    void TearDown() override { form->Free(); }
    void fill(int count) {
        for (int i = 0; i < count; ++i)
            box->Items()->Add("Item " + std::to_string(i));
    }
    int rowHeight() { return box->ItemRect(1).top - box->ItemRect(0).top; }

    TForm* form = nullptr;
    TestListBox* box = nullptr;
    int clicks = 0;
};

} // namespace

TEST_F(ListBoxFixture, SortedListsInsertWithoutRegardToCaseAndInsertKeepsItsPlace) {
    box->SetSorted(true);
    for (const char* text : {"pear", "Apple", "banana", "apple"})
        box->Items()->Add(text);
    box->Items()->Insert(0, "zebra");
    EXPECT_EQ(box->Items()->Text(), "zebra\nApple\napple\nbanana\npear\n");
    EXPECT_EQ(box->Window().InsertString(9, "far"), LB_ERR);
    EXPECT_EQ(box->Window().InsertString(-1, "end"), 5);
}

TEST_F(ListBoxFixture, BadIndicesRaiseTheListErrors) {
    fill(3);
    EXPECT_THROW(
        {
            try {
                box->Items()->Strings(5);
            } catch (const EListError& error) {
                EXPECT_EQ(error.Message(), "List index out of bounds (5)");
                throw;
            }
        },
        EListError);
    EXPECT_THROW(
        {
            try {
                box->Items()->Insert(7, "beyond");
            } catch (const EOutOfResources& error) {
                EXPECT_EQ(error.Message(), "Unable to insert a line");
                throw;
            }
        },
        EOutOfResources);
    EXPECT_THROW(box->Selected(-2), EListError);
}

TEST_F(ListBoxFixture, ReCreatingTheWindowKeepsItemsObjectsTopItemAndSelection) {
    fill(40);
    TObject marker;
    box->Items()->SetObjects(12, &marker);
    box->SetTopIndex(10);
    box->SetItemIndex(12);
    box->SetIntegralHeight(true);
    EXPECT_EQ(box->Items()->Count(), 40);
    EXPECT_EQ(box->Items()->Objects(12), &marker);
    EXPECT_EQ(box->TopIndex(), 10);
    EXPECT_EQ(box->ItemIndex(), 12);
    EXPECT_EQ(box->ClientHeight() % rowHeight(), 0) << "an integral height shows whole items ";
    box->SetSorted(true);
    ASSERT_EQ(box->Items()->Strings(4), "Item 12") << "Item 0, Item 1, Item 10, Item 11, Item 12";
    EXPECT_EQ(box->ItemIndex(), 4) << "the selected item, not the index, is kept";
    EXPECT_EQ(box->Items()->Objects(4), &marker);
    EXPECT_EQ(box->Items()->Strings(box->TopIndex()), "Item 10");
}

TEST_F(ListBoxFixture, ItemRectanglesFollowTheTopItemAndOneBelowTheLastIsFree) {
    fill(30);
    const int h = rowHeight();
    box->SetTopIndex(5);
    EXPECT_EQ(box->ItemRect(5).top, 0);
    EXPECT_EQ(box->ItemRect(7).top, 2 * h);
    EXPECT_EQ(box->ItemRect(3).top, -2 * h) << "items above the top lie above the client area";
    EXPECT_EQ(box->ItemRect(30).top, box->ItemRect(29).bottom);
    EXPECT_EQ(box->ItemRect(31), RECT{});

    box->Clear();
    box->Items()->Add("only");
    EXPECT_EQ(box->ItemAtPos({5, h / 2}, true), 0);
    EXPECT_EQ(box->ItemAtPos({5, 3 * h}, true), -1);
    EXPECT_EQ(box->ItemAtPos({5, 3 * h}, false), 1) << "below the last item: the count";
    EXPECT_EQ(box->ItemAtPos({-1, 3}, false), -1) << "outside the client area";
}

TEST_F(ListBoxFixture, VariableHeightsComeFromTheMeasureEvent) {
    box->SetStyle(lbOwnerDrawVariable);
    box->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + index; };
    fill(4);
    EXPECT_EQ(box->ItemRect(0).bottom, 10);
    EXPECT_EQ(box->ItemRect(3).top, 10 + 11 + 12);
    EXPECT_EQ(box->ItemRect(3).bottom - box->ItemRect(3).top, 13);
    EXPECT_EQ(box->ItemAtPos({4, 22}, true), 2);
}

TEST_F(ListBoxFixture, ColumnsFlowTopToBottomAndScrollSideways) {
    box->SetColumns(2);
    fill(50);
    const int rows = box->ClientHeight() / rowHeight();
    const RECT first = box->ItemRect(0), nextColumn = box->ItemRect(rows);
    EXPECT_EQ(nextColumn.top, first.top);
    EXPECT_EQ(nextColumn.left, first.right);
    EXPECT_EQ(first.right - first.left, (150 + 2 - 3) / 2);
    EXPECT_TRUE(box->Window().HorizontalScrollBarShown());
    EXPECT_FALSE(box->Window().VerticalScrollBarShown());
    box->Window().ScrollHorizontally(1);
    EXPECT_EQ(box->TopIndex(), rows);
}

TEST_F(ListBoxFixture, TheHorizontalBarComesWithAWideExtentOnly) {
    fill(2);
    box->Window().SetHorizontalExtent(100);
    EXPECT_FALSE(box->Window().HorizontalScrollBarShown());
    box->Window().SetHorizontalExtent(400);
    EXPECT_TRUE(box->Window().HorizontalScrollBarShown());
    box->Window().ScrollHorizontally(9999);
    EXPECT_EQ(box->Window().HorizontalPosition(), 400 - box->ClientWidth()) << "clamped to the extent";
    EXPECT_EQ(box->ItemRect(0).left, -box->Window().HorizontalPosition());
    box->Window().SetHorizontalExtent(0);
    EXPECT_FALSE(box->Window().HorizontalScrollBarShown());
    EXPECT_EQ(box->Window().HorizontalPosition(), 0);
}

TEST_F(ListBoxFixture, SelectionRequestsTheWrongKindOfListRefusesAnswerLBErr) {
    fill(5);
    EXPECT_EQ(box->Window().SetSel(true, 1), LB_ERR);
    EXPECT_EQ(box->Window().GetSelCount(), LB_ERR);
    box->SetMultiSelect(true);
    EXPECT_EQ(box->Window().SetCurSel(1), LB_ERR);
    box->SetSelected(1, true);
    box->SetSelected(3, true);
    EXPECT_EQ(box->SelCount(), 2);
    box->SetItemIndex(4);
    EXPECT_EQ(box->ItemIndex(), 4) << "a multi-selection list moves its caret";
    EXPECT_EQ(clicks, 0) << "the program's own changes fire nothing";
}

TEST_F(ListBoxFixture, DeletingShiftsTheSelectionOrDropsIt) {
    fill(5);
    box->SetItemIndex(3);
    box->Items()->Delete(1);
    EXPECT_EQ(box->ItemIndex(), 2);
    box->Items()->Insert(0, "new");
    EXPECT_EQ(box->ItemIndex(), 3);
    box->Items()->Delete(3);
    EXPECT_EQ(box->ItemIndex(), -1);
}

TEST_F(ListBoxFixture, KeysMoveTheSelectionAndTellTheOwner) {
    fill(60);
    box->SetItemIndex(0);
    key(box, Qt::Key_Down);
    EXPECT_EQ(box->ItemIndex(), 1);
    key(box, Qt::Key_End);
    EXPECT_EQ(box->ItemIndex(), 59);
    EXPECT_GT(box->TopIndex(), 0) << "the caret is scrolled into view";
    EXPECT_GE(box->ItemRect(59).top, 0);
    EXPECT_LE(box->ItemRect(59).bottom, box->ClientHeight());
    key(box, Qt::Key_Home);
    EXPECT_EQ(box->TopIndex(), 0);
    key(box, Qt::Key_I, Qt::NoModifier, "i");
    EXPECT_EQ(box->ItemIndex(), 1) << "a letter goes to the next item starting with it";
    EXPECT_EQ(clicks, 4);
}

TEST_F(ListBoxFixture, ExtendedSelectionFollowsShiftAndControl) {
    box->SetMultiSelect(true);
    fill(10);
    const int h = rowHeight();
    click(box, 5, h / 2);
    click(box, 5, 3 * h + h / 2, Qt::ShiftModifier);
    EXPECT_EQ(box->SelCount(), 4);
    click(box, 5, 2 * h + 1, Qt::ControlModifier);
    EXPECT_FALSE(box->Selected(2));
    EXPECT_EQ(box->SelCount(), 3);
    key(box, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(box->SelCount(), 2) << "the range runs from the new anchor 2 to 3";
    click(box, 5, 5 * h + 1);
    EXPECT_EQ(box->SelCount(), 1);
    EXPECT_TRUE(box->Selected(5));
    EXPECT_EQ(clicks, 5);
}

TEST_F(ListBoxFixture, MultipleSelectionTogglesWithClicksAndSpace) {
    box->SetExtendedSelect(false);
    box->SetMultiSelect(true);
    fill(5);
    const int h = rowHeight();
    click(box, 5, h / 2);
    click(box, 5, 2 * h + 1);
    EXPECT_EQ(box->SelCount(), 2);
    key(box, Qt::Key_Up);
    key(box, Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_TRUE(box->Selected(1));
    EXPECT_EQ(box->SelCount(), 3);
    click(box, 5, h / 2);
    EXPECT_FALSE(box->Selected(0));
}

TEST_F(ListBoxFixture, OwnerDrawnItemsArePaintedWithTheirStates) {
    box->SetStyle(lbOwnerDrawFixed);
    fill(50);
    box->SetItemIndex(2);
    std::vector<std::pair<int, TOwnerDrawState>> drawn;
    box->OnDrawItem = [&](TWinControl*, int index, RECT, TOwnerDrawState state) {
        drawn.emplace_back(index, state);
    };
    form->Show();
    box->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return box->Focused(); }));
    drawn.clear();
    viewportOf(box)->repaint();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front().first, 0);
    EXPECT_LT(drawn.back().first, 10) << "only the items in view are drawn";
    for (const auto& [index, state] : drawn)
        EXPECT_EQ(state, index == 2 ? odSelected | odFocused : 0u) << "item " << index;
}

TEST_F(ListBoxFixture, WhileUpdatingTheListDoesNotRedrawAndAfterwardsShowsEverything) {
    box->Items()->BeginUpdate();
    fill(100);
    EXPECT_FALSE(box->Window().VerticalScrollBarShown());
    box->Items()->EndUpdate();
    EXPECT_TRUE(box->Window().VerticalScrollBarShown());
}

TEST_F(ListBoxFixture, TheControlHearsTheMouseAfterTheWindowAndKeysBefore) {
    fill(5);
    std::vector<std::string> heard;
    box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        heard.push_back("down " + std::to_string(box->ItemIndex()));
    };
    box->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { heard.push_back("key " + std::to_string(key)); };
    click(box, 4, rowHeight() + 2);
    key(box, Qt::Key_Down);
    EXPECT_EQ(heard, (std::vector<std::string>{"down 1", "key 40"}));
    EXPECT_EQ(box->ItemIndex(), 2);
}
