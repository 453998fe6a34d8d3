// monsters.pcx: four kinds of monster, each walking (0-3), dying (4-11), 11 also the remains.
#include <vector>

#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

enum class Kind { Ghost, Slime, Devil, Urchin };

struct MonsterType {
    Kind kind;
    Rgba colour;
};

const MonsterType kTypes[kMonsterTypes] = {{Kind::Ghost, rgb(150, 64, 206)},
                                           {Kind::Slime, rgb(112, 200, 30)},
                                           {Kind::Devil, rgb(226, 92, 30)},
                                           {Kind::Urchin, rgb(222, 64, 162)}};

struct Look {
    float phase = 0; // walk animation
    float squashX = 1, squashY = 1;
    float flash = 0;       // 0..1 toward white
    bool deadEyes = false; // crossed eyes
};

// Signed distance of the body, in the monster's own squashed frame around (16, 17).
float bodyShape(Kind kind, Vec2 q, float phase) {
    switch (kind) {
    case Kind::Ghost: {
        float d = sdEllipse(q, {16, 15}, 10.5f, 10.f);
        if (q.y > 15) {
            float hem = 26.5f + 1.8f * std::sin(q.x * 0.9f + phase * 2);
            d = std::max(sdBox(q, {16, 20}, 10.5f, 6.5f), q.y - hem);
        }
        return d;
    }
    case Kind::Slime: {
        float dome = std::max(
            sdEllipse(q, {16, 22}, 12.f + std::sin(phase) * 1.2f, 13.f - std::sin(phase) * 1.2f), q.y - 28.f);
        return std::min(dome, sdCapsule(q, {9 + phase, 26}, {9 + phase, 29.5f}, 1.4f));
    }
    case Kind::Devil: {
        float ball = sdCircle(q, {16, 17}, 9.f);
        float flap = std::sin(phase * 2) * 3.f;
        float wingL = sdTriangle(q, {9, 15}, {1, 9 + flap}, {5, 21});
        float wingR = sdTriangle(q, {23, 15}, {31, 9 + flap}, {27, 21});
        float horns = std::min(sdTriangle(q, {10, 10}, {8, 3}, {14, 8.5f}),
                               sdTriangle(q, {22, 10}, {24, 3}, {18, 8.5f}));
        return std::min({ball, wingL, wingR, horns});
    }
    case Kind::Urchin: {
        Vec2 d = q - Vec2{16, 17};
        float angle = std::atan2(d.y, d.x) + phase * 0.4f;
        return length(d) - (9.f + 3.2f * std::pow(std::fabs(std::cos(angle * 4)), 6.f));
    }
    }
    return 1;
}

Rgba paintMonster(const MonsterType& type, Vec2 p, const Look& look) {
    // Squash about the feet so the monster stays on the ground.
    Vec2 q{16 + (p.x - 16) / look.squashX, 29 - (29 - p.y) / look.squashY};
    Rgba dst{};
    if (bodyShape(type.kind, q, look.phase) > 0) return dst;
    Vec2 centre{16, 16};
    Rgba c = shadeBall(type.colour, q, centre, 14.f, 0.6f);
    if (type.kind == Kind::Devil && q.y < 10) c = rgb(250, 236, 200);
    c = mix(c, rgb(255, 255, 255), look.flash);
    dst = c;
    // Eyes.
    float look_x = std::sin(look.phase) * 1.2f;
    std::vector<Vec2> eyes =
        type.kind == Kind::Slime ? std::vector<Vec2>{{16, 18}} : std::vector<Vec2>{{12.5f, 15}, {19.5f, 15}};
    float eyeR = type.kind == Kind::Slime ? 4.f : 2.8f;
    for (Vec2 e : eyes) {
        if (look.deadEyes) {
            float s = eyeR * 0.8f;
            float cross = std::min(sdCapsule(q, e - Vec2{s, s}, e + Vec2{s, s}, 0.6f),
                                   sdCapsule(q, e + Vec2{-s, s}, e + Vec2{s, -s}, 0.6f));
            paint(dst, cross, rgb(30, 20, 30));
            continue;
        }
        paint(dst, sdCircle(q, e, eyeR), rgb(250, 250, 245));
        paint(dst, sdCircle(q, e + Vec2{look_x, 0.4f}, eyeR * 0.5f),
              type.kind == Kind::Devil ? rgb(200, 20, 10) : rgb(24, 20, 40));
        paint(dst, sdCircle(q, e + Vec2{look_x - eyeR * 0.2f, -eyeR * 0.2f}, eyeR * 0.16f),
              rgb(255, 255, 255));
    }
    // Mouths.
    if (type.kind == Kind::Devil || type.kind == Kind::Urchin) {
        paint(dst, sdEllipse(q, {16, 21.5f}, 3.5f, 1.4f), rgb(70, 10, 20));
        paint(dst, sdTriangle(q, {13.6f, 20.8f}, {15.f, 20.8f}, {14.3f, 23.f}), rgb(255, 255, 250));
        paint(dst, sdTriangle(q, {17.f, 20.8f}, {18.4f, 20.8f}, {17.7f, 23.f}), rgb(255, 255, 250));
    } else if (type.kind == Kind::Ghost) {
        paint(dst, sdEllipse(q, {16, 21.f}, 2.f, 2.4f + std::sin(look.phase) * 0.6f), rgb(60, 10, 50));
    }
    return dst;
}

