#pragma once
// A 32-bit pixel buffer a canvas can draw on, for reading back what was drawn.
#include "platform/framework/Canvas.h"

#include <cstdint>
#include <vector>

struct PixelTarget {
    PixelTarget(int width, int height, std::uint32_t fill = 0)
        : width(width), height(height), bits(static_cast<std::size_t>(width * height), fill) {}

    TPixelBuffer buffer() {
        TPixelBuffer b;
        b.Bits = bits.data();
        b.Width = width;
        b.Height = height;
        b.Pitch = width * 4;
        b.Layout = plXRGB8888;
        return b;
    }
    // The pixel as 0x00RRGGBB.
    std::uint32_t at(int x, int y) const { return bits[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF; }

    // The smallest rectangle holding every pixel of exactly this colour (empty when none).
    RECT boundsOf(std::uint32_t rgb) const {
        RECT box{width, height, 0, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) == rgb) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box.right == 0 ? RECT{} : box;
    }
    int count(std::uint32_t rgb) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                n += at(x, y) == rgb;
        return n;
    }

    int width;
    int height;
    std::vector<std::uint32_t> bits;
};
