// bonus.pcx: one animated icon per bonus kind, on a tile whose colour tells good from bad.
#include <functional>

#include "tools/datagen/Art.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

const Vec2 kMid{16, 16};

// Frame-dependent values every icon may use.
struct Beat {
    int frame = 0, frames = 2;
    float phase() const { return static_cast<float>(frame) / frames * 2 * kPi; }
    float pulse() const { return 0.5f + 0.5f * std::cos(phase()); }
};

using Symbol = std::function<void(Rgba&, Vec2, const Beat&)>;

struct Icon {
    Rgba tile;
    Symbol symbol;
};

void tile(Rgba& dst, Vec2 p, Rgba colour, const Beat& beat) {
    float shape = sdBox(p, kMid, 14.5f, 14.5f, 5.f);
    paint(dst, shape, scale(colour, 0.45f));
    if (shape > -1.5f) return;
    Rgba c = mix(scale(colour, 1.25f), scale(colour, 0.7f), clamp01((p.y - 2) / 28));
    float rim = clamp01(1 + (shape + 1.5f) / 2.f);
    c = mix(c, rgb(255, 255, 230), rim * (0.25f + 0.5f * beat.pulse()));
    if (p.y < 10 && sdEllipse(p, {13, 6}, 9, 3) < 0) c = mix(c, rgb(255, 255, 255), 0.18f);
    dst = over(dst, c);
}

void plus(Rgba& dst, Vec2 p, Vec2 at, float size) {
    float d = std::min(sdBox(p, at, size, size * 0.34f, 0.6f), sdBox(p, at, size * 0.34f, size, 0.6f));
    paint(dst, d - 1.f, rgb(30, 30, 40));
    paint(dst, d, rgb(255, 255, 255));
}

void flame(Rgba& dst, Vec2 p, const Beat& beat) {
    float heat = flameHeat(p, {16, 27}, 10.f, 22.f + 2 * beat.pulse(), beat.frame * 2.f, 5);
    Rgba c = fireColour(std::min(1.f, heat * 1.3f));
    if (c.a > 0) dst = over(dst, c);
}

void bomb(Rgba& dst, Vec2 p, const Beat& beat) {
    paintBomb(dst, p, {14, 18}, 8.5f, 1.f, beat.frame * 2.f);
    plus(dst, p, {24, 24}, 4.5f);
}

void trigger(Rgba& dst, Vec2 p, const Beat& beat) {
    paint(dst, sdCapsule(p, {20, 10}, {24, 3.5f}, 0.9f), rgb(60, 60, 70));
    paint(dst, sdCircle(p, {24, 3.5f}, 1.8f), beat.frame == 0 ? rgb(255, 60, 40) : rgb(255, 220, 80));
    float body = sdBox(p, {16, 19}, 8, 10, 3);
    paint(dst, body - 1, rgb(20, 20, 26));
    paint(dst, body, mix(rgb(120, 124, 136), rgb(70, 72, 84), clamp01((p.y - 9) / 20)));
    Vec2 button{16, 16};
    if (sdCircle(p, button, 4.5f) <= 0)
        dst = over(dst,
                   shadeBall(beat.frame == 0 ? rgb(230, 30, 30) : rgb(255, 90, 70), p, button, 4.5f, 0.9f));
    paint(dst, sdBox(p, {16, 24.5f}, 4.5f, 1.2f, 0.5f), rgb(40, 200, 60));
}

void speed(Rgba& dst, Vec2 p, const Beat& beat) {
    float shift = beat.frame * 1.5f;
    for (float y : {11.f, 16.f, 21.f})
        paint(dst, sdCapsule(p, {3 + shift, y}, {10 + shift, y}, 0.9f), rgb(255, 255, 255));
    float bolt =
        std::min(sdTriangle(p, {20, 3}, {11, 18}, {18, 17}), sdTriangle(p, {14, 15}, {22, 15}, {13, 30}));
    paint(dst, bolt - 1.2f, rgb(90, 50, 0));
    paint(dst, bolt, mix(rgb(255, 250, 170), rgb(255, 180, 0), clamp01((p.y - 3) / 27)));
}

void heart(Rgba& dst, Vec2 p, const Beat& beat) {
    float s = 1 + 0.06f * beat.pulse();
    Vec2 q = kMid + (p - kMid) * (1 / s);
    float d = std::min({sdCircle(q, {11.5f, 12}, 5.5f), sdCircle(q, {20.5f, 12}, 5.5f),
                        sdTriangle(q, {6.4f, 14.5f}, {25.6f, 14.5f}, {16, 26})});
    paint(dst, d - 1.2f, rgb(70, 0, 10));
    if (d <= 0) dst = over(dst, shadeBall(rgb(240, 40, 60), q, {14, 15}, 12.f, 0.9f));
    plus(dst, p, {23.5f, 23.5f}, 4.f);
}

