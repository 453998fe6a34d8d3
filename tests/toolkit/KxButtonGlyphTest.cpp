#include "toolkit/KxButtonGlyph.h"

#include "platform/framework/Application.h"
#include "platform/framework/QtBridge.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr TColor key = clFuchsia;

// A strip of count pictures of width x height, picture i filled with colors[i] on the key
// colour except a one-pixel key border, so the pictures can be told apart and keyed.
std::unique_ptr<TBitmap> strip(int count, int width, int height, std::initializer_list<TColor> colors) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(count * width, height);
    bitmap->Canvas().Brush().SetColor(key);
    bitmap->Canvas().FillRect({0, 0, count * width, height});
    int i = 0;
    for (TColor color : colors) {
        bitmap->Canvas().Brush().SetColor(color);
        bitmap->Canvas().FillRect({i * width + 1, 1, i * width + width - 1, height - 1});
        ++i;
    }
    return bitmap;
}

std::unique_ptr<TBitmap> canvasOf(int width, int height, TColor color = clWhite) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    bitmap->Canvas().Brush().SetColor(color);
    bitmap->Canvas().FillRect({0, 0, width, height});
    return bitmap;
}

class GlyphFixture : public ::testing::Test {
protected:
    void SetUp() override { vx::EnsureQtApplication(); }
};

} // namespace

TEST_F(GlyphFixture, TheNumberOfPicturesFollowsAStripOfSquares) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(strip(5, 16, 16, {}).get());
    EXPECT_EQ(glyph.NumGlyphs(), 5);
    glyph.SetGlyph(strip(6, 16, 16, {}).get());
    EXPECT_EQ(glyph.NumGlyphs(), 1) << "6 would exceed 5";
    glyph.SetGlyph(strip(3, 16, 16, {}).get());
    EXPECT_EQ(glyph.NumGlyphs(), 3);
    glyph.SetGlyph(strip(1, 20, 16, {}).get());
    EXPECT_EQ(glyph.NumGlyphs(), 3) << "not a whole number of squares: kept";
    glyph.SetNumGlyphs(0);
    EXPECT_EQ(glyph.NumGlyphs(), 3);
    glyph.SetNumGlyphs(9);
    EXPECT_EQ(glyph.NumGlyphs(), 5);
    EXPECT_EQ(glyph.TransparentColor(), key) << "the bottom-left pixel";
}

TEST_F(GlyphFixture, EqualPictureSizesShareOneListThatGoesWithTheLastPicture) {
    {
        TKxButtonGlyph first, second;
        first.SetGlyph(strip(1, 16, 16, {clRed}).get());
        second.SetGlyph(strip(2, 16, 16, {clBlue, clGreen}).get());
        ASSERT_GE(first.CreateButtonGlyph(kbsUp), 0);
        ASSERT_GE(second.CreateButtonGlyph(kbsUp), 0);
        EXPECT_EQ(first.GlyphList(), second.GlyphList());
        EXPECT_EQ(GlyphCache()->ListCount(), 1);
        EXPECT_EQ(first.GlyphList()->UsedCount(), 2);
        first.Invalidate();
        EXPECT_EQ(GlyphCache()->ListCount(), 1) << "the second still uses it";
        second.Invalidate();
        EXPECT_EQ(GlyphCache()->ListCount(), 0);
        TKxButtonGlyph third;
        EXPECT_NE(GlyphCache(), nullptr);
    }
    EXPECT_EQ(GlyphCache(), nullptr) << "freed with the last glyph";
}

TEST_F(GlyphFixture, AFreedSlotIsTakenByTheNextPicture) {
    TGlyphList list(4, 4);
    auto picture = canvasOf(4, 4, clRed);
    EXPECT_EQ(list.AddMasked(*picture, key), 0);
    EXPECT_EQ(list.AddMasked(*picture, key), 1);
    list.Delete(0);
    EXPECT_EQ(list.UsedCount(), 1);
    EXPECT_EQ(list.Count(), 2) << "deleting only frees the slot";
    EXPECT_EQ(list.AddMasked(*picture, key), 0);
    EXPECT_EQ(list.AddMasked(*picture, key), 2);
}

TEST_F(GlyphFixture, EachStateTakesItsPictureOrTheFirst) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(strip(4, 8, 8, {clRed, clGreen, clBlue, clYellow}).get());
    auto target = canvasOf(8, 8);
    const auto drawn = [&](TKxButtonState state) {
        glyph.DrawButtonGlyph(target->Canvas(), 0, 0, state);
        return target->Pixel(4, 4);
    };
    EXPECT_EQ(drawn(kbsUp), clRed);
    EXPECT_EQ(drawn(kbsDisabled), clGreen);
    EXPECT_EQ(drawn(kbsDown), clBlue);
    EXPECT_EQ(drawn(kbsExclusive), clYellow);
    EXPECT_EQ(target->Pixel(0, 0), clWhite) << "the key colour is not drawn";
    glyph.SetNumGlyphs(2);
    EXPECT_EQ(glyph.CreateButtonGlyph(kbsExclusive), glyph.CreateButtonGlyph(kbsUp))
        << "fewer than three pictures: exclusive is up";
}

