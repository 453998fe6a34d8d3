#include "tools/datagen/Raster.h"

#include <array>
#include <limits>

#include "tools/datagen/Palette.h"

namespace datagen {
namespace {

constexpr std::array<int, 16> kBayer4 = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

// Nearest entry for every colour at 6 bits per channel, weighted for the eye.
class NearestTable {
public:
    NearestTable() : table_(1 << 18) {
        const PaletteTable& pal = sharedPalette();
        for (int r = 0; r < 64; ++r)
            for (int g = 0; g < 64; ++g)
                for (int b = 0; b < 64; ++b)
                    table_[r << 12 | g << 6 | b] = search(pal, r * 4 + 2, g * 4 + 2, b * 4 + 2);
    }
    std::uint8_t operator()(int r, int g, int b) const {
        return table_[(r >> 2) << 12 | (g >> 2) << 6 | b >> 2];
    }

private:
    static std::uint8_t search(const PaletteTable& pal, int r, int g, int b) {
        int best = 3;
        long bestDistance = std::numeric_limits<long>::max();
        for (int i = 0; i < 256; ++i) {
            if (i == kKeyIndex || i == kOutlineIndex || i == kGodIndex) continue;
            long dr = r - pal[i].r, dg = g - pal[i].g, db = b - pal[i].b;
            long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (d < bestDistance) bestDistance = d, best = i;
        }
        return static_cast<std::uint8_t>(best);
    }
    std::vector<std::uint8_t> table_;
};

const NearestTable& nearestTable() {
    static const NearestTable table;
    return table;
}

int toByte(float v) {
    return std::clamp(static_cast<int>(v * 255.f + 0.5f), 0, 255);
}

} // namespace

void IndexedImage::blit(const IndexedImage& src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy)
        for (int sx = 0; sx < src.width; ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx >= 0 && dy >= 0 && dx < width && dy < height) at(dx, dy) = src.at(sx, sy);
        }
}

Picture render(int width, int height, const Painter& painter, int grid) {
    Picture pic{width, height, std::vector<Rgba>(static_cast<std::size_t>(width) * height)};
    const float n = static_cast<float>(grid * grid);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < grid; ++j)
                for (int i = 0; i < grid; ++i) {
                    Rgba c = painter({x + (i + 0.5f) / grid, y + (j + 0.5f) / grid});
                    r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
                }
            pic.at(x, y) = a > 0 ? Rgba{r / a, g / a, b / a, a / n} : Rgba{};
        }
    return pic;
}

IndexedImage quantize(const Picture& picture, const QuantizeOptions& options) {
    IndexedImage out(picture.width, picture.height);
    const NearestTable& nearest = nearestTable();
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const Rgba& c = picture.at(x, y);
            if (options.keyed && c.a < 0.5f) continue;
            float d = (kBayer4[(y & 3) * 4 + (x & 3)] / 16.f - 0.47f) * options.dither;
            out.at(x, y) = nearest(std::clamp(toByte(c.r) + static_cast<int>(d), 0, 255),
                                   std::clamp(toByte(c.g) + static_cast<int>(d), 0, 255),
                                   std::clamp(toByte(c.b) + static_cast<int>(d), 0, 255));
        }
    return out;
}

IndexedImage paintCell(int width, int height, const Painter& painter, const QuantizeOptions& options) {
    return quantize(render(width, height, painter), options);
}

std::uint8_t nearestIndex(Rgba colour) {
    return nearestTable()(toByte(colour.r), toByte(colour.g), toByte(colour.b));
}

void addOutline(IndexedImage& image, std::uint8_t index) {
    IndexedImage source = image;
    auto opaque = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < source.width && y < source.height && source.at(x, y) != kKeyIndex &&
               source.at(x, y) != index;
    };
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (source.at(x, y) == kKeyIndex &&
                (opaque(x - 1, y) || opaque(x + 1, y) || opaque(x, y - 1) || opaque(x, y + 1)))
                image.at(x, y) = index;
}

} // namespace datagen
