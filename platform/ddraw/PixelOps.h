#pragma once
// The pixel kernels of the DirectDraw stand-in: copies, colour-keyed copies, fills,
// nearest-neighbour stretches and conversion to X8R8G8B8. They work on raw rows with their
// own pitches and take rectangles already clipped by the caller.
#include "platform/ddraw/DDraw.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixelops {

struct View {
    BYTE* bits = nullptr;
    int pitch = 0;
    int bytesPerPixel = 0;
    BYTE* at(int x, int y) const {
        return bits + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(x) * bytesPerPixel;
    }
};

DDPIXELFORMAT FormatForDepth(int bpp);

// Copies w x h pixels; source and destination may overlap within one surface.
void Copy(const View& dest, int dx, int dy, const View& source, int sx, int sy, int w, int h);
// Copies the pixels whose value differs from key; no overlap allowed.
void CopyKeyed(const View& dest, int dx, int dy, const View& source, int sx, int sy, int w, int h, DWORD key);
void Fill(const View& dest, int x, int y, int w, int h, DWORD value);
// Nearest-neighbour stretch of a source rectangle onto a destination rectangle.
// keyed: skip source pixels equal to key. The visible part of the destination is
// [clipX, clipX+clipW) x [clipY, clipY+clipH), inside the destination rectangle.
struct Stretch {
    int destX, destY, destW, destH;
    int srcX, srcY, srcW, srcH;
    int clipX, clipY, clipW, clipH;
    bool keyed;
    DWORD key;
};
void StretchCopy(const View& dest, const View& source, const Stretch& s);

// X8R8G8B8 of one pixel value in a depth, 8 bits through the palette.
std::uint32_t ToXrgb(DWORD value, int bpp, const PALETTEENTRY* palette);
// Converts rows of pixels to X8R8G8B8 (8 bits through the palette).
void ConvertToXrgb(const View& source, int x, int y, int w, int h, const PALETTEENTRY* palette,
                   std::uint32_t* dest, int destStride);
// The palette index nearest to an RGB colour (squared distance, lowest index on a tie).
BYTE NearestPaletteIndex(const PALETTEENTRY* palette, BYTE r, BYTE g, BYTE b);

// The same answer as NearestPaletteIndex, fast enough for every pixel of a picture: the
// colour cube is cut into 16 x 16 x 16 cells, and each cell keeps only the entries that can
// be nearest to some colour inside it. An entry farther from the whole cell than another
// entry's farthest corner can never be nearest there, nor tie.
class NearestColorTable {
public:
    explicit NearestColorTable(const PALETTEENTRY* palette);
    BYTE Nearest(BYTE r, BYTE g, BYTE b) const;

private:
    static constexpr int kSide = 16;          // cells along each channel
    static constexpr int kSpan = 256 / kSide; // channel values in a cell
    static constexpr int kCells = kSide * kSide * kSide;
    std::array<PALETTEENTRY, 256> palette_;
    std::vector<BYTE> candidates_;                // every cell's entries, cell after cell
    std::array<std::uint32_t, kCells + 1> first_; // cell i's entries: [first_[i], first_[i + 1])
};

} // namespace pixelops
