// maps.pcx: the maze tiles of every theme.
#include <functional>

#include "tools/datagen/Art.h"
#include "tools/datagen/Noise.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

enum class BlockStyle { Stone, Sandstone, Ice, Basalt, Metal };
enum class FloorStyle { Grass, Sand, Snow, Rock, Plates };
enum class CrateTrim { Plain, SnowCap, IronBands };

struct Theme {
    const char* name;
    BlockStyle blockStyle;
    Rgba block;
    FloorStyle floorStyle;
    Rgba floor;
    Rgba wood;
    CrateTrim trim;
    unsigned seed;
};

const std::vector<Theme>& themes() {
    static const std::vector<Theme> table = {
        {"Garden", BlockStyle::Stone, rgb(128, 134, 150), FloorStyle::Grass, rgb(72, 140, 48),
         rgb(176, 112, 52), CrateTrim::Plain, 11},
        {"Desert", BlockStyle::Sandstone, rgb(196, 150, 96), FloorStyle::Sand, rgb(222, 196, 138),
         rgb(150, 74, 48), CrateTrim::Plain, 23},
        {"Glacier", BlockStyle::Ice, rgb(120, 184, 230), FloorStyle::Snow, rgb(226, 234, 248),
         rgb(164, 106, 56), CrateTrim::SnowCap, 37},
        {"Volcano", BlockStyle::Basalt, rgb(80, 66, 92), FloorStyle::Rock, rgb(118, 56, 40), rgb(112, 60, 40),
         CrateTrim::IronBands, 41},
        {"Factory", BlockStyle::Metal, rgb(70, 128, 140), FloorStyle::Plates, rgb(118, 122, 130),
         rgb(190, 130, 64), CrateTrim::IronBands, 53},
    };
    return table;
}

const Vec2 kMid{16, 16};

// Bevel lighting of a rounded tile: +1 on the edges that face the light, -1 on the others.
float bevel(Vec2 p, float half, float radius, float width) {
    float d = sdBox(p, kMid, half, half, radius);
    if (d > 0 || -d > width) return 0;
    const float e = 0.25f;
    float gx =
        sdBox(p + Vec2{e, 0}, kMid, half, half, radius) - sdBox(p - Vec2{e, 0}, kMid, half, half, radius);
    float gy =
        sdBox(p + Vec2{0, e}, kMid, half, half, radius) - sdBox(p - Vec2{0, e}, kMid, half, half, radius);
    float facing = -(gx + gy) / (2 * e) * 0.7071f;
    return facing * (1 - (-d) / width * 0.5f);
}

float periodicNoise(Vec2 p, float cells, unsigned seed, int octaves) {
    return fractalNoise(p.x * cells / 32.f, p.y * cells / 32.f, seed, octaves, static_cast<int>(cells),
                        static_cast<int>(cells));
}

