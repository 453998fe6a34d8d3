// bomb.pcx, fire.pcx, explose.pcx and explose2.pcx: the bomb, its flames and the bursts.
#include "tools/datagen/Art.h"
#include "tools/datagen/Noise.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

constexpr float kFireIntensity[kFireFrames] = {0.8f, 1.f, 0.95f, 0.72f, 0.45f};
constexpr float kFireHalfWidth[kFireFrames] = {8.5f, 12.f, 11.5f, 9.5f, 6.5f};

enum class Piece { Centre, LeftEnd, HorizontalMiddle, RightEnd, TopEnd, VerticalMiddle, BottomEnd };

// Heat of a flame lying along x through the middle of the cell. The flicker depends on x with
// a period of one cell, so every piece meets its neighbour in the same pixels.
float bandHeat(Vec2 p, int frame, float from, float to) {
    float flicker =
        fractalNoise(p.x / 8.f, static_cast<float>(frame) * 3.1f + (p.y < 16 ? 0.f : 9.f), 77, 3, 4);
    float width = kFireHalfWidth[frame] * (0.65f + 0.6f * flicker);
    float along = std::clamp(p.x, from, to);
    float dist = length(p - Vec2{along, 16.f}) / width;
    if (dist >= 1) return 0;
    float grain = fractalNoise(p.x / 4.f, p.y / 4.f + frame * 2.f, 91, 2, 8);
    return kFireIntensity[frame] * std::pow(1 - dist, 0.8f) * (0.65f + 0.7f * grain) * 1.2f;
}

float pieceHeat(Piece piece, Vec2 p, int frame) {
    const float far = 1e4f;
    const float tip = 2.f + kFireHalfWidth[frame];
    Vec2 t{p.y, p.x}; // vertical pieces are the horizontal ones turned about the diagonal
    switch (piece) {
    case Piece::HorizontalMiddle:
        return bandHeat(p, frame, -far, far);
    case Piece::LeftEnd:
        return bandHeat(p, frame, tip, far);
    case Piece::RightEnd:
        return bandHeat(p, frame, -far, 32 - tip);
    case Piece::VerticalMiddle:
        return bandHeat(t, frame, -far, far);
    case Piece::TopEnd:
        return bandHeat(t, frame, tip, far);
    case Piece::BottomEnd:
        return bandHeat(t, frame, -far, 32 - tip);
    case Piece::Centre: {
        float core = kFireIntensity[frame] * 1.3f *
                     clamp01(1 - length(p - Vec2{16, 16}) / (kFireHalfWidth[frame] + 3));
        return std::max({bandHeat(p, frame, -far, far), bandHeat(t, frame, -far, far), core});
    }
    }
    return 0;
}

Rgba paintBurst(Vec2 p, int size, int frame, int frames, unsigned seed) {
    const float t = static_cast<float>(frame) / (frames - 1);
    const float half = size / 2.f;
    Vec2 d = p - Vec2{half, half};
    float r = length(d) / half;
    float n = fractalNoise(p.x / (size / 7.f), p.y / (size / 7.f) + t * 1.5f, seed, 3);
    float radius = (0.36f + 0.6f * (1 - (1 - t) * (1 - t))) * (0.68f + 0.5f * n);
    Rgba dst{};
    // Sparks: short streaks flying out along a few directions in the first frames.
    if (t < 0.55f) {
        constexpr int kSectors = 28;
        float angle = std::atan2(d.y, d.x) + kPi;
        int sector = static_cast<int>(angle / (2 * kPi) * kSectors) % kSectors;
        float centre = (sector + 0.5f) * 2 * kPi / kSectors;
        float reach = 0.4f + t * 1.1f + 0.15f * hash01(sector, 1, seed);
        bool streak = hash01(sector, 0, seed) > 0.55f && std::fabs(angle - centre) * r * half < 0.9f &&
                      r < reach && r > reach - 0.16f;
        if (streak) dst = fireColour(0.95f - (reach - r) * 2);
    }
    if (r >= radius) return dst;
    float inside = 1 - r / radius;
    float billow = fractalNoise(p.x / (size / 16.f), p.y / (size / 16.f) - t * 2.f, seed + 1, 2);
    float heat = std::pow(inside, 0.6f) * (1.8f - 1.95f * t) * (0.7f + 0.35f * n + 0.3f * billow) +
                 (frame == 0 ? 0.6f : 0.f);
    if (heat > 0.2f || t < 0.25f) return over(dst, fireColour(std::clamp(heat, 0.2f, 1.f)));
    // Smoke where the fire has cooled, thinning out toward the last frame.
    if (n > 0.3f + t * 0.32f) {
        float lit = clamp01(0.5f - (d.x + d.y) / (size * 0.9f));
        return over(dst, mix(rgb(58, 52, 50), rgb(170, 160, 150), 0.25f + 0.5f * lit + 0.3f * (n - 0.5f)));
    }
    return dst;
}

} // namespace

IndexedImage drawBombSheet() {
    IndexedImage sheet(kBombFrames * kCell, kCell);
    const std::uint8_t outline = nearestIndex(rgb(24, 22, 30));
    for (int f = 0; f < kBombFrames; ++f) {
        float pulse = std::sin(f * kPi / 2);
        IndexedImage cell = paintCell(kCell, kCell, [=](Vec2 p) {
            Rgba dst{};
            paint(dst, sdEllipse(p, {15, 28.5f}, 9.f, 2.2f), rgb(40, 36, 40));
            paintBomb(dst, p, {14.5f, 18.f}, 9.6f + 0.5f * pulse, 1.f + 0.5f * pulse, f * 1.7f);
            return dst;
        });
        addOutline(cell, outline);
        sheet.blit(cell, f * kCell, 0);
    }
    return sheet;
}

IndexedImage drawFireSheet() {
    IndexedImage sheet(kFireFrames * kCell, 7 * kCell);
    for (int row = 0; row < 7; ++row)
        for (int f = 0; f < kFireFrames; ++f) {
            Piece piece = static_cast<Piece>(row);
            sheet.blit(paintCell(kCell, kCell, [=](Vec2 p) { return fireColour(pieceHeat(piece, p, f)); }),
                       f * kCell, row * kCell);
        }
    return sheet;
}

IndexedImage drawExplosionSheet(int size, int frames, unsigned seed) {
    IndexedImage sheet(size * frames, size);
    for (int f = 0; f < frames; ++f)
        sheet.blit(paintCell(size, size, [=](Vec2 p) { return paintBurst(p, size, f, frames, seed); }),
                   f * size, 0);
    return sheet;
}

} // namespace datagen
