// The picture sheets, read with a reader of our own: sizes, the shared palette, the colour
// key, the cells the game uses, the players' outline and GodMode colours.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "tests/game/data/GeneratedData.h"

namespace fs = std::filesystem;
using namespace datatest;

namespace {

struct SheetSize {
    const char* file;
    int width, height; // 0 = checked elsewhere
};

const SheetSize kSheets[] = {
    {"title.pcx", 640, 480},         {"maps.pcx", 13 * 32, 0}, {"players.pcx", 21 * 32, 8 * 32},
    {"monsters.pcx", 12 * 32, 0},    {"bomb.pcx", 0, 32},      {"fire.pcx", 0, 7 * 32},
    {"bonus.pcx", 24 * 32, 13 * 32}, {"explose.pcx", 0, 0},    {"explose2.pcx", 0, 0},
};

const int kBonusFrames[13] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 4, 24};

PcxImage sheet(const char* file) {
    return readPcx(generatedTree("a") / "data/gfx" / file);
}

std::set<int> indicesUsed(const PcxImage& image, int y0, int y1) {
    std::set<int> used;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < image.width; ++x)
            used.insert(image.at(x, y));
    return used;
}

Rgb meanColour(const PcxImage& image, int x0, int y0, int w, int h) {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            std::uint8_t i = image.at(x, y);
            if (i == 0) continue;
            r += image.palette[i].r, g += image.palette[i].g, b += image.palette[i].b, ++n;
        }
    if (n == 0) return {};
    return {static_cast<std::uint8_t>(r / n), static_cast<std::uint8_t>(g / n),
            static_cast<std::uint8_t>(b / n)};
}

int distance(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

} // namespace

TEST(Sheets, AreRunLengthCodedPaletteImagesOfTheExpectedSize) {
    for (const SheetSize& s : kSheets) {
        SCOPED_TRACE(s.file);
        PcxImage image = sheet(s.file);
        EXPECT_EQ(image.version, 5);
        EXPECT_EQ(image.encoding, 1);
        EXPECT_EQ(image.bitsPerPixel, 8);
        EXPECT_EQ(image.planes, 1);
        EXPECT_GT(image.fileSize, 896u); // the loader's palette read needs more than that
        if (s.width) {
            EXPECT_EQ(image.width, s.width);
        }
        if (s.height) {
            EXPECT_EQ(image.height, s.height);
        }
        EXPECT_EQ(image.width % 32, 0);
        EXPECT_EQ(image.height % 32, 0);
    }
}

TEST(Sheets, ShareOnePaletteWithPaletteBmp) {
    Bytes bmp = readFile(generatedTree("a") / "data/gfx/palette.bmp");
    ASSERT_GE(bmp.size(), 14u + 40 + 1024);
    auto le32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24);
    };
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(14), 40u);  // information header size
    EXPECT_EQ(bmp[28], 8);     // bits per pixel
    EXPECT_EQ(le32(46), 256u); // colours used
    EXPECT_EQ(le32(2), bmp.size());
    std::array<Rgb, 256> fromBmp{};
    for (int i = 0; i < 256; ++i)
        fromBmp[i] = {bmp[54 + i * 4 + 2], bmp[54 + i * 4 + 1], bmp[54 + i * 4]};
    EXPECT_EQ(fromBmp[0], (Rgb{0, 0, 0}));
    for (const SheetSize& s : kSheets)
        EXPECT_EQ(sheet(s.file).palette, fromBmp) << s.file;
}

TEST(Sheets, NoOtherColourCanBeMistakenForTheBlackKey) {
    // The key is the black of pixel (0, 0); at 16 bits a colour below one 5-6-5 step would
    // turn transparent, and two entries with one 5-6-5 value could not be told apart.
    PcxImage image = sheet("maps.pcx");
    std::set<std::uint16_t> seen;
    for (int i = 0; i < 256; ++i) {
        EXPECT_TRUE(seen.insert(pack565(image.palette[i])).second) << "entry " << i;
        if (i > 0) {
            EXPECT_NE(pack565(image.palette[i]), 0) << "entry " << i;
        }
    }
}

TEST(Sheets, KeyedSheetsHaveTheBlackKeyAtTheOrigin) {
    for (const SheetSize& s : kSheets) {
        if (std::string(s.file) == "title.pcx") continue;
        PcxImage image = sheet(s.file);
        EXPECT_EQ(image.at(0, 0), 0) << s.file;
    }
}