Rgba blockSurface(const Theme& theme, Vec2 p) {
    float n = periodicNoise(p, 8, theme.seed, 3);
    Rgba c = theme.block;
    switch (theme.blockStyle) {
    case BlockStyle::Stone: {
        c = scale(c, 0.8f + 0.35f * n);
        float speck = hash01(static_cast<int>(p.x), static_cast<int>(p.y), theme.seed);
        if (speck > 0.95f) c = scale(c, 1.2f);
        if (speck < 0.04f) c = scale(c, 0.75f);
        break;
    }
    case BlockStyle::Sandstone: {
        // Two courses of bricks, the upper one offset by half a brick.
        bool upper = p.y < 16;
        float bx = std::fmod(p.x + (upper ? 8.f : 0.f), 16.f);
        bool joint = std::fabs(p.y - 16) < 0.8f || bx < 0.9f;
        c = scale(c, 0.85f + 0.1f * std::sin(p.y * 1.3f + n * 2.f) + 0.15f * n);
        if (joint)
            c = scale(c, 0.62f);
        else if (bx < 2.f || std::fmod(p.y, 16.f) < 2.f)
            c = scale(c, 1.12f);
        break;
    }
    case BlockStyle::Ice: {
        float shine = std::sin((p.x + p.y) * 0.35f) * 0.5f + 0.5f;
        c = mix(scale(c, 0.85f + 0.2f * n), rgb(235, 250, 255), shine > 0.93f ? 0.6f : 0.f);
        break;
    }
    case BlockStyle::Basalt: {
        c = scale(c, 0.75f + 0.4f * n);
        float vein = std::fabs(periodicNoise(p, 4, theme.seed + 9, 2) - 0.5f);
        if (vein < 0.03f) c = mix(c, rgb(255, 110, 20), 0.75f);
        break;
    }
    case BlockStyle::Metal: {
        c = scale(c, 0.9f + 0.12f * n);
        for (Vec2 rivet : {Vec2{7, 7}, Vec2{25, 7}, Vec2{7, 25}, Vec2{25, 25}})
            if (sdCircle(p, rivet, 1.8f) < 0) c = shadeBall(rgb(190, 200, 210), p, rivet, 1.8f);
        if (std::fabs(p.x - p.y) < 1.2f || std::fabs(p.x + p.y - 32) < 1.2f) c = scale(c, 1.15f);
        break;
    }
    }
    return c;
}

Rgba paintBlock(const Theme& theme, Vec2 p) {
    Rgba dst{};
    float edge = sdBox(p, kMid, 16, 16, 2.5f);
    paint(dst, edge, scale(theme.block, 0.3f));
    if (sdBox(p, kMid, 15, 15, 2.f) <= 0) {
        Rgba c = blockSurface(theme, p);
        float light = bevel(p, 15, 2.f, 3.5f);
        c = light > 0 ? mix(c, rgb(255, 255, 255), light * 0.45f) : scale(c, 1 + light * 0.45f);
        dst = over(dst, c);
    }
    return dst;
}

Rgba floorSurface(const Theme& theme, Vec2 p) {
    float n = periodicNoise(p, 8, theme.seed + 100, 3);
    float fine = periodicNoise(p, 16, theme.seed + 200, 1);
    Rgba c = theme.floor;
    switch (theme.floorStyle) {
    case FloorStyle::Grass: {
        c = scale(c, 0.78f + 0.35f * n);
        float blade = hash01(static_cast<int>(p.x), static_cast<int>(p.y), theme.seed);
        if (blade > 0.93f) c = scale(c, 1.3f);
        if (blade < 0.05f) c = scale(c, 0.7f);
        break;
    }
    case FloorStyle::Sand:
        c = scale(c, 0.86f + 0.1f * std::sin((p.y + 3 * std::sin(p.x * kPi / 16)) * kPi / 4) + 0.1f * n);
        break;
    case FloorStyle::Snow:
        c = mix(c, rgb(170, 190, 225), clamp01((0.55f - n) * 1.6f));
        if (hash01(static_cast<int>(p.x), static_cast<int>(p.y), theme.seed) > 0.985f) c = rgb(255, 255, 255);
        break;
    case FloorStyle::Rock: {
        c = scale(c, 0.7f + 0.4f * n);
        float crack = std::fabs(periodicNoise(p, 4, theme.seed + 300, 2) - 0.5f);
        if (crack < 0.03f) c = mix(rgb(60, 18, 10), rgb(255, 90, 10), fine * 0.7f);
        break;
    }
    case FloorStyle::Plates: {
        c = scale(c, 0.85f + 0.15f * n);
        float gx = std::fmod(p.x, 8.f), gy = std::fmod(p.y, 8.f);
        bool ridge = std::fabs(gx - gy) < 1.f && gx > 2 && gx < 6;
        if (ridge) c = scale(c, 1.25f);
        if (p.x < 1 || p.y < 1) c = scale(c, 0.6f);
        if (p.x > 31 || p.y > 31) c = scale(c, 1.2f);
        break;
    }
    }
    return c;
}