TEST_F(GlyphFixture, OnePictureMakesAnEmbossedDisabledLookAndTwoUseTheSecond) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(strip(1, 8, 8, {clRed}).get());
    auto target = canvasOf(10, 10, clWhite);
    glyph.DrawButtonGlyph(target->Canvas(), 0, 0, kbsDisabled);
    int shadow = 0, red = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            shadow += target->Pixel(x, y) == static_cast<TColor>(ColorToRGB(clBtnShadow));
            red += target->Pixel(x, y) == clRed;
        }
    EXPECT_GT(shadow, 20) << "the shape in the shadow colour";
    EXPECT_EQ(red, 0);
    glyph.SetGlyph(strip(2, 8, 8, {clRed, clGreen}).get());
    glyph.DrawButtonGlyph(target->Canvas(), 0, 0, kbsDisabled);
    EXPECT_EQ(target->Pixel(4, 4), clGreen);
}

TEST_F(GlyphFixture, TheInactiveLookIsGreyExceptKeyAndFace) {
    TKxButtonGlyph glyph;
    auto bitmap = strip(1, 8, 8, {static_cast<TColor>(RGB(200, 100, 50))});
    bitmap->SetPixel(3, 3, clBtnFace);
    glyph.SetGlyph(bitmap.get());
    auto target = canvasOf(8, 8, clBlack);
    glyph.DrawButtonGlyph(target->Canvas(), 0, 0, kbsInactive);
    const int grey = (77 * 200 + 150 * 100 + 29 * 50) / 256;
    EXPECT_EQ(target->Pixel(5, 5), static_cast<TColor>(RGB(grey, grey, grey)));
    EXPECT_EQ(target->Pixel(3, 3), static_cast<TColor>(ColorToRGB(clBtnFace)));
    EXPECT_EQ(target->Pixel(0, 0), clBlack) << "the key colour stays out";
    glyph.SetGlyph(strip(5, 8, 8, {clRed, clRed, clRed, clRed, clLime}).get());
    glyph.DrawButtonGlyph(target->Canvas(), 0, 0, kbsInactive);
    EXPECT_EQ(target->Pixel(5, 5), clLime) << "a fifth picture is the inactive one";
}

TEST_F(GlyphFixture, ImageListPicturesAreMadeForTheImageTheyAreDrawnFrom) {
    TImageList images(nullptr, 8, 8);
    auto two = strip(2, 8, 8, {static_cast<TColor>(RGB(200, 0, 0)), static_cast<TColor>(RGB(0, 0, 200))});
    images.AddMasked(*two, key);
    TKxButtonGlyph glyph;
    auto target = canvasOf(8, 8);
    glyph.DrawButtonImage(target->Canvas(), 0, 0, images, 0, kbsInactive);
    const TColor firstGrey = target->Pixel(4, 4);
    glyph.DrawButtonImage(target->Canvas(), 0, 0, images, 1, kbsInactive);
    EXPECT_NE(target->Pixel(4, 4), firstGrey) << "not the grey picture of image 0";
    glyph.DrawButtonImage(target->Canvas(), 0, 0, images, 1, kbsUp);
    EXPECT_EQ(target->Pixel(4, 4), static_cast<TColor>(RGB(0, 0, 200)));
    EXPECT_EQ(glyph.DrawButtonImage(target->Canvas(), 0, 0, images, 7, kbsUp), TSize{}) << "no such image";
}

TEST_F(GlyphFixture, AutomaticMarginAndSpacingSplitTheFreeSpaceInThree) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(strip(1, 16, 16, {clRed}).get());
    TCanvas canvas;
    POINT glyphPos{};
    RECT text{};
    std::string caption = "Go";
    const RECT client{0, 0, 100, 40};
    glyph.CalcButtonLayout(canvas, client, caption, blGlyphLeft, -1, -1, false, glyphPos, text, 0, nullptr,
                           -1);
    const int textWidth = text.right - text.left;
    const int third = (100 - (16 + textWidth)) / 3;
    EXPECT_EQ(glyphPos.x, third);
    EXPECT_EQ(text.left, third + 16 + third);
    EXPECT_EQ(glyphPos.y, 40 / 2 - 16 / 2);
    EXPECT_NEAR(100 - text.right, third, 2) << "the rest after the text";
}

