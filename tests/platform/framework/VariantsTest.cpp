#include "platform/framework/Variants.h"

#include "platform/framework/Locale.h"

#include <gtest/gtest.h>

TEST(Variants, ConvertBetweenTypes) {
    EXPECT_EQ(Variant(" 42 ").AsInteger(), 42);
    EXPECT_EQ(Variant(2.5).AsInteger(), 3);
    EXPECT_EQ(Variant(-2.5).AsInteger(), -3);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant(std::int64_t{1} << 40).AsString(), "1099511627776");
    EXPECT_EQ(Variant(0.1).AsString(), "0.1");
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_THROW(Variant("12abc").AsDouble(), EVariantError);
    EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
    EXPECT_THROW(Variant(1e300).AsInteger(), EVariantError);
    EXPECT_EQ(Variant::FromDateTime(1.5).VarType(), varDate);
}

TEST(Variants, CompareNumbersByValueAndStringsByLocale) {
    SetFormatSettings(LocaleFormatSettings("en_US"));
    EXPECT_EQ(VarCompareValue(Variant(2), Variant(2.0)), vrEqual);
    EXPECT_EQ(
        VarCompareValue(Variant(std::int64_t{9007199254740993}), Variant(std::int64_t{9007199254740992})),
        vrGreaterThan);
    EXPECT_EQ(VarCompareValue(Variant("10"), Variant(9)), vrGreaterThan);
    EXPECT_EQ(VarCompareValue(Variant("10"), Variant("9")), vrLessThan);
    EXPECT_EQ(VarCompareValue(Variant("a"), Variant("B")), vrLessThan);
    EXPECT_EQ(VarCompareValue(Variant(), Variant("")), vrEqual);
    EXPECT_EQ(VarCompareValue(Variant(), Variant(0)), vrEqual);
    EXPECT_EQ(VarCompareValue(Variant::Null(), Variant::Null()), vrEqual);
    EXPECT_EQ(VarCompareValue(Variant::Null(), Variant(0)), vrNotEqual);
    EXPECT_FALSE(Variant::Null() < Variant(0));
    EXPECT_FALSE(Variant(0) < Variant::Null());
    EXPECT_THROW(VarCompareValue(Variant::ArrayOf({1, 2}), Variant(1)), EVariantError);
    EXPECT_EQ(Variant::ArrayOf({1, "x"}).Items().size(), 2u);
    EXPECT_THROW(Variant(1).Items(), EVariantError);
}