TEST(Sheets, EveryCellTheGameUsesIsDrawn) {
    PcxImage maps = sheet("maps.pcx"), players = sheet("players.pcx"), monsters = sheet("monsters.pcx");
    for (int row = 0; row < maps.height / 32; ++row)
        for (int column = 0; column < 13; ++column)
            EXPECT_TRUE(maps.cellHasOpaquePixels(column * 32, row * 32, 32))
                << "maps " << row << "," << column;
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 21; ++column)
            EXPECT_TRUE(players.cellHasOpaquePixels(column * 32, row * 32, 32))
                << "players " << row << "," << column;
    for (int row = 0; row < monsters.height / 32; ++row)
        for (int column = 0; column < 12; ++column)
            EXPECT_TRUE(monsters.cellHasOpaquePixels(column * 32, row * 32, 32))
                << "monsters " << row << "," << column;
    for (const char* file : {"bomb.pcx", "fire.pcx"}) {
        PcxImage image = sheet(file);
        for (int y = 0; y < image.height; y += 32)
            for (int x = 0; x < image.width; x += 32)
                EXPECT_TRUE(image.cellHasOpaquePixels(x, y, 32)) << file << " " << x << "," << y;
    }
}

TEST(Sheets, BackgroundTilesAreOpaqueWhereTheMazeIsBlittedWithoutKey) {
    // Wood and floors are copied to the background without a colour key: no hole may show black.
    PcxImage maps = sheet("maps.pcx");
    for (int row = 0; row < maps.height / 32; ++row)
        for (int column : {1, 10, 11, 12})
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    ASSERT_NE(maps.at(column * 32 + x, row * 32 + y), 0)
                        << "theme " << row << " column " << column;
}

TEST(Sheets, MapsHoldAtLeastFourDistinctThemes) {
    PcxImage maps = sheet("maps.pcx");
    const int themes = maps.height / 32;
    ASSERT_GE(themes, 4);
    for (int a = 0; a < themes; ++a)
        for (int b = a + 1; b < themes; ++b) {
            int floor =
                distance(meanColour(maps, 320, a * 32, 32, 32), meanColour(maps, 320, b * 32, 32, 32));
            int block = distance(meanColour(maps, 0, a * 32, 32, 32), meanColour(maps, 0, b * 32, 32, 32));
            EXPECT_GT(floor + block, 60) << "themes " << a << " and " << b;
        }
}

TEST(Sheets, PlayersWearFourClearlyDifferentColours) {
    PcxImage players = sheet("players.pcx");
    // The helmet, seen from behind (walking up).
    Rgb suit[4];
    for (int p = 0; p < 4; ++p)
        suit[p] = meanColour(players, 5 * 32 + 11, p * 32 + 6, 10, 10);
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_GT(distance(suit[a], suit[b]), 90) << a << " and " << b;
}

TEST(Sheets, OutlinePixelAndGodColourAgreeWithTheSettings) {
    PcxImage players = sheet("players.pcx");
    IniFile ini = readIni(generatedTree("a") / "vortamix.ini");
    const int x = std::atoi(ini.get("GFX", "PlayerBorderColorX").c_str());
    const int y = std::atoi(ini.get("GFX", "PlayerBorderColorY").c_str());
    // The game reads the pixel at y * 640 + x from the start of the surface, whatever its pitch.
    ASSERT_EQ(y, 0);
    ASSERT_GE(x, 0);
    ASSERT_LT(x, players.width);
    const int outline = players.at(x, y);
    ASSERT_NE(outline, 0);
    const unsigned god = static_cast<unsigned>(std::atol(ini.get("GFX", "GodBorderColor").c_str()));
    const Rgb godRgb{static_cast<std::uint8_t>(god & 0xFF), static_cast<std::uint8_t>(god >> 8 & 0xFF),
                     static_cast<std::uint8_t>(god >> 16 & 0xFF)};
    int godIndex = -1;
    for (int i = 0; i < 256; ++i)
        if (players.palette[i] == godRgb) godIndex = i;
    ASSERT_GE(godIndex, 0) << "the GodMode colour must be an exact palette colour";

    // Every player row carries the outline; the blink swaps outline and god colour by pixel
    // value, so at 8, 16 and 32 bits neither may match any other colour of the rows.
    for (int row = 0; row < 8; ++row) {
        std::set<int> used = indicesUsed(players, row * 32, row * 32 + 32);
        EXPECT_TRUE(used.count(outline)) << "row " << row;
        EXPECT_FALSE(used.count(godIndex)) << "row " << row;
        for (int i : used) {
            if (i == outline) continue;
            EXPECT_NE(pack565(players.palette[i]), pack565(players.palette[outline])) << "row " << row;
            EXPECT_NE(pack565(players.palette[i]), pack565(godRgb)) << "row " << row;
        }
    }
}

