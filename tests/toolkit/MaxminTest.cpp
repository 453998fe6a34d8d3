#include "toolkit/Maxmin.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MinMax, PairsAndSwaps) {
    EXPECT_EQ(Max(-3, 2), 2);
    EXPECT_EQ(Min(-3, 2), -3);
    int a = 1, b = 2;
    SwapInt(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
    std::int64_t c = -1, d = 0x7FFFFFFFFFFFFFFF;
    SwapInt64(c, d);
    EXPECT_EQ(c, 0x7FFFFFFFFFFFFFFF);
    EXPECT_EQ(d, -1);
}

TEST(MinMax, ListsPickTheirExtremes) {
    EXPECT_EQ(MaxInteger({42}), 42);
    EXPECT_EQ(MaxInteger({3, 7, 7, 1}), 7);
    EXPECT_EQ(MinInteger({3, 7, -7, 1}), -7);
    const std::vector<int> many{5, 9, -2, 9};
    EXPECT_EQ(MaxInteger(many), 9);
    EXPECT_EQ(MinInt64({0, -1, 0x7FFFFFFFFFFFFFFF}), -1);
    EXPECT_EQ(MaxInt64({-1, 0x7FFFFFFFFFFFFFFF, 0}), 0x7FFFFFFFFFFFFFFF);
    EXPECT_EQ(MaxFloat({1.5L, -2.0L, 1.25L}), 1.5L);
    EXPECT_EQ(MinFloat({1.5L, -2.0L, 1.25L}), -2.0L);
    const TDateTime earlier = 37000.25, later = 37000.75;
    EXPECT_EQ(MaxDateTime({earlier, later}), later);
    EXPECT_EQ(MinDateTime({later, earlier}), earlier);
}

TEST(MinMax, TiesKeepTheEarlierElement) {
    // Variants make ties visible: 2 and 2.0 compare equal but keep their own types.
    EXPECT_EQ(MaxOf({Variant(2), Variant(2.0), Variant(1)}).VarType(), varInteger);
    EXPECT_EQ(MaxOf({Variant(2.0), Variant(2), Variant(1)}).VarType(), varDouble);
    EXPECT_EQ(MinOf({Variant(1), Variant("1"), Variant(3)}).VarType(), varInteger);
}

TEST(MinMax, VariantsCompareByTheFrameworksRules) {
    EXPECT_EQ(MaxOf({Variant(3), Variant("10"), Variant(2.5)}).AsString(), "10");
    EXPECT_EQ(MinOf({Variant("pear"), Variant("apple"), Variant("plum")}).AsString(), "apple");
    // Null is never greater or smaller: it neither replaces nor is replaced.
    EXPECT_EQ(MaxOf({Variant(1), Variant::Null(), Variant(5)}).AsInteger(), 5);
    EXPECT_TRUE(MaxOf({Variant::Null(), Variant(5)}).IsNull());
    EXPECT_THROW(MaxOf({Variant(1), Variant("one")}), EVariantError);
}

TEST(MinMax, AnEmptyListIsRefused) {
    EXPECT_THROW(MaxInteger(std::span<const int>()), EListError);
    EXPECT_THROW(MinOf(std::span<const Variant>()), EListError);
}
