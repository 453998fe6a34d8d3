#include "toolkit/KxListBox.h"

#include "tests/toolkit/ListBoxTestSupport.h"

#include <string>

using namespace listbox_test;

namespace {

// A list box whose window the tests reach.
class TestListBox : public TKxCustomListBox {
public:
    using TKxCustomListBox::TKxCustomListBox;
    using TKxCustomListBox::Window;
};

int textWidth(TControl* control, const std::string& text) {
    TCanvas canvas;
    canvas.Font().Assign(control->Font());
    return canvas.TextWidth(text);
}

class KxListBoxFixture : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        box = place<TestListBox>(8, 8, 160, 120);
        box->SetAutoScroll(true);
    }
    TestListBox* box = nullptr;
};

const std::string longLine(120, 'W');

} // namespace

TEST_F(KxListBoxFixture, ALongItemBringsTheBarAtOnceAndDeletingItScrollsBackAndRemovesIt) {
    box->Items()->Add("short");
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, "shortx")) << "one spare character";
    EXPECT_FALSE(box->Window().HorizontalScrollBarShown());
    box->Items()->Add(longLine);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, longLine + "x"));
    EXPECT_TRUE(box->Window().HorizontalScrollBarShown());
    box->Window().ScrollHorizontally(200);
    ASSERT_EQ(box->Window().HorizontalPosition(), 200);
    box->Items()->Delete(1);
    EXPECT_EQ(box->Window().HorizontalPosition(), 0);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, "shortx"));
    EXPECT_FALSE(box->Window().HorizontalScrollBarShown());
}

TEST_F(KxListBoxFixture, DeletingANarrowItemKeepsThePositionAndClearingDropsTheExtent) {
    box->Items()->Add(longLine);
    box->Items()->Add("a");
    box->Window().ScrollHorizontally(50);
    box->Items()->Delete(1);
    EXPECT_EQ(box->Window().HorizontalPosition(), 50);
    box->Items()->Insert(0, longLine + longLine);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, longLine + longLine + "x"));
    box->Clear();
    EXPECT_EQ(box->HorizontalExtent(), 0);
    EXPECT_EQ(box->Window().HorizontalPosition(), 0);
}

TEST_F(KxListBoxFixture, NoExtentIsKeptWithColumnsOrWithoutAutoScroll) {
    box->Items()->Add(longLine);
    box->SetColumns(2);
    EXPECT_EQ(box->HorizontalExtent(), 0);
    box->Items()->Add(longLine + "more");
    EXPECT_EQ(box->HorizontalExtent(), 0);
    box->SetColumns(0);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, longLine + "morex"));
    box->SetAutoScroll(false);
    EXPECT_EQ(box->HorizontalExtent(), 0);
    box->SetAutoScroll(true);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, longLine + "morex"));
}

TEST_F(KxListBoxFixture, TabsAdvanceToStopsEveryTabWidthQuartersOfAZero) {
    box->SetTabWidth(40);
    box->Items()->Add("a\tb");
    const int stop = (40 * textWidth(box, "0") + 2) / 4;
    EXPECT_EQ(box->HorizontalExtent(), stop + textWidth(box, "bx"));
}

TEST_F(KxListBoxFixture, AFontChangeMeasuresEveryItemAgain) {
    box->Items()->Add(longLine);
    const int before = box->HorizontalExtent();
    box->Font().SetHeight(-22);
    EXPECT_GT(box->HorizontalExtent(), before);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, longLine + "x"));
}

TEST_F(KxListBoxFixture, OwnerDrawnListsMayReportTheirItemWidths) {
    box->SetStyle(lbOwnerDrawFixed);
    box->Items()->Add("x");
    box->SetOnGetItemWidth([](TWinControl*, int index, int& width) { width = 500 + index; });
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, "xx")) << "only together with OnDrawItem";
    box->SetOnDrawItem([](TWinControl*, int, RECT, TOwnerDrawState) {});
    EXPECT_EQ(box->HorizontalExtent(), 500);
    box->Items()->Add("y");
    EXPECT_EQ(box->HorizontalExtent(), 501);
    box->SetOnGetItemWidth(nullptr);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, "xx"));
}

TEST_F(KxListBoxFixture, ChangingSortedKeepsItemsObjectsTopItemAndSelection) {
    TObject marker;
    for (int i = 39; i >= 0; --i)
        box->Items()->Add("Line " + std::to_string(100 + i));
    box->Items()->SetObjects(19, &marker);
    box->SetTopIndex(14);
    box->SetItemIndex(19);
    box->SetSorted(true);
    ASSERT_EQ(box->Items()->Count(), 40);
    EXPECT_EQ(box->Items()->Strings(20), "Line 120");
    EXPECT_EQ(box->Items()->Objects(20), &marker);
    EXPECT_EQ(box->Items()->Strings(box->TopIndex()), "Line 125");
    EXPECT_EQ(box->ItemIndex(), 20) << "the selected item, not the index, is kept";
    EXPECT_TRUE(box->Window().Style() & LBS_SORT);
    EXPECT_EQ(box->HorizontalExtent(), textWidth(box, "Line 100x"));
}

TEST_F(KxListBoxFixture, ThePositionBelowTheLastItemIsTheCountUnlessAnExistingItemIsAsked) {
    box->Items()->Add("one");
    box->Items()->Add("two");
    const RECT second = box->ItemRect(1);
    EXPECT_EQ(box->ItemAtPos({4, second.top + 1}, true), 1);
    EXPECT_EQ(box->ItemAtPos({4, second.bottom + 5}, false), 2);
    EXPECT_EQ(box->ItemAtPos({4, second.bottom + 5}, true), -1);
    EXPECT_EQ(box->ItemAtPos({4, box->ClientHeight()}, false), -1);
    EXPECT_EQ(box->ItemRect(2).top, second.bottom);
    EXPECT_EQ(box->ItemRect(3), RECT{});
}

