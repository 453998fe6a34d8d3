// Rendering painters into pictures and turning pictures into palette images.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/datagen/Shapes.h"

namespace datagen {

// A painter gives the colour at a point of the picture (pixel units, y down).
using Painter = std::function<Rgba(Vec2)>;

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgba> pixels;
    Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct IndexedImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    IndexedImage() = default;
    IndexedImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    std::uint8_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    void blit(const IndexedImage& src, int x, int y);
};

// Averages grid x grid samples per pixel.
Picture render(int width, int height, const Painter& painter, int grid = 3);

struct QuantizeOptions {
    float dither = 10.f; // amplitude of the ordered dither, in 0..255 colour steps
    bool keyed = true;   // pixels under half coverage become the colour key
};

// Maps every pixel to the nearest palette entry (never the key or a reserved entry).
IndexedImage quantize(const Picture& picture, const QuantizeOptions& options = {});

// Renders and quantises in one step: the usual road from painter to sheet cell.
IndexedImage paintCell(int width, int height, const Painter& painter, const QuantizeOptions& options = {});

// The palette entry the quantiser would pick for a colour (never the key or a reserved one).
std::uint8_t nearestIndex(Rgba colour);

// Turns every key pixel that touches an opaque pixel (4-neighbourhood) into `index`.
void addOutline(IndexedImage& image, std::uint8_t index);

} // namespace datagen