TEST(Sheets, BonusRowsHaveTheirFrameCountsAndNothingBeyond) {
    PcxImage bonus = sheet("bonus.pcx");
    for (int kind = 0; kind < 13; ++kind)
        for (int column = 0; column < bonus.width / 32; ++column)
            EXPECT_EQ(bonus.cellHasOpaquePixels(column * 32, kind * 32, 32), column < kBonusFrames[kind])
                << "kind " << kind << " column " << column;
}

TEST(Sheets, AnimationFramesDiffer) {
    PcxImage bonus = sheet("bonus.pcx"), bomb = sheet("bomb.pcx"), monsters = sheet("monsters.pcx");
    auto same = [](const PcxImage& image, int x0, int y0, int x1, int y1) {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (image.at(x0 + x, y0 + y) != image.at(x1 + x, y1 + y)) return false;
        return true;
    };
    for (int kind = 0; kind < 13; ++kind)
        EXPECT_FALSE(same(bonus, 0, kind * 32, 32, kind * 32)) << "bonus " << kind;
    EXPECT_FALSE(same(bomb, 0, 0, 32, 0));
    for (int row = 0; row < monsters.height / 32; ++row)
        EXPECT_FALSE(same(monsters, 0, row * 32, 32, row * 32));
}

TEST(Sheets, FlameMiddlesJoinTheirNeighboursWithoutASeam) {
    // Where two pieces meet, the flame's cross-section on both sides of the joint must match.
    PcxImage fire = sheet("fire.pcx");
    auto columnSpan = [&](int piece, int frame, int x) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            n += fire.at(frame * 32 + x, piece * 32 + y) != 0;
        return n;
    };
    auto rowSpan = [&](int piece, int frame, int y) {
        int n = 0;
        for (int x = 0; x < 32; ++x)
            n += fire.at(frame * 32 + x, piece * 32 + y) != 0;
        return n;
    };
    enum { kCentre, kLeftEnd, kHMiddle, kRightEnd, kTopEnd, kVMiddle, kBottomEnd };
    for (int frame = 0; frame < fire.width / 32; ++frame) {
        SCOPED_TRACE(frame);
        EXPECT_NEAR(columnSpan(kLeftEnd, frame, 31), columnSpan(kHMiddle, frame, 0), 2);
        EXPECT_NEAR(columnSpan(kHMiddle, frame, 31), columnSpan(kHMiddle, frame, 0), 2);
        EXPECT_NEAR(columnSpan(kHMiddle, frame, 31), columnSpan(kCentre, frame, 0), 2);
        EXPECT_NEAR(columnSpan(kCentre, frame, 31), columnSpan(kRightEnd, frame, 0), 2);
        EXPECT_NEAR(rowSpan(kTopEnd, frame, 31), rowSpan(kVMiddle, frame, 0), 2);
        EXPECT_NEAR(rowSpan(kVMiddle, frame, 31), rowSpan(kCentre, frame, 0), 2);
        EXPECT_NEAR(rowSpan(kCentre, frame, 31), rowSpan(kBottomEnd, frame, 0), 2);
        EXPECT_GT(columnSpan(kHMiddle, frame, 16), 4);
    }
}

TEST(Sheets, ExplosionsAreRowsOfSquareFrames) {
    for (const char* file : {"explose.pcx", "explose2.pcx"}) {
        PcxImage image = sheet(file);
        SCOPED_TRACE(file);
        EXPECT_GE(image.height, 64);
        EXPECT_EQ(image.width % image.height, 0);
        EXPECT_GE(image.width / image.height, 4);
        EXPECT_EQ(image.at(0, 0), 0);
    }
}

TEST(Sheets, TitleWrapsSidewaysWithoutASeam) {
    // The wrap joins the last column to the first. Compare that step with the steps at the
    // other cell boundaries, where the maze strip changes tiles too.
    PcxImage title = sheet("title.pcx");
    auto step = [&](int xa, int xb) {
        long sum = 0;
        for (int y = 0; y < title.height; ++y)
            sum += distance(title.palette[title.at(xa, y)], title.palette[title.at(xb, y)]);
        return static_cast<double>(sum) / title.height;
    };
    double typical = 0;
    for (int x = 32; x < title.width; x += 32)
        typical += step(x - 1, x);
    typical /= title.width / 32 - 1;
    EXPECT_LE(step(title.width - 1, 0), typical * 1.5);
}
