#include "game/PlayerColors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A sheet whose rows are wider in memory than in pixels, as surfaces are.
struct Sheet {
    std::vector<BYTE> bytes;
    TSheetPixels pixels;
    Sheet(int width, int height, int bpp) {
        pixels.Width = width;
        pixels.Height = height;
        pixels.BitsPerPixel = bpp;
        pixels.Pitch = width * bpp / 8 + 12;
        bytes.assign(static_cast<std::size_t>(pixels.Pitch * height), 0);
        pixels.Bits = bytes.data();
    }
    DWORD get(int x, int y) {
        DWORD v = 0;
        std::memcpy(&v, pixels.Bits + y * pixels.Pitch + x * pixels.BitsPerPixel / 8,
                    static_cast<std::size_t>(pixels.BitsPerPixel / 8));
        return v;
    }
    void set(int x, int y, DWORD v) {
        std::memcpy(pixels.Bits + y * pixels.Pitch + x * pixels.BitsPerPixel / 8, &v,
                    static_cast<std::size_t>(pixels.BitsPerPixel / 8));
    }
};

} // namespace

TEST(PlayerColors, BorderPixelIsReadByPitchAndOnlyInsideTheSheet) {
    for (int bpp : {8, 16, 32}) {
        Sheet s(50, 40, bpp);
        s.set(7, 3, 0xAB);
        DWORD v = 0;
        ASSERT_TRUE(ReadSheetPixel(s.pixels, 7, 3, v)) << bpp;
        EXPECT_EQ(v, 0xABu);
        EXPECT_FALSE(ReadSheetPixel(s.pixels, 50, 0, v));
        EXPECT_FALSE(ReadSheetPixel(s.pixels, 0, 40, v));
        EXPECT_FALSE(ReadSheetPixel(s.pixels, -1, 0, v));
    }
    Sheet s(4, 4, 32);
    s.set(1, 1, 0xFF123456);
    DWORD v = 0;
    ASSERT_TRUE(ReadSheetPixel(s.pixels, 1, 1, v));
    EXPECT_EQ(v, 0x123456u);
}

TEST(PlayerColors, SwapExchangesBothColoursInThirtyTwoRowsOnly) {
    for (int bpp : {8, 16, 32}) {
        Sheet s(20, 96, bpp);
        s.set(0, 32, 5);
        s.set(19, 63, 9);
        s.set(3, 40, 7);
        s.set(0, 64, 5);
        s.set(0, 31, 5);
        ASSERT_TRUE(SwapSheetColors(s.pixels, 32, 5, 9)) << bpp;
        EXPECT_EQ(s.get(0, 32), 9u);
        EXPECT_EQ(s.get(19, 63), 5u);
        EXPECT_EQ(s.get(3, 40), 7u);
        EXPECT_EQ(s.get(0, 64), 5u);
        EXPECT_EQ(s.get(0, 31), 5u);
    }
}

TEST(PlayerColors, ThirtyTwoBitPixelsCompareByColourAndAreWrittenWhole) {
    Sheet s(4, 32, 32);
    s.set(0, 0, 0xFF000005);
    ASSERT_TRUE(SwapSheetColors(s.pixels, 0, 0x00000005, 0xAA000009));
    EXPECT_EQ(s.get(0, 0), 0xAA000009u);
}

TEST(PlayerColors, RowsOutsideTheSheetChangeNothing) {
    Sheet s(4, 40, 16);
    s.set(0, 20, 5);
    EXPECT_FALSE(SwapSheetColors(s.pixels, 20, 5, 9));
    EXPECT_EQ(s.get(0, 20), 5u);
    EXPECT_FALSE(SwapSheetColors(s.pixels, -1, 5, 9));
    Sheet deep(4, 32, 24);
    EXPECT_FALSE(SwapSheetColors(deep.pixels, 0, 5, 9));
}
