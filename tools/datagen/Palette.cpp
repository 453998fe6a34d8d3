#include "tools/datagen/Palette.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace datagen {
namespace {

// A ramp runs from its first anchor to its last through the ones between, evenly spaced.
struct Ramp {
    int count;
    std::vector<Rgb> anchors;
};

Rgb lerp(Rgb a, Rgb b, float t) {
    auto mix = [t](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * t + 0.5f); };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

Rgb sampleRamp(const Ramp& ramp, int i) {
    if (ramp.count == 1) return ramp.anchors.front();
    float pos = static_cast<float>(i) / (ramp.count - 1) * (ramp.anchors.size() - 1);
    auto seg = static_cast<std::size_t>(pos);
    if (seg >= ramp.anchors.size() - 1) return ramp.anchors.back();
    return lerp(ramp.anchors[seg], ramp.anchors[seg + 1], pos - seg);
}

const std::vector<Ramp>& ramps() {
    static const std::vector<Ramp> table = {
        {14, {{18, 18, 22}, {128, 128, 134}, {255, 255, 255}}},                           // greys to white
        {10, {{30, 34, 48}, {110, 118, 136}, {210, 218, 232}}},                           // cool stone
        {8, {{70, 46, 28}, {170, 128, 80}, {246, 222, 172}}},                             // sandstone
        {8, {{34, 24, 40}, {86, 70, 98}, {158, 140, 168}}},                               // basalt
        {8, {{20, 56, 108}, {96, 160, 212}, {226, 246, 255}}},                            // ice
        {12, {{44, 22, 8}, {140, 82, 34}, {244, 196, 124}}},                              // wood
        {8, {{32, 12, 10}, {110, 52, 34}, {196, 118, 84}}},                               // dark red wood
        {10, {{12, 42, 14}, {64, 132, 44}, {178, 232, 112}}},                             // grass
        {8, {{112, 86, 50}, {196, 168, 112}, {252, 238, 194}}},                           // sand
        {6, {{150, 168, 198}, {252, 252, 255}}},                                          // snow
        {8, {{44, 16, 14}, {112, 52, 36}, {186, 96, 64}}},                                // lava rock
        {8, {{14, 38, 46}, {56, 110, 122}, {126, 196, 204}}},                             // metal teal
        {16, {{64, 0, 0}, {184, 24, 0}, {255, 124, 0}, {255, 222, 64}, {255, 255, 214}}}, // fire
        {8, {{64, 0, 12}, {212, 32, 40}, {255, 178, 172}}},                               // player red
        {8, {{0, 22, 74}, {36, 96, 232}, {176, 212, 255}}},                               // player blue
        {8, {{0, 52, 12}, {30, 172, 52}, {176, 255, 176}}},                               // player green
        {8, {{72, 52, 0}, {226, 190, 20}, {255, 250, 176}}},                              // player yellow
        {6, {{94, 52, 30}, {204, 144, 104}, {255, 222, 194}}},                            // skin
        {8, {{42, 0, 52}, {140, 52, 196}, {232, 176, 255}}},                              // monster purple
        {8, {{22, 42, 0}, {120, 196, 20}, {224, 255, 128}}},                              // slime
        {8, {{62, 10, 0}, {210, 72, 24}, {255, 184, 124}}},                               // devil orange
        {8, {{0, 42, 52}, {20, 170, 190}, {176, 255, 255}}},                              // cyan
        {8, {{62, 0, 42}, {214, 48, 150}, {255, 176, 224}}},                              // magenta
        {10, {{62, 30, 0}, {200, 130, 10}, {255, 226, 110}, {255, 255, 224}}},            // gold
        {10, {{10, 8, 28}, {30, 30, 86}, {66, 70, 150}}},                                 // night
        {10, {{32, 10, 62}, {110, 46, 140}, {206, 128, 204}}},                            // dusk violet
        {8, {{42, 38, 36}, {110, 102, 96}, {194, 184, 174}}},                             // smoke
        {6, {{100, 0, 0}, {255, 0, 0}}},                                                  // pure red
    };
    return table;
}

// Moves a colour by the smallest 5-6-5 steps until no earlier entry shares its pixel value:
// entries that the 16-bit loader cannot tell apart would break the colour key and the
// GodMode colour swap.
Rgb makeDistinct(Rgb c, const std::vector<bool>& taken) {
    static const int nudges[][3] = {{0, 0, 0},  {0, 4, 0}, {0, -4, 0},   {8, 0, 0}, {-8, 0, 0}, {0, 0, 8},
                                    {0, 0, -8}, {8, 4, 8}, {-8, -4, -8}, {0, 8, 0}, {0, -8, 0}};
    auto shift = [](int v, int d) { return static_cast<std::uint8_t>(std::clamp(v + d, 0, 255)); };
    for (const auto& n : nudges) {
        Rgb moved{shift(c.r, n[0]), shift(c.g, n[1]), shift(c.b, n[2])};
        if (!taken[pack565(moved)]) return moved;
    }
    throw std::logic_error("no free 5-6-5 value near a palette colour");
}

PaletteTable buildPalette() {
    PaletteTable palette{};
    std::vector<bool> taken(65536, false);
    int next = 0;
    auto add = [&](Rgb c) {
        c = makeDistinct(c, taken);
        taken[pack565(c)] = true;
        palette.at(static_cast<std::size_t>(next++)) = c;
    };
    add({0, 0, 0});          // the colour key
    add({30, 16, 46});       // the players' outline
    add({0xF0, 0x40, 0x00}); // the GodMode blink colour
    for (const Ramp& ramp : ramps())
        for (int i = 0; i < ramp.count; ++i)
            add(sampleRamp(ramp, i));
    // The rest: a coarse spread of hues so that no drawn colour lacks a near neighbour.
    for (int i = 0, spare = 256 - next; i < spare; ++i) {
        int hue = i % 6, level = i / 6;
        std::uint8_t hi = static_cast<std::uint8_t>(std::min(255, 150 + level * 40)), lo = 40;
        Rgb c{lo, lo, lo};
        if (hue == 0 || hue == 1 || hue == 5) c.r = hi;
        if (hue == 1 || hue == 2 || hue == 3) c.g = hi;
        if (hue == 3 || hue == 4 || hue == 5) c.b = hi;
        add(c);
    }
    return palette;
}

} // namespace

std::uint16_t pack565(Rgb c) {
    return static_cast<std::uint16_t>((c.r & 0xF8) << 8 | (c.g & 0xFC) << 3 | c.b >> 3);
}

const PaletteTable& sharedPalette() {
    static const PaletteTable palette = buildPalette();
    return palette;
}

} // namespace datagen
