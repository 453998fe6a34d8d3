#include "platform/ddraw/PixelOps.h"

#include "platform/ddraw/KeyedCopy.h"
#include "platform/ddraw/ProportionalScale.h"
#include "platform/ddraw/ScaledRow.h"

#include <algorithm>
#include <cstring>

namespace pixelops {

DDPIXELFORMAT FormatForDepth(int bpp) {
    DDPIXELFORMAT format;
    format.dwRGBBitCount = DWORD(bpp);
    if (bpp == 8) {
        format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    } else if (bpp == 16) {
        format.dwFlags = DDPF_RGB;
        format.dwRBitMask = 0xF800;
        format.dwGBitMask = 0x07E0;
        format.dwBBitMask = 0x001F;
    } else {
        format.dwFlags = DDPF_RGB;
        format.dwRBitMask = 0xFF0000;
        format.dwGBitMask = 0x00FF00;
        format.dwBBitMask = 0x0000FF;
    }
    return format;
}

void Copy(const View& dest, int dx, int dy, const View& source, int sx, int sy, int w, int h) {
    const std::size_t rowBytes = std::size_t(w) * std::size_t(dest.bytesPerPixel);
    // Rows go bottom-up when the destination lies below the source in the same memory, so
    // an overlapping copy never reads a row it has already written; memmove handles a row.
    bool bottomUp = dest.bits == source.bits && dy > sy;
    for (int i = 0; i < h; ++i) {
        int row = bottomUp ? h - 1 - i : i;
        std::memmove(dest.at(dx, dy + row), source.at(sx, sy + row), rowBytes);
    }
}

void CopyKeyed(const View& dest, int dx, int dy, const View& source, int sx, int sy, int w, int h,
               DWORD key) {
    const KeyedRowCopies& copies = BestKeyedCopies();
    switch (dest.bytesPerPixel) {
    case 1:
        copies.rect8(dest.at(dx, dy), dest.pitch, source.at(sx, sy), source.pitch, w, h, std::uint8_t(key));
        break;
    case 2:
        copies.rect16(reinterpret_cast<std::uint16_t*>(dest.at(dx, dy)), dest.pitch,
                      reinterpret_cast<const std::uint16_t*>(source.at(sx, sy)), source.pitch, w, h,
                      std::uint16_t(key));
        break;
    default:
        copies.rect32(reinterpret_cast<std::uint32_t*>(dest.at(dx, dy)), dest.pitch,
                      reinterpret_cast<const std::uint32_t*>(source.at(sx, sy)), source.pitch, w, h, key);
        break;
    }
}

template <class T> static void fillRows(const View& dest, int x, int y, int w, int h, T value) {
    for (int row = 0; row < h; ++row) {
        T* d = reinterpret_cast<T*>(dest.at(x, y + row));
        for (int i = 0; i < w; ++i)
            d[i] = value;
    }
}

void Fill(const View& dest, int x, int y, int w, int h, DWORD value) {
    switch (dest.bytesPerPixel) {
    case 1:
        fillRows<std::uint8_t>(dest, x, y, w, h, std::uint8_t(value));
        break;
    case 2:
        fillRows<std::uint16_t>(dest, x, y, w, h, std::uint16_t(value));
        break;
    default:
        fillRows<std::uint32_t>(dest, x, y, w, h, value);
        break;
    }
}

template <class T> static void stretchRows(const View& dest, const View& source, const Stretch& s) {
    // 16.16 steps from destination to source; the sample is taken at each pixel's centre.
    const std::int64_t stepX = (std::int64_t(s.srcW) << 16) / s.destW;
    const std::int64_t stepY = (std::int64_t(s.srcH) << 16) / s.destH;
    const T key = T(s.key);
    for (int y = s.clipY; y < s.clipY + s.clipH; ++y) {
        std::int64_t fy = (y - s.destY) * stepY + stepY / 2;
        int sy = s.srcY + int(fy >> 16);
        const T* srcRow = reinterpret_cast<const T*>(source.at(0, sy));
        T* d = reinterpret_cast<T*>(dest.at(s.clipX, y));
        std::int64_t fx = (s.clipX - s.destX) * stepX + stepX / 2;
        for (int i = 0; i < s.clipW; ++i, fx += stepX) {
            T value = srcRow[s.srcX + int(fx >> 16)];
            if (!s.keyed || value != key) d[i] = value;
        }
    }
}

// 32-bit pixels without a key go through the scaled-row fill, with their columns taken once;
// a row that repeats the source row of the one above is a copy of it.
static void stretchRows32(const View& dest, const View& source, const Stretch& s) {
    std::vector<int> columns(static_cast<std::size_t>(s.clipW));
    for (int i = 0; i < s.clipW; ++i)
        columns[std::size_t(i)] = s.srcX + NearestSourceIndex(s.clipX - s.destX + i, s.srcW, s.destW);
    const ScaledRowFill fill = BestScaledRow();
    int previousRow = -1;
    for (int y = s.clipY; y < s.clipY + s.clipH; ++y) {
        const int row = s.srcY + NearestSourceIndex(y - s.destY, s.srcH, s.destH);
        auto* out = reinterpret_cast<std::uint32_t*>(dest.at(s.clipX, y));
        if (row == previousRow)
            std::memcpy(out, dest.at(s.clipX, y - 1), std::size_t(s.clipW) * 4);
        else
            fill(out, reinterpret_cast<const std::uint32_t*>(source.at(0, row)), source.pitch / 4,
                 columns.data(), s.clipW, 0);
        previousRow = row;
    }
}

void StretchCopy(const View& dest, const View& source, const Stretch& s) {
    switch (dest.bytesPerPixel) {
    case 1:
        stretchRows<std::uint8_t>(dest, source, s);
        break;
    case 2:
        stretchRows<std::uint16_t>(dest, source, s);
        break;
    default:
        if (s.keyed)
            stretchRows<std::uint32_t>(dest, source, s);
        else
            stretchRows32(dest, source, s);
        break;
    }
}

static std::uint32_t expand565(std::uint16_t p) {
    std::uint32_t r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return r << 16 | g << 8 | b;
}

static std::uint32_t paletteXrgb(const PALETTEENTRY& e) {
    return std::uint32_t(e.peRed) << 16 | std::uint32_t(e.peGreen) << 8 | e.peBlue;
}

std::uint32_t ToXrgb(DWORD value, int bpp, const PALETTEENTRY* palette) {
    if (bpp == 8) return palette ? paletteXrgb(palette[value & 0xFF]) : (value & 0xFF) * 0x010101u;
    if (bpp == 16) return expand565(std::uint16_t(value));
    return value & 0xFFFFFF;
}

void ConvertToXrgb(const View& source, int x, int y, int w, int h, const PALETTEENTRY* palette,
                   std::uint32_t* dest, int destStride) {
    if (source.bytesPerPixel == 1) {
        std::uint32_t lut[256];
        for (int i = 0; i < 256; ++i)
            lut[i] = ToXrgb(DWORD(i), 8, palette);
        for (int row = 0; row < h; ++row) {
            const std::uint8_t* s = source.at(x, y + row);
            std::uint32_t* d = dest + std::ptrdiff_t(row) * destStride;
            for (int i = 0; i < w; ++i)
                d[i] = lut[s[i]];
        }
    } else if (source.bytesPerPixel == 2) {
        for (int row = 0; row < h; ++row) {
            const auto* s = reinterpret_cast<const std::uint16_t*>(source.at(x, y + row));
            std::uint32_t* d = dest + std::ptrdiff_t(row) * destStride;
            for (int i = 0; i < w; ++i)
                d[i] = expand565(s[i]);
        }
    } else {
        for (int row = 0; row < h; ++row) {
            const auto* s = reinterpret_cast<const std::uint32_t*>(source.at(x, y + row));
            std::uint32_t* d = dest + std::ptrdiff_t(row) * destStride;
            for (int i = 0; i < w; ++i)
                d[i] = s[i] & 0xFFFFFF;
        }
    }
}

BYTE NearestPaletteIndex(const PALETTEENTRY* palette, BYTE r, BYTE g, BYTE b) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        int dr = int(palette[i].peRed) - r, dg = int(palette[i].peGreen) - g, db = int(palette[i].peBlue) - b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    return BYTE(best);
}