Rgba paintScorched(const Theme& theme, Vec2 p, int level) {
    Rgba c = floorSurface(theme, p);
    float n = fractalNoise(p.x / 6.f, p.y / 6.f, theme.seed + 600 + static_cast<unsigned>(level), 3);
    float radius = (level == 1 ? 9.5f : 13.5f) * (0.7f + 0.6f * n);
    float soot = clamp01(1 - length(p - kMid) / radius);
    float dark = std::pow(soot, level == 1 ? 0.7f : 0.45f) * (level == 1 ? 0.7f : 0.9f);
    c = mix(c, rgb(34, 28, 26), dark);
    // Cinders left in the soot.
    float cinder = hash01(static_cast<int>(p.x), static_cast<int>(p.y), theme.seed + 700);
    if (soot > 0.3f && cinder > (level == 1 ? 0.97f : 0.94f)) c = rgb(90, 84, 80);
    return c;
}

// A wooden crate filling the cell; `glow` > 0 lights it for the secret marker.
Rgba paintCrate(const Theme& theme, Vec2 p, float brightness, float glow, float charred) {
    Rgba dst{};
    paint(dst, sdBox(p, kMid, 16, 16), scale(theme.wood, 0.28f)); // square: the maze shows no gaps
    if (sdBox(p, kMid, 15, 15, 1.f) > 0) return dst;
    const bool frame = p.x < 5 || p.x > 27 || p.y < 5 || p.y > 27;
    const bool brace = !frame && std::fabs((p.x - 16) + (p.y - 16)) < 3.2f;
    int plank = frame ? 0 : static_cast<int>((p.y - 5) / 7.4f) + 1;
    float along = frame ? (p.x < 5 || p.x > 27 ? p.y : p.x) : p.x;
    float across = frame ? (p.x < 5 || p.x > 27 ? p.x : p.y) : p.y;
    if (brace) along = (p.x - p.y) * 0.7f, across = (p.x + p.y) * 0.7f, plank = 9;
    float grain = fractalNoise(along / 14.f, across / 1.6f + plank * 5.f, theme.seed + 400, 3);
    float rings = 0.5f + 0.5f * std::sin(along * 0.25f + grain * 9.f);
    Rgba c = scale(theme.wood, (0.72f + 0.3f * rings + 0.15f * grain) * (frame || brace ? 0.9f : 1.05f));
    if (!frame && !brace && std::fmod(p.y - 5, 7.4f) < 0.9f) c = scale(c, 0.55f); // gaps between planks
    if (frame && (std::fabs(p.x - 5) < 0.7f || std::fabs(p.x - 27) < 0.7f || std::fabs(p.y - 5) < 0.7f ||
                  std::fabs(p.y - 27) < 0.7f))
        c = scale(c, 0.6f);
    if (brace && std::fabs((p.x - 16) + (p.y - 16)) > 2.4f) c = scale(c, 0.65f);
    for (Vec2 nail : {Vec2{3, 3}, Vec2{29, 3}, Vec2{3, 29}, Vec2{29, 29}})
        if (sdCircle(p, nail, 1.3f) < 0) c = shadeBall(rgb(170, 170, 176), p, nail, 1.3f);
    if (theme.trim == CrateTrim::IronBands && (std::fabs(p.y - 10) < 1.6f || std::fabs(p.y - 22) < 1.6f)) {
        c = mix(rgb(96, 100, 110), rgb(170, 176, 186),
                clamp01(1.2f - std::fabs(std::fmod(p.y, 12.f) - 10) * 0.5f));
        if (std::fabs(p.x - 8) < 1.1f || std::fabs(p.x - 24) < 1.1f) c = rgb(210, 214, 222);
    }
    if (theme.trim == CrateTrim::SnowCap &&
        p.y < 4.5f + 2.f * std::sin(p.x * 0.45f) + 1.2f * std::sin(p.x * 1.3f))
        c = mix(rgb(255, 255, 255), rgb(190, 210, 240), clamp01(p.y / 6));
    float light = bevel(p, 15, 1.f, 2.f);
    c = light > 0 ? mix(c, rgb(255, 240, 210), light * 0.3f) : scale(c, 1 + light * 0.4f);
    c = scale(c, brightness);
    c = mix(c, rgb(30, 22, 20), charred);
    if (glow > 0) {
        float rim = clamp01(1 - (-sdBox(p, kMid, 15, 15, 1.f)) / 3.f);
        c = mix(c, rgb(255, 236, 90), rim * glow);
    }
    dst = over(dst, c);
    return dst;
}

