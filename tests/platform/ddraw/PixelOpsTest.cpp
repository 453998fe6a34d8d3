// The pixel kernels of the DirectDraw stand-in checked against plain definitions of what they
// compute.
#include "platform/ddraw/PixelOps.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

using Palette = std::array<PALETTEENTRY, 256>;

Palette randomPalette(std::mt19937& random) {
    Palette palette;
    for (PALETTEENTRY& e : palette)
        e = PALETTEENTRY{BYTE(random()), BYTE(random()), BYTE(random()), 0};
    return palette;
}

// A few colours used many times, the rest unused black: ties everywhere.
Palette clusteredPalette() {
    Palette palette{};
    const BYTE levels[] = {0, 32, 64, 96, 128, 160, 192, 224, 255, 31, 33};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = PALETTEENTRY{levels[i % 11], levels[(i / 11) % 11], levels[(i / 3) % 11], 0};
    return palette;
}

void expectSameAsTheFullSearch(const Palette& palette, std::mt19937& random) {
    const pixelops::NearestColorTable table(palette.data());
    // The entries themselves, the corners and edges of the cells, and random colours.
    for (const PALETTEENTRY& e : palette)
        ASSERT_EQ(table.Nearest(e.peRed, e.peGreen, e.peBlue),
                  pixelops::NearestPaletteIndex(palette.data(), e.peRed, e.peGreen, e.peBlue));
    const int edges[] = {0, 1, 30, 31, 32, 33, 63, 64, 127, 128, 223, 224, 254, 255};
    for (int r : edges)
        for (int g : edges)
            for (int b : edges)
                ASSERT_EQ(table.Nearest(BYTE(r), BYTE(g), BYTE(b)),
                          pixelops::NearestPaletteIndex(palette.data(), BYTE(r), BYTE(g), BYTE(b)))
                    << r << "," << g << "," << b;
    for (int n = 0; n < 200000; ++n) {
        const BYTE r = BYTE(random()), g = BYTE(random()), b = BYTE(random());
        ASSERT_EQ(table.Nearest(r, g, b), pixelops::NearestPaletteIndex(palette.data(), r, g, b))
            << int(r) << "," << int(g) << "," << int(b);
    }
}

} // namespace

TEST(NearestColorTable, AnswersAsTheFullSearchForRandomPalettes) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 4; ++round)
        expectSameAsTheFullSearch(randomPalette(random), random);
}

TEST(NearestColorTable, KeepsTheLowestIndexAmongEquallyNearEntries) {
    std::mt19937 random(7);
    expectSameAsTheFullSearch(clusteredPalette(), random);
    Palette one{};
    const pixelops::NearestColorTable table(one.data());
    EXPECT_EQ(table.Nearest(255, 255, 255), 0) << "all entries black: the first one";
}
