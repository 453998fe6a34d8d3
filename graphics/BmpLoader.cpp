// BMP pictures and palettes from BMP colour tables.
#include "graphics/ImageFile.h"
#include "graphics/ImageLoaders.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

constexpr std::uint64_t kMaxPixels = 64u * 1024u * 1024u;

DWORD dword(const BYTE* p) {
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}
int word(const BYTE* p) {
    return p[0] | p[1] << 8;
}

// Scales a bit-field channel to 8 bits.
struct Channel {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(DWORD m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m >> shift);
        }
    }
    BYTE of(DWORD pixel) const {
        if (!mask) return 0;
        DWORD v = (pixel & mask) >> shift;
        DWORD max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        return BYTE(std::uint64_t(v) * 255 / max);
    }
};

bool readFile(const std::string& name, std::vector<BYTE>& data) {
    std::FILE* f = OpenImageFile(name);
    if (!f) return false;
    BYTE chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

} // namespace

void DefaultPaletteEntries(PALETTEENTRY entries[256]) {
    for (int i = 0; i < 256; ++i)
        entries[i] = PALETTEENTRY{BYTE(((i >> 5) & 7) * 255 / 7), BYTE(((i >> 2) & 7) * 255 / 7),
                                  BYTE((i & 3) * 255 / 3), 0};
}

bool DecodeBmp(const BYTE* data, std::size_t size, DecodedImage& image) {
    image = DecodedImage{};
    if (!data || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return false;
    const BYTE* info = data + 14;
    DWORD headerSize = dword(info);
    if (headerSize < 40 || headerSize > size - 14) return false;
    auto width = std::int32_t(dword(info + 4));
    auto height = std::int32_t(dword(info + 8));
    int bits = word(info + 14);
    DWORD compression = dword(info + 16);
    DWORD colorsUsed = dword(info + 32);
    bool topDown = height < 0;
    std::int64_t rows = topDown ? -std::int64_t(height) : height;
    if (width <= 0 || rows <= 0 || std::uint64_t(width) * std::uint64_t(rows) > kMaxPixels) return false;
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32))) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    std::size_t tableOffset = 14 + headerSize;
    DWORD masks[3] = {bits == 16 ? 0x7C00u : 0xFF0000u, bits == 16 ? 0x03E0u : 0x00FF00u,
                      bits == 16 ? 0x001Fu : 0x0000FFu};
    if (compression == 3) {
        const BYTE* m = headerSize >= 52 ? info + 40 : data + tableOffset;
        if (headerSize < 52) {
            if (tableOffset + 12 > size) return false;
            tableOffset += 12;
        }
        for (int i = 0; i < 3; ++i)
            masks[i] = dword(m + 4 * i);
    }
    std::vector<std::uint32_t> colors;
    if (bits <= 8) {
        std::size_t count = colorsUsed ? std::min<std::size_t>(colorsUsed, 256) : std::size_t(1) << bits;
        count = std::min(count, (size - std::min(size, tableOffset)) / 4);
        for (std::size_t i = 0; i < count; ++i) {
            const BYTE* e = data + tableOffset + 4 * i;
            colors.push_back(std::uint32_t(e[2]) << 16 | std::uint32_t(e[1]) << 8 | e[0]);
        }
        colors.resize(std::size_t(1) << bits, 0);
    }
    std::size_t stride = ((std::size_t(width) * std::size_t(bits) + 31) / 32) * 4;
    std::size_t offset = dword(data + 10);
    if (offset > size || stride * std::size_t(rows) > size - offset) return false;
    Channel channels[3] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2])};
    image.width = width;
    image.height = int(rows);
    image.pixels.resize(std::size_t(width) * std::size_t(rows));
    for (std::int64_t y = 0; y < rows; ++y) {
        const BYTE* row = data + offset + std::size_t(topDown ? y : rows - 1 - y) * stride;
        std::uint32_t* out = image.pixels.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            if (bits <= 8) {
                int perByte = 8 / bits;
                int shift = 8 - bits * (x % perByte + 1);
                out[x] = colors[(row[x / perByte] >> shift) & ((1 << bits) - 1)];
            } else if (bits == 24) {
                const BYTE* p = row + 3 * x;
                out[x] = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
            } else {
                DWORD pixel = bits == 16 ? DWORD(word(row + 2 * x)) : dword(row + 4 * x);
                out[x] = std::uint32_t(channels[0].of(pixel)) << 16 |
                         std::uint32_t(channels[1].of(pixel)) << 8 | channels[2].of(pixel);
            }
        }
    }
    return true;
}

bool LoadBmpFile(const std::string& name, DecodedImage& image) {
    std::vector<BYTE> data;
    return readFile(name, data) && DecodeBmp(data.data(), data.size(), image);
}

IDirectDrawSurface7* LoadBitmapSurface(IDirectDraw7* directDraw, const std::string& name, int width,
                                       int height) {
    DecodedImage bitmap;
    if (!directDraw || !LoadBmpFile(name, bitmap)) return nullptr;
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = DWORD(width > 0 ? width : bitmap.width);
    desc.dwHeight = DWORD(height > 0 ? height : bitmap.height);
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(directDraw->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    CopyBitmapToSurface(surface, &bitmap, 0, 0, 0, 0);
    return surface;
}

HRESULT ReloadBitmapSurface(IDirectDrawSurface7* surface, const std::string& name) {
    DecodedImage bitmap;
    if (!LoadBmpFile(name, bitmap)) {
        DebugOutput("handle is null\n");
        return E_FAIL;
    }
    HRESULT hr = CopyBitmapToSurface(surface, &bitmap, 0, 0, 0, 0);
    if (FAILED(hr)) DebugOutput("ddcopybitmap failed\n");
    return hr;
}

IDirectDrawPalette* LoadPaletteFromBitmap(IDirectDraw7* directDraw, const char* name) {
    if (!directDraw) return nullptr;
    PALETTEENTRY entries[256];
    DefaultPaletteEntries(entries);
    std::vector<BYTE> data;
    if (name && readFile(name, data) && data.size() >= 14 + 40) {
        const BYTE* info = data.data() + 14;
        int bits = word(info + 14);
        DWORD used = dword(info + 32);
        std::size_t count = 0;
        if (dword(info) == 40 && bits <= 8) count = used ? used : std::size_t(1) << bits;
        // A colour table never holds more than 256 entries, and a short file holds fewer.
        count = std::min<std::size_t>({count, 256, (data.size() - 54) / 4});
        for (std::size_t i = 0; i < count; ++i) {
            const BYTE* e = data.data() + 54 + 4 * i;
            entries[i] = PALETTEENTRY{e[2], e[1], e[0], 0};
        }
    }
    IDirectDrawPalette* palette = nullptr;
    if (FAILED(directDraw->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr))) return nullptr;
    return palette;
}