// Seven frames from a crate catching fire to the last embers; the floor shows through.
Rgba paintBurning(const Theme& theme, Vec2 p, int frame) {
    const float t = frame / 6.f;
    Rgba dst{};
    float squash = 1 - 0.75f * smoothstep(0.3f, 0.9f, t);
    if (frame <= 4) {
        Vec2 q{p.x, 31.5f - (31.5f - p.y) / squash};
        if (q.y >= 0.5f) dst = paintCrate(theme, q, 1.f, 0, clamp01(t * 1.6f));
    } else {
        float pile = sdEllipse(p, {16, 29}, 12.f - frame, 3.5f);
        float ember = valueNoise(p.x * 0.6f, p.y * 0.6f, theme.seed + static_cast<unsigned>(frame));
        paint(dst, pile, ember > 0.6f ? rgb(255, 120, 20) : rgb(46, 32, 28));
    }
    float height = 30.f * std::sin(kPi * std::min(1.f, 0.25f + t * 0.95f));
    float heat = flameHeat(p, {16, 31}, 15.f, std::max(height, 5.f), frame * 1.3f, theme.seed + 500);
    if (frame == 6) heat *= 0.55f;
    Rgba fire = fireColour(heat);
    if (fire.a > 0) dst = over(dst, fire);
    if (frame >= 3) {
        // Smoke curling off the top as the fire dies down.
        const Vec2 puffs[2] = {{12.f + frame, 13.f - frame * 1.5f},
                               {20.f - frame * 0.5f, 9.f - frame * 1.1f}};
        const float radii[2] = {2.5f + frame * 0.5f, 1.5f + frame * 0.4f};
        for (int i = 0; i < 2; ++i)
            if (sdCircle(p, puffs[i], radii[i]) <= 0 && fire.a <= 0)
                dst = over(dst, shadeBall(rgb(120, 112, 108), p, puffs[i], radii[i], 0.1f));
    }
    return dst;
}

Painter cellPainter(const Theme& theme, int column) {
    switch (column) {
    case 0:
        return [&theme](Vec2 p) { return paintBlock(theme, p); };
    case 1:
        return [&theme](Vec2 p) { return paintCrate(theme, p, 1.f, 0, 0); };
    case 2:
        return [&theme](Vec2 p) { return paintCrate(theme, p, 1.3f, 1.f, 0); };
    case 10:
        return [&theme](Vec2 p) { return floorSurface(theme, p); };
    case 11:
        return [&theme](Vec2 p) { return paintScorched(theme, p, 1); };
    case 12:
        return [&theme](Vec2 p) { return paintScorched(theme, p, 2); };
    default:
        return [&theme, column](Vec2 p) { return paintBurning(theme, p, column - 3); };
    }
}

} // namespace

std::vector<std::string> themeNames() {
    std::vector<std::string> names;
    for (const Theme& theme : themes())
        names.emplace_back(theme.name);
    return names;
}

IndexedImage drawMapsSheet() {
    const auto& all = themes();
    IndexedImage sheet(kMapColumns * kCell, static_cast<int>(all.size()) * kCell);
    for (std::size_t row = 0; row < all.size(); ++row)
        for (int column = 0; column < kMapColumns; ++column) {
            // Floors are seamless tiles: no dither pattern that could show a grid.
            QuantizeOptions options;
            options.dither = column >= 10 ? 6.f : 10.f;
            sheet.blit(paintCell(kCell, kCell, cellPainter(all[row], column), options), column * kCell,
                       static_cast<int>(row) * kCell);
        }
    return sheet;
}

} // namespace datagen
