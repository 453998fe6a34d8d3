// title.pcx: the night maze under a big fiery "VORTAMIX", wrapping sideways without a seam
// because the game scrolls it round while paused.
#include "tools/datagen/Art.h"
#include "tools/datagen/Noise.h"
#include "tools/datagen/Palette.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kGroundTop = 352; // four rows of maze tiles below
const Vec2 kWordCentre{320, 176};
constexpr float kLetterWidth = 62, kLetterHeight = 112, kLetterGap = 10, kStroke = 20;

Rgba sky(Vec2 p) {
    struct Stop {
        float y;
        Rgba colour;
    };
    static const Stop stops[] = {{0, rgb(8, 8, 30)},
                                 {180, rgb(30, 28, 92)},
                                 {290, rgb(100, 44, 126)},
                                 {340, rgb(236, 112, 70)},
                                 {352, rgb(255, 170, 90)}};
    Rgba c = stops[0].colour;
    for (std::size_t i = 1; i < std::size(stops); ++i)
        if (p.y >= stops[i - 1].y)
            c = mix(stops[i - 1].colour, stops[i].colour,
                    clamp01((p.y - stops[i - 1].y) / (stops[i].y - stops[i - 1].y)));
    // Stars on a lattice that repeats with the picture's width.
    int cx = static_cast<int>(p.x) / 2 % (kWidth / 2), cy = static_cast<int>(p.y) / 2;
    float star = hash01(cx, cy, 4242);
    if (p.y < 280 && star > 0.993f)
        c = mix(c, rgb(255, 255, 240), (star - 0.993f) / 0.007f * (1 - p.y / 300));
    // The moon.
    float moon = std::max(sdCircle(p, {528, 84}, 30), -sdCircle(p, {542, 76}, 26));
    if (moon <= 0) c = mix(rgb(255, 250, 220), rgb(230, 220, 170), clamp01((p.x - 500) / 40));
    return c;
}

// Far blocks and crates against the sunset, one 32-pixel column at a time.
float skylineTop(float x) {
    int column = static_cast<int>(x) / 32 % (kWidth / 32);
    return 296.f + std::floor(hash01(column, 0, 99) * 6) * 9.f;
}

Rgba word(Vec2 p, Rgba dst) {
    auto letters = [&](Vec2 q) {
        return sdBlockWord("VORTAMIX", q, kWordCentre, kLetterWidth, kLetterHeight, kLetterGap, kStroke);
    };
    float d = letters(p);
    // Fiery aura rising off the letters.
    if (d > 0 && d < 30) {
        // Tongues: noise stretched upward, stronger above the letters than below.
        float n = fractalNoise(p.x / 8.f, p.y / 16.f + 3.f, 17, 4, kWidth / 8);
        float rise = clamp01((kWordCentre.y + 30 - p.y) / 110);
        float reach = 8.f + 24.f * rise * n;
        float heat = clamp01(1 - d / reach) * (0.5f + 0.7f * n);
        Rgba fire = fireColour(heat);
        if (fire.a > 0) dst = over(dst, fire);
    }
    if (letters(p - Vec2{7, 8}) < 0 && d > 0) dst = over(dst, rgb(26, 8, 34));
    if (d > 4) return dst;
    if (d > 1.5f) return over(dst, rgb(48, 10, 48));
    if (d > 0) return over(dst, rgb(255, 120, 30));
    float t = clamp01((p.y - (kWordCentre.y - kLetterHeight / 2)) / kLetterHeight);
    Rgba fill = t < 0.5f ? mix(rgb(255, 252, 190), rgb(255, 196, 40), t * 2)
                         : mix(rgb(255, 196, 40), rgb(226, 64, 16), (t - 0.5f) * 2);
    const float e = 0.5f;
    float gx = letters(p + Vec2{e, 0}) - letters(p - Vec2{e, 0});
    float gy = letters(p + Vec2{0, e}) - letters(p - Vec2{0, e});
    float facing = -(gx + gy) / (2 * e) * 0.7071f;
    float edge = clamp01(1 + d / 5);
    fill = facing > 0 ? mix(fill, rgb(255, 255, 255), facing * edge * 0.7f)
                      : scale(fill, 1 + facing * edge * 0.45f);
    return over(dst, fill);
}