namespace {

// Squared distances from one channel value to the nearest and the farthest value of a
// cell's span [low, high].
int nearSquare(int value, int low, int high) {
    const int d = value < low ? low - value : value > high ? value - high : 0;
    return d * d;
}

int farSquare(int value, int low, int high) {
    const int d = std::max(value - low, high - value);
    return d * d;
}

} // namespace

NearestColorTable::NearestColorTable(const PALETTEENTRY* palette) {
    std::copy(palette, palette + 256, palette_.begin());
    candidates_.reserve(std::size_t(kCells) * 8);
    std::array<int, 256> nearest{};
    for (int cell = 0; cell < kCells; ++cell) {
        const int r = cell / (kSide * kSide) * kSpan, g = cell / kSide % kSide * kSpan,
                  b = cell % kSide * kSpan;
        const int last = kSpan - 1;
        int bound = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = palette_[std::size_t(i)];
            nearest[std::size_t(i)] = nearSquare(e.peRed, r, r + last) + nearSquare(e.peGreen, g, g + last) +
                                      nearSquare(e.peBlue, b, b + last);
            bound = std::min(bound, farSquare(e.peRed, r, r + last) + farSquare(e.peGreen, g, g + last) +
                                        farSquare(e.peBlue, b, b + last));
        }
        first_[std::size_t(cell)] = std::uint32_t(candidates_.size());
        for (int i = 0; i < 256; ++i)
            if (nearest[std::size_t(i)] <= bound) candidates_.push_back(BYTE(i));
    }
    first_[kCells] = std::uint32_t(candidates_.size());
}

BYTE NearestColorTable::Nearest(BYTE r, BYTE g, BYTE b) const {
    const int cell = (r / kSpan * kSide + g / kSpan) * kSide + b / kSpan;
    BYTE best = 0;
    int bestDistance = 1 << 30;
    // The candidates are in index order, so the first of equally near entries wins.
    for (std::uint32_t k = first_[std::size_t(cell)]; k < first_[std::size_t(cell) + 1]; ++k) {
        const BYTE i = candidates_[k];
        const PALETTEENTRY& e = palette_[i];
        const int dr = int(e.peRed) - r, dg = int(e.peGreen) - g, db = int(e.peBlue) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

} // namespace pixelops
