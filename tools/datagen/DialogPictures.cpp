// The full-colour pictures of the title and about dialogs.
#include "tools/datagen/Art.h"
#include "tools/datagen/Noise.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

constexpr int kTitleWidth = 280, kTitleHeight = 216;
constexpr int kAboutWidth = 232, kAboutHeight = 216;

Rgba duskBackdrop(Vec2 p, float height, unsigned seed) {
    Rgba c = mix(rgb(10, 10, 34), rgb(96, 40, 120), clamp01(p.y / height * 1.2f));
    float star = hash01(static_cast<int>(p.x) / 2, static_cast<int>(p.y) / 2, seed);
    if (star > 0.985f && p.y < height * 0.6f) c = mix(c, rgb(255, 255, 240), (star - 0.985f) / 0.015f);
    return c;
}

// A figure painted at `scale` times its sheet size with its cell's top-left at `origin`.
// The figure keeps the dark outline of its sheet, drawn as wide as the picture's scale asks.
void bomberAt(Rgba& dst, Vec2 p, Vec2 origin, float scale, int player, int facing) {
    auto figureAt = [&](Vec2 q) { return paintBomberFigure((q - origin) * (1 / scale), player, facing, 0); };
    Rgba figure = figureAt(p);
    if (figure.a > 0) {
        dst = over(dst, figure);
        return;
    }
    const float w = scale * 0.8f;
    for (Vec2 offset : {Vec2{w, 0}, Vec2{-w, 0}, Vec2{0, w}, Vec2{0, -w}})
        if (figureAt(p + offset).a > 0) {
            dst = over(dst, rgb(30, 16, 46));
            return;
        }
}

Rgba floorStrip(Vec2 p, float top) {
    float tile = std::fmod(p.x, 24.f);
    Rgba grass = scale(rgb(72, 140, 48), 0.8f + 0.35f * fractalNoise(p.x / 6, p.y / 6, 3, 3));
    if (tile < 1) grass = scale(grass, 0.75f);
    return mix(scale(grass, 0.55f), grass, clamp01((p.y - top) / 30));
}

Rgba titlePicture(Vec2 p) {
    Rgba c = duskBackdrop(p, kTitleHeight, 21);
    const float ground = 170;
    if (p.y > ground) c = floorStrip(p, ground);
    paint(c, sdEllipse(p, {98, 196}, 58, 10), rgb(24, 40, 20));
    paint(c, sdEllipse(p, {214, 198}, 40, 8), rgb(24, 40, 20));
    bomberAt(c, p, {26, 32}, 5.f, 0, 3);
    Rgba bombLayer{};
    paintBomb(bombLayer, p, {206, 150}, 40, 1.6f, 0.7f);
    if (bombLayer.a > 0) c = over(c, bombLayer);
    return c;
}

Rgba aboutPicture(Vec2 p) {
    Rgba c = duskBackdrop(p, kAboutHeight, 33);
    // A burst behind the group.
    Vec2 d = p - Vec2{116, 92};
    float angle = std::atan2(d.y, d.x);
    float edge = 74 * (0.75f + 0.35f * fractalNoise(std::cos(angle) * 2 + 5, std::sin(angle) * 2 + 5, 8, 3));
    float heat = clamp01(1 - length(d) / edge) * 1.3f;
    Rgba fire = fireColour(heat);
    if (fire.a > 0) c = over(c, fire);
    const float ground = 168;
    if (p.y > ground) c = floorStrip(p, ground);
    for (int player = 0; player < 4; ++player) {
        Vec2 origin{4.f + player * 56.f, 92};
        paint(c, sdEllipse(p, origin + Vec2{37, 80}, 24, 5), rgb(24, 40, 20));
        bomberAt(c, p, origin, 2.3f, player, 3);
    }
    return c;
}

} // namespace

Picture drawTitleDialogPicture() {
    return render(kTitleWidth, kTitleHeight, titlePicture, 3);
}

Picture drawAboutDialogPicture() {
    return render(kAboutWidth, kAboutHeight, aboutPicture, 3);
}

} // namespace datagen