Rgba titleBackdrop(Vec2 p) {
    Rgba c = sky(p);
    if (p.y >= skylineTop(p.x)) {
        float inBlock = std::fmod(p.x, 32.f), inFloor = std::fmod(p.y - skylineTop(p.x), 14.f);
        c = (inBlock < 1.5f || inBlock > 30.5f) ? rgb(34, 14, 44) : rgb(58, 26, 70);
        // A few lit windows in the far towers.
        int column = static_cast<int>(p.x) / 32 % (kWidth / 32),
            floor = static_cast<int>((p.y - skylineTop(p.x)) / 14.f);
        bool window =
            inFloor > 5 && inFloor < 10 && ((inBlock > 7 && inBlock < 12) || (inBlock > 19 && inBlock < 24));
        if (window && hash01(column * 2 + (inBlock > 16 ? 1 : 0), floor, 5) > 0.55f) c = rgb(255, 206, 110);
    }
    return word(p, c);
}

// Cells of the maze strip where the title's actors stand: bombers, a bomb, a flame, a monster.
struct Actor {
    int column, row;
};
constexpr Actor kBombers[4] = {{2, 0}, {8, 2}, {12, 0}, {18, 2}};
constexpr Actor kBomb{5, 2}, kMonster{10, 2};
constexpr int kFlameRow = 0, kFlameFirst = 14, kFlameLast = 16;

bool stage(int column, int row) {
    for (const Actor& a : kBombers)
        if (a.column == column && a.row == row) return true;
    return (column == kBomb.column && row == kBomb.row) ||
           (column == kMonster.column && row == kMonster.row) ||
           (row == kFlameRow && column >= kFlameFirst && column <= kFlameLast);
}

// Which tile of the garden theme each cell of the strip shows.
int groundTile(int column, int row) {
    if (row % 2 == 1 && column % 2 == 1) return 0;
    if (stage(column, row)) return 10;
    return hash01(column, row, 7) > 0.62f ? 1 : 10;
}

void blitKeyed(IndexedImage& dst, const IndexedImage& sheet, int sx, int sy, int size, int x, int y) {
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            std::uint8_t v = sheet.at(sx + i, sy + j);
            int dx = ((x + i) % kWidth + kWidth) % kWidth;
            if (v != kKeyIndex && y + j < kHeight) dst.at(dx, y + j) = v;
        }
}

} // namespace

IndexedImage drawTitleScreen() {
    QuantizeOptions options;
    options.keyed = false;
    options.dither = 8;
    IndexedImage title = quantize(render(kWidth, kHeight, titleBackdrop, 2), options);
    const IndexedImage maps = drawMapsSheet();
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < kWidth / kCell; ++column) {
            IndexedImage tile(kCell, kCell);
            for (int j = 0; j < kCell; ++j)
                for (int i = 0; i < kCell; ++i)
                    tile.at(i, j) = maps.at(groundTile(column, row) * kCell + i, j);
            title.blit(tile, column * kCell, kGroundTop + row * kCell);
        }
    const PlayersSheet players = drawPlayersSheet();
    const IndexedImage monsters = drawMonstersSheet(), bomb = drawBombSheet(), fire = drawFireSheet();
    auto y = [](int row) { return kGroundTop + row * kCell; };
    for (int player = 0; player < 4; ++player) {
        int facingColumn = player % 2 == 0 ? 0 : 15; // walking right, or facing the viewer
        blitKeyed(title, players.image, facingColumn * kCell, player * kCell, kCell,
                  kBombers[player].column * kCell, y(kBombers[player].row));
    }
    blitKeyed(title, bomb, kCell, 0, kCell, kBomb.column * kCell, y(kBomb.row));
    for (int column = kFlameFirst; column <= kFlameLast; ++column) {
        int piece = column == kFlameFirst ? 1 : column == kFlameLast ? 3 : 2; // left end, middle, right end
        blitKeyed(title, fire, kCell, piece * kCell, kCell, column * kCell, y(kFlameRow));
    }
    blitKeyed(title, monsters, 0, 0, kCell, kMonster.column * kCell, y(kMonster.row));
    return title;
}

} // namespace datagen
