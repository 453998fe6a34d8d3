#include "SpriteFixture.h"

#include <gtest/gtest.h>

using sprite_test::TSpriteHostForm;

namespace {

struct SpriteListTest : ::testing::Test {
    TSpriteHostForm form;
    TDDSprite* withKind(int kind, int tag = 0) {
        auto* s = new TDDSprite(&form);
        s->UserKind = kind;
        s->SetTag(tag);
        return s;
    }
};

} // namespace

TEST_F(SpriteListTest, IndexOutOfBoundsRaisesTheListError) {
    TDDSpriteList list;
    list.Add(withKind(1));
    EXPECT_THROW(list.Get(1), EListError);
    EXPECT_THROW(list.Put(-1, nullptr), EListError);
    try {
        list.Get(5);
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
}

TEST_F(SpriteListTest, InsertRemoveAndIndexOf) {
    TDDSpriteList list(10);
    TDDSprite* a = withKind(1);
    TDDSprite* b = withKind(2);
    TDDSprite* c = withKind(3);
    list.Add(a);
    list.Add(c);
    list.Insert(1, b);
    EXPECT_EQ(list.IndexOf(b), 1);
    EXPECT_EQ(list.Remove(a), 0);
    EXPECT_EQ(list[0], b);
    EXPECT_EQ(list.Remove(a), -1);
    list.Insert(2, a);
    EXPECT_EQ(list[2], a);
}

TEST(SpriteList, ClearItemsDeletesTheSprites) {
    TSpriteHostForm form;
    TDDSpriteList list;
    list.Add(new TDDSprite(&form));
    list.Add(new TDDSprite(&form));
    EXPECT_EQ(form.ComponentCount(), 2);
    list.ClearItems();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST_F(SpriteListTest, ShakerSortIsStableAndCountsItsComparisons) {
    TDDSpriteList list;
    int kinds[] = {3, 1, 2, 1, 3, 0};
    for (int i = 0; i < 6; ++i)
        list.Add(withKind(kinds[i], i));
    int compares = 0;
    auto byKind = [&](TDDSprite* a, TDDSprite* b) {
        ++compares;
        return a->UserKind - b->UserKind;
    };
    list.QuickSort(byKind);
    int expectedTags[] = {5, 1, 3, 2, 0, 4};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(list[i]->Tag(), expectedTags[i]) << i;
    compares = 0;
    list.QuickSort(byKind);
    EXPECT_EQ(compares, 5); // one forward pass over a sorted list
}

TEST_F(SpriteListTest, SortOfZeroOrOneItemComparesNothing) {
    TDDSpriteList list;
    int compares = 0;
    auto count = [&](TDDSprite*, TDDSprite*) { return ++compares; };
    list.QuickSort(count);
    list.Add(withKind(1));
    list.QuickSort(count);
    EXPECT_EQ(compares, 0);
}
