#include "platform/framework/ImgList.h"

#include "GuiTestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr TColor red = 0x0000FF;
constexpr TColor green = 0x00FF00;
constexpr TColor blue = 0xFF0000;
constexpr TColor grey = 0x808080;

// A bitmap of bands, each band wide and filled with its colour.
std::unique_ptr<TBitmap> bands(std::initializer_list<TColor> colors, int band, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(band * static_cast<int>(colors.size()), height);
    int left = 0;
    for (TColor color : colors) {
        bitmap->Canvas().Brush().SetColor(color);
        bitmap->Canvas().FillRect({left, 0, left + band, height});
        left += band;
    }
    return bitmap;
}

std::unique_ptr<TBitmap> filled(int width, int height, TColor color) {
    return bands({color}, width, height);
}

} // namespace

TEST(ImageList, AStripIsCutIntoPicturesOfTheListWidth) {
    TImageList list(nullptr, 4, 3);
    EXPECT_EQ(list.Add(*bands({red, green, blue}, 4, 3), nullptr), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Add(*filled(4, 3, grey), nullptr), 3) << "the index of the first picture added";

    auto target = filled(10, 5, clWhite);
    list.Draw(target->Canvas(), 2, 1, 1);
    EXPECT_EQ(target->Pixel(2, 1), green);
    EXPECT_EQ(target->Pixel(5, 3), green);
    EXPECT_EQ(target->Pixel(6, 1), clWhite) << "a picture is only the list's width";
    EXPECT_EQ(target->Pixel(2, 4), clWhite) << "and its height";
}

TEST(ImageList, MaskedPixelsLeaveTheCanvasAsItWas) {
    TImageList list(nullptr, 2, 1);
    auto image = bands({red, grey}, 1, 1);
    list.AddMasked(*image, grey);
    auto mask = bands({clWhite, clBlack}, 1, 1);
    list.Add(*image, mask.get());

    auto target = filled(2, 2, clWhite);
    list.Draw(target->Canvas(), 0, 0, 0);
    list.Draw(target->Canvas(), 0, 1, 1);
    EXPECT_EQ(target->Pixel(0, 0), red);
    EXPECT_EQ(target->Pixel(1, 0), clWhite) << "the mask colour is not drawn";
    EXPECT_EQ(target->Pixel(0, 1), clWhite) << "white in the mask is not drawn";
    EXPECT_EQ(target->Pixel(1, 1), grey);
}

TEST(ImageList, ANarrowImageGivesOnePictureWhoseMissingPartIsNotDrawn) {
    TImageList list(nullptr, 4, 4);
    EXPECT_EQ(list.Add(*filled(2, 2, red), nullptr), 0);
    EXPECT_EQ(list.Count(), 1);
    auto target = filled(4, 4, clWhite);
    list.Draw(target->Canvas(), 0, 0, 0);
    EXPECT_EQ(target->Pixel(1, 1), red);
    EXPECT_EQ(target->Pixel(3, 3), clWhite);
}

TEST(ImageList, ReplaceAndDeleteKeepTheOtherIndices) {
    TImageList list(nullptr, 1, 1);
    list.Add(*bands({red, green, blue}, 1, 1), nullptr);
    list.ReplaceMasked(1, *filled(1, 1, grey), clNone);
    list.Delete(0);
    ASSERT_EQ(list.Count(), 2);
    TBitmap picture;
    list.GetBitmap(0, picture);
    EXPECT_EQ(picture.Pixel(0, 0), grey);
    list.GetBitmap(1, picture);
    EXPECT_EQ(picture.Pixel(0, 0), blue);
}

TEST(ImageList, BadIndicesRaiseExceptWhenDrawing) {
    TImageList list(nullptr, 1, 1);
    list.Add(*filled(1, 1, red), nullptr);
    auto image = filled(1, 1, green);
    EXPECT_THROW(list.Replace(1, *image, nullptr), Exception);
    EXPECT_THROW(list.Delete(-1), Exception);
    EXPECT_THROW(list.GetBitmap(5, *image), Exception);
    auto target = filled(1, 1, clWhite);
    list.Draw(target->Canvas(), 0, 0, 7);
    EXPECT_EQ(target->Pixel(0, 0), clWhite);
}

TEST(ImageList, TheMaskIsBlackWhereAPictureIsDrawn) {
    TImageList list(nullptr, 2, 1);
    list.AddMasked(*bands({red, grey}, 1, 1), grey);
    TBitmap mask, picture;
    list.GetMask(0, mask);
    list.GetBitmap(0, picture);
    EXPECT_EQ(mask.Width(), 2);
    EXPECT_EQ(mask.Pixel(0, 0), clBlack);
    EXPECT_EQ(mask.Pixel(1, 0), clWhite);
    EXPECT_EQ(picture.Pixel(1, 0), clBlack) << "undrawn pixels read as black";

    TImageList copy(nullptr, 2, 1);
    copy.Add(picture, &mask);
    auto target = filled(2, 1, clWhite);
    copy.Draw(target->Canvas(), 0, 0, 0);
    EXPECT_EQ(target->Pixel(0, 0), red);
    EXPECT_EQ(target->Pixel(1, 0), clWhite) << "a picture and its mask make the same picture again";
}

TEST(ImageList, ANewSizeEmptiesTheListAndTellsItsListener) {
    TImageList list(nullptr, 2, 2);
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.Add(*filled(4, 2, red), nullptr);
    list.SetSize(2, 2);
    EXPECT_EQ(list.Count(), 2) << "the same size changes nothing";
    list.SetSize(3, 2);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 2);
}

TEST(BitmapTransparency, TheAutomaticColourIsTheBottomLeftPixelAndASetOneIsFixed) {
    auto bitmap = bands({red, green}, 1, 2);
    bitmap->SetPixel(0, 1, blue);
    EXPECT_EQ(bitmap->TransparentMode(), tmAuto);
    EXPECT_EQ(bitmap->TransparentColor(), blue);
    bitmap->SetTransparentColor(green);
    EXPECT_EQ(bitmap->TransparentMode(), tmFixed);
    EXPECT_EQ(bitmap->TransparentColor(), green);
    TBitmap copy;
    copy.Assign(*bitmap);
    EXPECT_EQ(copy.TransparentColor(), green) << "a copy keeps the fixed colour";
    EXPECT_EQ(TBitmap().TransparentColor(), clNone);
}

TEST(BitmapTransparency, ATransparentBitmapIsDrawnWithoutItsTransparentColour) {
    auto glyph = bands({red, clFuchsia}, 1, 1);
    glyph->SetTransparentColor(clFuchsia);
    auto target = filled(4, 1, clWhite);
    target->Canvas().Draw(0, 0, *glyph);
    EXPECT_EQ(target->Pixel(1, 0), clFuchsia) << "an opaque bitmap draws every pixel";
    glyph->SetTransparent(true);
    target->Canvas().Draw(2, 0, *glyph);
    EXPECT_EQ(target->Pixel(2, 0), red);
    EXPECT_EQ(target->Pixel(3, 0), clWhite);
}
