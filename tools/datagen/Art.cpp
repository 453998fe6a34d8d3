#include "tools/datagen/Art.h"

#include <cstring>
#include <iterator>

#include "tools/datagen/Noise.h"

namespace datagen {

Rgba fireColour(float heat) {
    struct Stop {
        float at;
        Rgba colour;
    };
    static const Stop stops[] = {{0.10f, rgb(110, 8, 0)},
                                 {0.30f, rgb(210, 40, 0)},
                                 {0.55f, rgb(255, 128, 8)},
                                 {0.78f, rgb(255, 216, 56)},
                                 {1.00f, rgb(255, 255, 224)}};
    if (heat < stops[0].at * 0.6f) return {};
    Rgba c = stops[0].colour;
    for (std::size_t i = 1; i < std::size(stops); ++i)
        if (heat >= stops[i - 1].at)
            c = mix(stops[i - 1].colour, stops[i].colour,
                    clamp01((heat - stops[i - 1].at) / (stops[i].at - stops[i - 1].at)));
    return c;
}

float flameHeat(Vec2 p, Vec2 centre, float width, float height, float phase, unsigned seed) {
    float u = (p.x - centre.x) / width;
    float v = (centre.y - p.y) / height;
    if (std::fabs(u) >= 1 || v < -0.3f) return 0;
    float n = fractalNoise(p.x / 5.f + phase * 0.7f, p.y / 5.f + phase * 3.f, seed, 3);
    float tongues = 0.5f + 0.5f * std::sin(u * 9.f + phase * 5.f + n * 4.f);
    float top = (0.45f + 0.45f * n + 0.25f * tongues) * (1 - u * u);
    float heat = clamp01(1.15f - v / std::max(top, 0.05f)) * (1 - std::fabs(u) * 0.6f);
    if (v < 0) heat *= smoothstep(-0.3f, 0.f, v);
    return heat;
}

void paintBomb(Rgba& dst, Vec2 p, Vec2 centre, float radius, float spark, float sparkPhase) {
    // Fuse first, so the body covers its root.
    Vec2 nozzle = centre + Vec2{radius * 0.62f, -radius * 0.62f};
    Vec2 bend = nozzle + Vec2{radius * 0.25f, -radius * 0.45f};
    Vec2 tip = bend + Vec2{radius * 0.4f, -radius * 0.05f};
    float fuse =
        std::min(sdCapsule(p, nozzle, bend, radius * 0.09f), sdCapsule(p, bend, tip, radius * 0.09f));
    paint(dst, fuse - 0.8f, rgb(40, 28, 16));
    paint(dst, fuse, mix(rgb(210, 180, 120), rgb(120, 90, 50), clamp01((p.y - tip.y) / radius)));
    // Body with its rim.
    float body = sdCircle(p, centre, radius);
    paint(dst, body - 1.f, rgb(22, 22, 30));
    if (body <= 0) dst = over(dst, shadeBall(rgb(58, 62, 86), p, centre, radius, 0.9f));
    float cap = sdBox(rotate(p - nozzle, kPi / 4), {0, 0}, radius * 0.24f, radius * 0.18f, 1.f);
    paint(dst, cap - 0.8f, rgb(22, 22, 30));
    paint(dst, cap,
          mix(rgb(170, 176, 190), rgb(90, 94, 110),
              clamp01((p.x - nozzle.x + radius * 0.2f) / (radius * 0.4f))));
    if (spark <= 0) return;
    Vec2 d = p - tip;
    float angle = std::atan2(d.y, d.x);
    float rays = 0.55f + 0.45f * std::cos(angle * 5 + sparkPhase * 2.3f);
    float reach = radius * (0.28f + 0.22f * spark) * (0.6f + 0.6f * rays);
    float heat = clamp01(1 - length(d) / reach) * 1.25f;
    Rgba glow = fireColour(heat);
    if (glow.a > 0) dst = over(dst, glow);
}

namespace {

float ring(Vec2 p, Vec2 c, float hw, float hh, float r, float stroke) {
    return std::fabs(sdBox(p, c, hw, hh, r)) - stroke / 2;
}

} // namespace

float sdBlockLetter(char letter, Vec2 p, Vec2 origin, float width, float height, float stroke) {
    const float s = stroke / 2;
    const float l = origin.x + s, r = origin.x + width - s, t = origin.y + s, b = origin.y + height - s;
    const float mx = (l + r) / 2, my = (t + b) / 2;
    auto seg = [&](float x0, float y0, float x1, float y1) { return sdCapsule(p, {x0, y0}, {x1, y1}, s); };
    switch (letter) {
    case 'V':
        return std::min(seg(l, t, mx, b), seg(r, t, mx, b));
    case 'O':
        return ring(p, {mx, my}, (r - l) / 2, (b - t) / 2, width * 0.36f, stroke);
    case 'R': {
        float bowlBottom = t + (b - t) * 0.55f;
        float bowl = ring(p, {(l + r) / 2 - s, (t + bowlBottom) / 2}, (r - l) / 2 - s, (bowlBottom - t) / 2,
                          width * 0.28f, stroke);
        bowl = std::max(bowl, l + s * 0.5f - p.x);
        return std::min({seg(l, t, l, b), bowl, seg(mx - s * 0.3f, bowlBottom, r, b)});
    }
    case 'T':
        return std::min(seg(l, t, r, t), seg(mx, t, mx, b));
    case 'A': {
        float bar = t + (b - t) * 0.64f;
        return std::min(
            {seg(mx, t, l, b), seg(mx, t, r, b), seg(l + (r - l) * 0.22f, bar, r - (r - l) * 0.22f, bar)});
    }
    case 'M': {
        float v = t + (b - t) * 0.62f;
        return std::min({seg(l, b, l, t), seg(l, t, mx, v), seg(mx, v, r, t), seg(r, t, r, b)});
    }
    case 'I':
        return std::min({seg(mx, t, mx, b), seg(mx - width * 0.22f, t, mx + width * 0.22f, t),
                         seg(mx - width * 0.22f, b, mx + width * 0.22f, b)});
    case 'X':
        return std::min(seg(l, t, r, b), seg(r, t, l, b));
    default:
        return 1e9f;
    }
}

float sdBlockWord(const char* word, Vec2 p, Vec2 centre, float letterWidth, float height, float gap,
                  float stroke) {
    const auto count = static_cast<float>(std::strlen(word));
    const float total = count * letterWidth + (count - 1) * gap;
    Vec2 origin{centre.x - total / 2, centre.y - height / 2};
    float d = 1e9f;
    for (const char* c = word; *c; ++c) {
        d = std::min(d, sdBlockLetter(*c, p, origin, letterWidth, height, stroke));
        origin.x += letterWidth + gap;
    }
    return d;
}

} // namespace datagen
