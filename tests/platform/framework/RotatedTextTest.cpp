#include "platform/framework/Bitmap.h"
#include "platform/framework/Canvas.h"
#include "tests/platform/framework/BitmapInk.h"

#include <gtest/gtest.h>

namespace {

struct Sheet {
    explicit Sheet(TPixelFormat format = pf32bit) {
        bitmap.SetPixelFormat(format);
        if (format == pf8bit) {
            std::vector<TPaletteEntry> grey(256);
            for (int i = 0; i < 256; ++i)
                grey[static_cast<std::size_t>(i)] = {BYTE(i), BYTE(i), BYTE(i), 0};
            bitmap.SetPalette(grey);
        }
        bitmap.SetSize(200, 200);
        TCanvas& c = bitmap.Canvas();
        c.Brush().SetColor(clWhite);
        c.FillRect({0, 0, 200, 200});
        c.Brush().SetStyle(bsClear);
        c.Font().SetName("Arial");
        c.Font().SetHeight(-20);
        c.Font().SetColor(clBlack);
    }
    TBitmap bitmap;
};

} // namespace

TEST(RotatedText, QuarterTurnRunsUpwardsFromTheStartPoint) {
    Sheet sheet;
    TCanvas& canvas = sheet.bitmap.Canvas();
    const TSize level = canvas.TextExtent("Vortamix");
    canvas.Font().SetOrientation(900);
    canvas.TextOut(60, 180, "Vortamix");
    const RECT ink = InkBounds(sheet.bitmap, clWhite);
    // Turned a quarter counterclockwise about (60, 180): the text stands upright above
    // the start point, its cell's height now running to the right of it.
    EXPECT_GE(ink.left, 60);
    EXPECT_LE(ink.right, 60 + level.cy + 1);
    EXPECT_LE(ink.bottom, 181);
    EXPECT_GE(ink.top, 180 - level.cx - 1);
    EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
    EXPECT_EQ(canvas.PenPos(), (POINT{60, 180 - level.cx}));
}

TEST(RotatedText, HalfTurnAndOpaqueBackground) {
    Sheet sheet;
    TCanvas& canvas = sheet.bitmap.Canvas();
    canvas.Font().SetOrientation(1800);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clRed);
    canvas.TextOut(150, 100, "Tx");
    const TSize level = canvas.TextExtent("Tx");
    // Upside down and to the left of the start point, on its filled cell.
    EXPECT_EQ(sheet.bitmap.Pixel(150 - 1, 100 - 1), clRed);
    EXPECT_EQ(sheet.bitmap.Pixel(150 - level.cx + 1, 100 - level.cy + 1), clRed);
    EXPECT_EQ(sheet.bitmap.Pixel(151, 101), clWhite);
    EXPECT_EQ(sheet.bitmap.Pixel(150 - level.cx - 2, 100), clWhite);
}

TEST(RotatedText, ClippedAndOnEightBitTargets) {
    Sheet sheet(pf8bit);
    TCanvas& canvas = sheet.bitmap.Canvas();
    canvas.Font().SetOrientation(450);
    canvas.TextRect({0, 0, 100, 200}, 50, 150, "clipped at the middle");
    const RECT ink = InkBounds(sheet.bitmap, clWhite);
    EXPECT_GT(ink.right, 50);
    EXPECT_LE(ink.right, 100);
    EXPECT_LT(ink.top, 150);
    // A whole turn is no turn at all.
    Sheet level;
    level.bitmap.Canvas().Font().SetOrientation(3600);
    level.bitmap.Canvas().TextOut(10, 10, "x");
    EXPECT_LE(InkBounds(level.bitmap, clWhite).top, 30);
    EXPECT_GE(InkBounds(level.bitmap, clWhite).top, 10);
}

TEST(FontHandles, CarryEveryAttributeAndCutLongFaceNames) {
    TFont font;
    font.SetName("Liberation Mono");
    font.SetHeight(-13);
    font.SetStyle(fsBold | fsUnderline);
    font.SetPitch(fpFixed);
    font.SetCharSet(ANSI_CHARSET);
    font.SetOrientation(450);
    const HFONT handle = font.Handle();
    EXPECT_EQ(handle->Weight, FW_BOLD);
    EXPECT_EQ(handle->Underline, 1);
    EXPECT_EQ(handle->PitchAndFamily, 1);
    EXPECT_EQ(handle->Escapement, 450);
    TFont copy;
    copy.SetHandle(handle);
    EXPECT_EQ(copy.Name(), "Liberation Mono");
    EXPECT_EQ(copy.Style(), fsBold | fsUnderline);
    EXPECT_EQ(copy.Pitch(), fpFixed);
    EXPECT_EQ(copy.CharSet(), ANSI_CHARSET);
    EXPECT_EQ(copy.Orientation(), 450);
    TLogFont wide;
    wide.FaceName = std::string(40, 'F');
    EXPECT_EQ(CreateFontIndirect(wide)->FaceName, std::string(31, 'F'));
    TFont assigned;
    assigned.Assign(copy);
    EXPECT_EQ(assigned.Orientation(), 450);
}
