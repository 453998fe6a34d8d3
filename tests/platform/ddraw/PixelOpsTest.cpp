// The pixel kernels of the DirectDraw stand-in checked against plain definitions of what they
// compute.
#include "platform/ddraw/PixelOps.h"

#include "platform/ddraw/KeyedCopy.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

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

namespace {

template <class T> pixelops::KeyedRectCopy<T> rectOf(const pixelops::KeyedRowCopies& copies) {
    if constexpr (sizeof(T) == 1)
        return copies.rect8;
    else if constexpr (sizeof(T) == 2)
        return copies.rect16;
    else
        return copies.rect32;
}

// Three rows of random pixels, a fifth of them the key, in buffers of their own pitches with
// room on either side that must stay as it was.
template <class T> void expectEveryVersionLikeThePlainOne(std::mt19937& random) {
    const auto versions = pixelops::AvailableKeyedCopies();
    constexpr int guard = 80, rows = 3;
    for (int w = 0; w <= 200; ++w) {
        for (int offset : {0, 1, 3}) {
            const T key = static_cast<T>(random());
            const int sourceStride = w + 2 * guard + 5, destStride = w + 2 * guard + 11;
            std::vector<T> source(std::size_t(sourceStride * rows)), dest(std::size_t(destStride * rows));
            for (T& value : source)
                value = random() % 5 == 0 ? key : static_cast<T>(random());
            for (T& value : dest)
                value = static_cast<T>(random());
            auto run = [&](const pixelops::KeyedRowCopies& copies) {
                std::vector<T> out = dest;
                rectOf<T>(copies)(out.data() + guard + offset, std::ptrdiff_t(destStride * sizeof(T)),
                                  source.data() + guard, std::ptrdiff_t(sourceStride * sizeof(T)), w, rows,
                                  key);
                return out;
            };
            const std::vector<T> expected = run(pixelops::ScalarKeyedCopies());
            for (const pixelops::KeyedRowCopies* version : versions)
                ASSERT_EQ(run(*version), expected)
                    << version->name << ", " << sizeof(T) * 8 << " bits, width " << w;
        }
    }
}

} // namespace

TEST(KeyedCopies, EveryVersionGivesThePixelsOfThePlainOne) {
    std::mt19937 random(99);
    expectEveryVersionLikeThePlainOne<std::uint8_t>(random);
    expectEveryVersionLikeThePlainOne<std::uint16_t>(random);
    expectEveryVersionLikeThePlainOne<std::uint32_t>(random);
}

TEST(KeyedCopies, ThePlainOneCopiesAllButTheKey) {
    const std::uint32_t source[] = {1, 7, 2, 7, 7, 3, 7, 4};
    std::uint32_t dest[] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    // Two rows of three from a source four pixels wide into a destination five wide.
    pixelops::ScalarKeyedCopies().rect32(dest, 5 * 4, source, 4 * 4, 3, 2, 7);
    EXPECT_EQ(std::vector<std::uint32_t>(dest, dest + 10),
              (std::vector<std::uint32_t>{1, 9, 2, 9, 9, 9, 3, 9, 9, 9}));
    EXPECT_EQ(pixelops::AvailableKeyedCopies().front(), &pixelops::ScalarKeyedCopies());
}