TEST_F(KxListBoxFixture, WrongIndicesRaiseTheListErrors) {
    box->Items()->Add("one");
    try {
        box->Items()->Strings(5);
        ADD_FAILURE() << "no exception";
    } catch (const EListError& error) {
        EXPECT_EQ(error.Message(), "List index out of bounds (5)");
    }
    try {
        box->Items()->Insert(4, "far");
        ADD_FAILURE() << "no exception";
    } catch (const EOutOfResources& error) {
        EXPECT_EQ(error.Message(), "Unable to insert a line");
    }
    EXPECT_THROW(box->Items()->Delete(3), EListError);
    EXPECT_THROW(box->Selected(9), EListError);
    EXPECT_THROW(box->Items()->Objects(2), EListError);
}

TEST_F(KxListBoxFixture, SelectingWithoutMultiSelectMovesTheItemIndex) {
    for (const char* text : {"a", "b", "c"})
        box->Items()->Add(text);
    box->SetSelected(1, true);
    EXPECT_EQ(box->ItemIndex(), 1);
    box->SetSelected(2, false);
    EXPECT_EQ(box->ItemIndex(), 1) << "deselecting another item changes nothing";
    box->SetSelected(1, false);
    EXPECT_EQ(box->ItemIndex(), -1);
}

TEST_F(KxListBoxFixture, TheItemIndexOfAMultiSelectionListIsItsCaret) {
    box->SetMultiSelect(true);
    for (const char* text : {"a", "b", "c"})
        box->Items()->Add(text);
    box->SetItemIndex(2);
    EXPECT_EQ(box->ItemIndex(), 2);
    box->SetSelected(0, true);
    EXPECT_EQ(box->SelCount(), 1);
}

TEST_F(KxListBoxFixture, AnUnfocusedGreySelectionIsDrawnInTheButtonFace) {
    box->SetStyle(lbOwnerDrawFixed);
    box->SetGraySelection(true);
    for (const char* text : {"a", "b"})
        box->Items()->Add(text);
    box->SetItemIndex(1);
    std::vector<TColor> brushes;
    box->SetOnDrawItem([&](TWinControl*, int index, RECT, TOwnerDrawState state) {
        if (state & odSelected) brushes.push_back(box->Canvas().Brush().Color());
    });
    auto* other = place<TKxCustomListBox>(180, 8, 60, 60);
    form->Show();
    other->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return other->Focused(); }));
    viewportOf(box)->repaint();
    box->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return box->Focused(); }));
    viewportOf(box)->repaint();
    ASSERT_GE(brushes.size(), 2u);
    EXPECT_EQ(brushes.front(), clBtnFace);
    EXPECT_EQ(brushes.back(), clHighlight);
}

TEST_F(KxListBoxFixture, TheUsersSelectionFiresOnClickAndTheProgramsDoesNot) {
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    for (const char* text : {"a", "b", "c"})
        box->Items()->Add(text);
    box->SetItemIndex(0);
    EXPECT_EQ(clicks, 0);
    const RECT third = box->ItemRect(2);
    click(box, 3, third.top + 1);
    EXPECT_EQ(box->ItemIndex(), 2);
    key(box, Qt::Key_Up);
    EXPECT_EQ(box->ItemIndex(), 1);
    EXPECT_EQ(clicks, 2);
}

TEST_F(KxListBoxFixture, TheTextListBoxKeepsItsExtentTheSameWay) {
    auto* text = place<TTextListBox>(180, 8, 120, 100);
    text->Items()->Add("short");
    text->Items()->Add(longLine);
    EXPECT_EQ(text->HorizontalExtent(), textWidth(text, longLine + "x"));
    text->Items()->Delete(1);
    EXPECT_EQ(text->HorizontalExtent(), textWidth(text, "shortx"));
    text->Font().SetHeight(-20);
    EXPECT_EQ(text->HorizontalExtent(), textWidth(text, "shortx"));
    text->Items()->Insert(0, longLine);
    text->SetSorted(true);
    EXPECT_EQ(text->HorizontalExtent(), textWidth(text, longLine + "x")) << "kept across a re-creation";
    text->Items()->Delete(text->Items()->IndexOf(longLine));
    EXPECT_EQ(text->HorizontalExtent(), textWidth(text, "shortx")) << "the widths follow the new order";
    text->Clear();
    EXPECT_EQ(text->HorizontalExtent(), 0);
}

TEST_F(KxListBoxFixture, LosingTheWidestItemFindsTheNextWidestWithoutMeasuringAgain) {
    int measured = 0;
    box->SetStyle(lbOwnerDrawFixed);
    box->SetOnDrawItem([](TWinControl*, int, RECT, TOwnerDrawState) {});
    box->SetOnGetItemWidth([&](TWinControl*, int index, int& width) {
        ++measured;
        width = std::stoi(box->Items()->Strings(index));
    });
    for (const char* width : {"30", "90", "60", "90"})
        box->Items()->Add(width);
    measured = 0;
    box->Items()->Delete(1);
    EXPECT_EQ(box->HorizontalExtent(), 90) << "another item is as wide";
    box->Items()->Delete(2);
    EXPECT_EQ(box->HorizontalExtent(), 60);
    EXPECT_EQ(measured, 0);
    box->SetSorted(true);
    box->Items()->Delete(box->Items()->IndexOf("60"));
    EXPECT_EQ(box->HorizontalExtent(), 30);
}
