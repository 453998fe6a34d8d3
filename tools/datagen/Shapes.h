// Small vector, colour and signed-distance helpers from which every picture is painted.
// A shape is a signed distance in pixels (negative inside); painters compose shapes back
// to front and the renderer supersamples the result, so edges come out smooth.
#pragma once

#include <algorithm>
#include <cmath>

namespace datagen {

struct Vec2 {
    float x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(Vec2 a, float s) {
    return {a.x * s, a.y * s};
}
inline float dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
inline float length(Vec2 a) {
    return std::sqrt(dot(a, a));
}
inline Vec2 rotate(Vec2 p, float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

constexpr float kPi = 3.14159265358979f;

// Straight (not premultiplied) colour, components 0..1.
struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};
inline Rgba rgb(int r, int g, int b) {
    return {r / 255.f, g / 255.f, b / 255.f, 1.f};
}
inline Rgba scale(Rgba c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}
inline Rgba mix(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
inline Rgba over(Rgba dst, Rgba src) {
    float a = src.a + dst.a * (1 - src.a);
    if (a <= 0) return {};
    auto ch = [&](float s, float d) { return (s * src.a + d * dst.a * (1 - src.a)) / a; };
    return {ch(src.r, dst.r), ch(src.g, dst.g), ch(src.b, dst.b), a};
}

inline float clamp01(float v) {
    return std::clamp(v, 0.f, 1.f);
}
inline float smoothstep(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

inline float sdCircle(Vec2 p, Vec2 c, float r) {
    return length(p - c) - r;
}
inline float sdEllipse(Vec2 p, Vec2 c, float rx, float ry) {
    Vec2 q{(p.x - c.x) / rx, (p.y - c.y) / ry};
    return (length(q) - 1) * std::min(rx, ry);
}
inline float sdBox(Vec2 p, Vec2 c, float hw, float hh, float radius = 0) {
    float dx = std::fabs(p.x - c.x) - hw + radius, dy = std::fabs(p.y - c.y) - hh + radius;
    float outside = length({std::max(dx, 0.f), std::max(dy, 0.f)});
    return outside + std::min(std::max(dx, dy), 0.f) - radius;
}
inline float sdCapsule(Vec2 p, Vec2 a, Vec2 b, float r) {
    Vec2 pa = p - a, ba = b - a;
    float h = std::clamp(dot(pa, ba) / dot(ba, ba), 0.f, 1.f);
    return length(pa - ba * h) - r;
}
inline float sdTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
    auto edge = [&](Vec2 e0, Vec2 e1) {
        Vec2 e = e1 - e0, w = p - e0;
        Vec2 d = w - e * std::clamp(dot(w, e) / dot(e, e), 0.f, 1.f);
        return d;
    };
    Vec2 d0 = edge(a, b), d1 = edge(b, c), d2 = edge(c, a);
    float dist = std::sqrt(std::min({dot(d0, d0), dot(d1, d1), dot(d2, d2)}));
    auto cross = [](Vec2 u, Vec2 v) { return u.x * v.y - u.y * v.x; };
    float s0 = cross(b - a, p - a), s1 = cross(c - b, p - b), s2 = cross(a - c, p - c);
    bool inside = (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
    return inside ? -dist : dist;
}

// Lambert and a touch of specular on a sphere-like bulge: light from the upper left.
inline Rgba shadeBall(Rgba base, Vec2 p, Vec2 c, float r, float shine = 0.5f) {
    Vec2 n{(p.x - c.x) / r, (p.y - c.y) / r};
    float z = std::sqrt(std::max(0.f, 1 - dot(n, n)));
    const float lx = -0.48f, ly = -0.56f, lz = 0.67f;
    float diffuse = std::max(0.f, n.x * lx + n.y * ly + z * lz);
    float highlight = std::pow(std::max(0.f, 2 * z * (n.x * lx + n.y * ly + z * lz) * z - lz), 18.f);
    Rgba c2 = scale(base, 0.35f + 0.85f * diffuse);
    return mix(c2, rgb(255, 255, 255), clamp01(highlight * shine));
}

// Paints `colour` where the shape covers the point.
inline void paint(Rgba& dst, float sd, Rgba colour) {
    if (sd <= 0) dst = over(dst, colour);
}

} // namespace datagen