void bombClip(Rgba& dst, Vec2 p, const Beat& beat) {
    Rgba ghost{};
    paintBomb(ghost, p, {16, 17}, 8.5f, 0, 0);
    if (ghost.a > 0) dst = over(dst, mix(ghost, rgb(200, 220, 255), 0.55f));
    float shift = beat.frame * 2.f;
    float arrow = std::min(sdCapsule(p, {3 + shift, 17}, {22 + shift, 17}, 1.3f),
                           sdTriangle(p, {20 + shift, 11}, {29 + shift, 17}, {20 + shift, 23}));
    paint(dst, arrow - 1, rgb(20, 40, 20));
    paint(dst, arrow, rgb(120, 255, 120));
}

void star(Rgba& dst, Vec2 p, const Beat& beat) {
    Vec2 d = rotate(p - Vec2{16, 18}, beat.frame * 0.25f);
    float angle = std::atan2(d.x, -d.y);
    float sector = std::fmod(angle + 2 * kPi + kPi / 5, 2 * kPi / 5) / (2 * kPi / 5); // 0..1 across one point
    float r = 4.8f + 7.f * std::fabs(1 - 2 * sector) * std::fabs(1 - 2 * sector);
    paint(dst, length(d) - r - 1.2f, rgb(120, 70, 0));
    if (length(d) <= r) dst = over(dst, mix(rgb(255, 255, 220), rgb(255, 190, 30), clamp01(length(d) / 11)));
    float halo = std::fabs(sdEllipse(p, {16, 4.5f}, 6.5f, 1.8f)) - 0.7f;
    paint(dst, halo - 0.8f, rgb(120, 90, 0));
    paint(dst, halo, beat.frame == 0 ? rgb(255, 250, 180) : rgb(255, 255, 255));
}

void snowflake(Rgba& dst, Vec2 p, const Beat& beat) {
    Vec2 q = rotate(p - kMid, beat.frame * kPi / 12);
    float d = 1e9f;
    for (int arm = 0; arm < 6; ++arm) {
        Vec2 dir{std::cos(arm * kPi / 3), std::sin(arm * kPi / 3)};
        Vec2 tip = dir * 11.f, mid = dir * 6.5f;
        d = std::min(d, sdCapsule(q, {0, 0}, tip, 1.2f));
        for (float side : {-1.f, 1.f}) {
            Vec2 branch = rotate(dir, side * kPi / 4) * 3.5f;
            d = std::min(d, sdCapsule(q, mid, mid + branch, 0.9f));
        }
    }
    paint(dst, d - 1, rgb(20, 60, 110));
    paint(dst, d, rgb(240, 250, 255));
}

void woodClip(Rgba& dst, Vec2 p, const Beat& beat) {
    float crate = sdBox(p, {14, 17}, 8, 8, 1);
    paint(dst, crate - 1, rgb(60, 30, 10));
    if (crate <= 0) {
        bool frame = std::fabs(p.x - 14) > 5.5f || std::fabs(p.y - 17) > 5.5f;
        bool brace = std::fabs((p.x - 14) + (p.y - 17)) < 1.8f;
        Rgba wood = frame || brace ? rgb(150, 90, 40) : rgb(200, 140, 70);
        dst = over(dst, mix(wood, rgb(200, 220, 255), 0.35f));
    }
    float shift = beat.frame * 2.f;
    float arrow = std::min(sdCapsule(p, {2 + shift, 17}, {22 + shift, 17}, 1.3f),
                           sdTriangle(p, {20 + shift, 11}, {29 + shift, 17}, {20 + shift, 23}));
    paint(dst, arrow - 1, rgb(20, 40, 20));
    paint(dst, arrow, rgb(120, 255, 120));
}

void eye(Rgba& dst, Vec2 p, const Beat& beat) {
    // The eye is the lens between two circles; it narrows in the second frame.
    const float open = beat.frame == 0 ? 7.5f : 5.5f, half = 12.5f;
    const float radius = (half * half + open * open) / (2 * open);
    float white = std::max(sdCircle(p, {16, 16 + radius - open}, radius),
                           sdCircle(p, {16, 16 - radius + open}, radius));
    paint(dst, white - 1.3f, rgb(20, 20, 40));
    paint(dst, white, rgb(250, 250, 250));
    float lookX = beat.frame == 0 ? -1.5f : 1.5f;
    paint(dst, std::max(sdCircle(p, {16 + lookX, 16}, 5.f), white), rgb(40, 110, 220));
    paint(dst, std::max(sdCircle(p, {16 + lookX, 16}, 2.4f), white), rgb(10, 10, 20));
    paint(dst, std::max(sdCircle(p, {14.5f + lookX, 14.5f}, 1.f), white), rgb(255, 255, 255));
}

void multiBomb(Rgba& dst, Vec2 p, const Beat& beat) {
    paintBomb(dst, p, {10, 21}, 6.f, beat.frame == 0 ? 1.f : 0.5f, 1);
    paintBomb(dst, p, {22, 21}, 6.f, beat.frame == 1 ? 1.f : 0.5f, 2);
    paintBomb(dst, p, {15, 11}, 6.f, 1.f, beat.frame * 2.f + 3);
}