TEST_F(GlyphFixture, GivenMarginAndSpacingPlaceGlyphAndTextAlongTheLayout) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(strip(1, 10, 12, {clRed}).get());
    TCanvas canvas;
    POINT g{};
    RECT t{};
    std::string caption = "Caption";
    const RECT client{5, 7, 125, 67};
    glyph.CalcButtonLayout(canvas, client, caption, blGlyphTop, 4, 2, false, g, t, 0, nullptr, -1);
    EXPECT_EQ(g.y, 7 + 4);
    EXPECT_EQ(t.top, 7 + 4 + 12 + 2);
    EXPECT_EQ(g.x, 5 + 120 / 2 - 10 / 2);
    caption = "Caption";
    glyph.CalcButtonLayout(canvas, client, caption, blGlyphRight, 4, 2, false, g, t, 0, nullptr, -1);
    EXPECT_EQ(g.x, 5 + 120 - 4 - 10);
    EXPECT_EQ(t.right, g.x - 2);
    caption = "Caption";
    glyph.CalcButtonLayout(canvas, client, caption, blGlyphBottom, 4, -1, false, g, t, 0, nullptr, -1);
    EXPECT_EQ(g.y, 7 + 60 - 4 - 12);
    const int textHeight = t.bottom - t.top;
    EXPECT_EQ(t.top, g.y - ((60 - (4 + 12)) / 2 - textHeight / 2) - textHeight);
}

TEST_F(GlyphFixture, ADropDownMarkWidensTheGlyphOrTheText) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(strip(1, 10, 10, {clRed}).get());
    TCanvas canvas;
    POINT g{}, plain{};
    RECT t{};
    std::string caption;
    glyph.CalcButtonLayout(canvas, {0, 0, 60, 60}, caption, blGlyphTop, -1, 0, false, plain, t, 0, nullptr,
                           -1);
    glyph.CalcButtonLayout(canvas, {0, 0, 60, 60}, caption, blGlyphTop, -1, 0, true, g, t, 0, nullptr, -1);
    EXPECT_EQ(g.x, 30 - 16 / 2) << "the glyph and its mark are centred together";
    EXPECT_EQ(plain.x, 30 - 10 / 2);
    auto target = canvasOf(60, 60);
    target->Canvas().Font().SetColor(clBlack);
    glyph.Draw(target->Canvas(), {0, 0, 60, 60}, "", blGlyphTop, -1, 0, true, kbsUp, 0);
    const int markX = g.x + 10 + 1, markY = g.y + 10 / 2;
    EXPECT_EQ(target->Pixel(markX, markY - 1), static_cast<TColor>(ColorToRGB(clBtnText)));
    EXPECT_EQ(target->Pixel(markX + 6, markY - 1), static_cast<TColor>(ColorToRGB(clBtnText)));
    EXPECT_EQ(target->Pixel(markX + 3, markY + 2), static_cast<TColor>(ColorToRGB(clBtnText)));
    EXPECT_EQ(target->Pixel(markX, markY), clWhite) << "the mark narrows downwards";
}

TEST_F(GlyphFixture, TheDisabledMarkIsEngraved) {
    TKxButtonGlyph glyph;
    auto target = canvasOf(12, 8);
    glyph.DrawPopupMark(target->Canvas(), 2, 3, kbsDisabled);
    EXPECT_EQ(target->Pixel(2, 2), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(target->Pixel(9, 3), static_cast<TColor>(ColorToRGB(clBtnHighlight)))
        << "the highlight copy one pixel down and right";
}

TEST_F(GlyphFixture, CaptionsAreShortenedLineByLineUnlessWrapped) {
    TKxButtonGlyph glyph;
    TCanvas canvas;
    const std::string caption = "A short line\nand a rather longer second line  \n";
    const int width = canvas.TextWidth("A short line");
    const std::string fitted = glyph.MinimizeCaption(canvas, caption, width);
    EXPECT_EQ(fitted.substr(0, 13), "A short line\n");
    EXPECT_NE(fitted.find("..."), std::string::npos);
    EXPECT_NE(fitted.back(), '\n') << "trailing breaks and blanks go";
    glyph.SetWordWrap(true);
    EXPECT_EQ(glyph.MinimizeCaption(canvas, caption, width), caption);
    EXPECT_EQ(glyph.MinimizeCaption(canvas, std::string(300, 'x'), 10).size(), 255u);
}

TEST_F(GlyphFixture, AButtonImageIsARaisedFaceAndLeavesTheCanvasAsItWas) {
    TButtonImage image;
    image.SetGlyph(strip(1, 8, 8, {clRed}).get());
    auto target = canvasOf(40, 40, clWhite);
    TCanvas& canvas = target->Canvas();
    canvas.Brush().SetColor(clYellow);
    canvas.Font().SetColor(clNavy);
    image.Draw(canvas, 4, 4, -1, -1, blGlyphLeft, nullptr, 0);
    EXPECT_EQ(target->Pixel(4, 4), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(target->Pixel(4 + 23, 4 + 22), static_cast<TColor>(ColorToRGB(clWindowFrame)));
    EXPECT_EQ(target->Pixel(5, 5), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(target->Pixel(4 + 22, 4 + 21), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(target->Pixel(4 + 12, 4 + 11), clRed) << "the glyph in the middle";
    EXPECT_EQ(target->Pixel(30, 30), clWhite) << "24 x 23 only";
    EXPECT_EQ(canvas.Brush().Color(), clYellow);
    EXPECT_EQ(canvas.Font().Color(), clNavy);
}