// Splash, droplets and the puddle that stays.
Rgba paintSplat(const MonsterType& type, Vec2 p, int stage) {
    Rgba dst{};
    const Rgba dark = scale(type.colour, 0.55f);
    if (stage >= 1) {
        float rx = std::min(12.f, 6.f + stage * 1.8f), ry = std::min(4.5f, 2.2f + stage * 0.6f);
        paint(dst, sdEllipse(p, {16, 27}, rx, ry), stage >= 4 ? scale(dark, 0.8f) : dark);
    }
    if (stage == 0) {
        // The body bursts: a ragged blob with a light core.
        Vec2 d = p - Vec2{16, 21};
        float angle = std::atan2(d.y, d.x);
        float edge = 9.f + 3.5f * std::cos(angle * 7) * std::sin(angle * 3 + 1);
        if (length(d) < edge)
            dst = mix(type.colour, rgb(255, 255, 255), clamp01(1 - length(d) / edge) * 0.7f);
    }
    if (stage <= 3) {
        // Droplets fly out and fall back.
        for (int i = 0; i < 9; ++i) {
            float a = -kPi * (i / 8.f) + 0.15f * std::sin(i * 2.f);
            float reach = (8.f + stage * 3.f) * (0.8f + 0.4f * std::fabs(std::sin(i * 1.7f)));
            Vec2 drop =
                Vec2{16, 22} + Vec2{std::cos(a) * 1.1f, std::sin(a)} * reach + Vec2{0, stage * stage * 1.1f};
            if (drop.y > 28) continue;
            paint(dst, sdCircle(p, drop, 2.2f - stage * 0.35f), type.colour);
        }
    }
    if (stage == 4) {
        // The remains: a dried puddle with a lost eye and a bone.
        paint(dst, sdCircle(p, {20, 26.f}, 2.4f), rgb(240, 240, 232));
        paint(dst, sdCircle(p, {20.6f, 26.2f}, 1.1f), rgb(24, 20, 40));
        paint(dst, sdCapsule(p, {9, 27}, {13, 26}, 0.9f), rgb(230, 220, 200));
    }
    return dst;
}

Painter cellPainter(const MonsterType& type, int column) {
    if (column < 4) {
        Look look;
        look.phase = column * kPi / 2;
        look.squashY = 1 + 0.06f * std::sin(look.phase);
        look.squashX = 1 - 0.05f * std::sin(look.phase);
        return [=](Vec2 p) { return paintMonster(type, p, look); };
    }
    const int d = column - 4;
    if (d <= 2) {
        Look look;
        look.flash = d == 0 ? 0.75f : 0.f;
        look.deadEyes = d > 0;
        look.squashY = 1 - 0.22f * d;
        look.squashX = 1 + 0.14f * d;
        return [=](Vec2 p) {
            Rgba c = paintMonster(type, p, look);
            return d > 0 && c.a > 0 ? mix(c, rgb(255, 60, 40), 0.25f) : c;
        };
    }
    return [=](Vec2 p) { return paintSplat(type, p, d - 3); };
}

} // namespace

IndexedImage drawMonstersSheet() {
    IndexedImage sheet(kMonsterColumns * kCell, kMonsterTypes * kCell);
    const std::uint8_t outline = nearestIndex(rgb(26, 20, 34));
    for (int row = 0; row < kMonsterTypes; ++row)
        for (int column = 0; column < kMonsterColumns; ++column) {
            IndexedImage cell = paintCell(kCell, kCell, cellPainter(kTypes[row], column));
            addOutline(cell, outline);
            sheet.blit(cell, column * kCell, row * kCell);
        }
    return sheet;
}

} // namespace datagen