void monsterFace(Rgba& dst, Vec2 p, const Beat& beat) {
    Vec2 c{16, 17};
    float head = sdCircle(p, c, 10.f);
    float horns =
        std::min(sdTriangle(p, {9, 11}, {6, 2}, {13, 8}), sdTriangle(p, {23, 11}, {26, 2}, {19, 8}));
    paint(dst, horns - 1, rgb(40, 30, 20));
    paint(dst, horns, rgb(240, 230, 200));
    paint(dst, head - 1, rgb(10, 40, 0));
    if (head <= 0) dst = over(dst, shadeBall(rgb(110, 200, 30), p, c, 10.f, 0.6f));
    float look = std::sin(beat.phase()) * 1.5f;
    for (float ex : {12.f, 20.f}) {
        paint(dst, sdCircle(p, {ex, 14}, 2.8f), rgb(255, 240, 80));
        paint(dst, sdEllipse(p, {ex + look, 14}, 0.9f, 2.f), rgb(20, 10, 10));
    }
    float mouth = 1.f + 1.8f * beat.pulse();
    paint(dst, sdEllipse(p, {16, 21.5f}, 5.f, mouth), rgb(80, 0, 20));
    for (float fx : {13.5f, 18.5f})
        paint(
            dst,
            sdTriangle(p, {fx - 1.3f, 20.5f - mouth * 0.3f}, {fx + 1.3f, 20.5f - mouth * 0.3f}, {fx, 23.5f}),
            rgb(255, 255, 255));
}

void skull(Rgba& dst, Vec2 p, const Beat& beat) {
    float bob = std::sin(beat.phase()) * 1.5f;
    Vec2 q = p - Vec2{0, bob};
    float cranium = std::min(sdCircle(q, {16, 13}, 9.5f), sdBox(q, {16, 21}, 6.f, 5.f, 2.f));
    paint(dst, cranium - 1.2f, rgb(20, 10, 30));
    if (cranium <= 0) dst = over(dst, shadeBall(rgb(236, 230, 214), q, {16, 15}, 12.f, 0.5f));
    float glow = 0.5f + 0.5f * std::sin(beat.phase() * 2);
    for (float ex : {12.3f, 19.7f}) {
        float socket = sdEllipse(q, {ex, 14}, 3.f, 3.4f);
        paint(dst, socket, rgb(30, 10, 20));
        paint(dst, sdCircle(q, {ex, 14.3f}, 1.1f + glow * 0.9f),
              mix(rgb(200, 20, 20), rgb(255, 200, 60), glow));
    }
    paint(dst, sdTriangle(q, {16, 17.5f}, {14.4f, 20.5f}, {17.6f, 20.5f}), rgb(40, 16, 30));
    for (float tx = 12.5f; tx < 20.f; tx += 2.3f)
        paint(dst, sdBox(q, {tx + 0.2f, 24.f}, 0.35f, 2.f), rgb(90, 80, 80));
    // A wisp circling the skull, in front of it on the lower half of its round.
    float angle = beat.phase();
    Vec2 wisp{16 + 11.f * std::cos(angle), 16 + 4.f * std::sin(angle)};
    if (std::sin(angle) > -0.3f || cranium > 0) {
        float light = clamp01(1 - length(p - wisp) / 2.6f);
        if (light > 0) dst = over(dst, mix(rgb(150, 60, 220), rgb(240, 200, 255), light));
    }
}

const Icon& icon(int kind) {
    static const Icon icons[13] = {
        {rgb(40, 50, 120), flame}, {rgb(30, 140, 150), bomb},       {rgb(90, 90, 100), trigger},
        {rgb(40, 90, 220), speed}, {rgb(40, 150, 60), heart},       {rgb(120, 60, 180), bombClip},
        {rgb(220, 160, 30), star}, {rgb(110, 180, 240), snowflake}, {rgb(150, 90, 40), woodClip},
        {rgb(40, 40, 70), eye},    {rgb(200, 50, 40), multiBomb},   {rgb(60, 110, 40), monsterFace},
        {rgb(70, 20, 90), skull},
    };
    return icons[kind];
}

} // namespace

IndexedImage drawBonusSheet() {
    int columns = 0;
    for (int frames : kBonusFrames)
        columns = std::max(columns, frames);
    IndexedImage sheet(columns * kCell, static_cast<int>(kBonusFrames.size()) * kCell);
    const std::uint8_t outline = nearestIndex(rgb(24, 22, 30));
    for (int kind = 0; kind < static_cast<int>(kBonusFrames.size()); ++kind)
        for (int frame = 0; frame < kBonusFrames[kind]; ++frame) {
            const Icon& ic = icon(kind);
            Beat beat{frame, kBonusFrames[kind]};
            IndexedImage cell = paintCell(kCell, kCell, [&](Vec2 p) {
                Rgba dst{};
                tile(dst, p, ic.tile, beat);
                ic.symbol(dst, p, beat);
                return dst;
            });
            addOutline(cell, outline);
            sheet.blit(cell, frame * kCell, kind * kCell);
        }
    return sheet;
}

} // namespace datagen
