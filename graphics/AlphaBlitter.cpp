#include "graphics/AlphaBlitter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

int channelShift(DWORD mask) {
    for (int s = 0; s <= 24; ++s)
        if (((mask >> s) & 0x1F0) == 0xF0) return s;
    for (int k = 1; k <= 24; ++k)
        if (((mask << k) & 0x1F0) == 0xF0) return -k;
    return -25;
}

DWORD shifted(DWORD value, int shift) {
    return shift >= 0 ? value >> shift : value << -shift;
}

DWORD withoutLowestBit(DWORD mask) {
    return mask & (mask - 1);
}

// The rectangle to draw after clipping to the destination, the source and the alpha map.
struct Span {
    int destX, destY, srcX, srcY, width, height;
};

bool clip(const DDSURFACEDESC2* dest, int x, int y, const DDSURFACEDESC2* source, const RECT* sourceRect,
          const DDSURFACEDESC2* map, Span& span) {
    if (!dest || !dest->lpSurface || !source || !source->lpSurface) return false;
    int sx = 0, sy = 0, w = int(source->dwWidth), h = int(source->dwHeight);
    if (sourceRect) {
        sx = sourceRect->left;
        sy = sourceRect->top;
        w = sourceRect->right;
        h = sourceRect->bottom;
    }
    int limitW = int(source->dwWidth), limitH = int(source->dwHeight);
    if (map) {
        limitW = std::min(limitW, int(map->dwWidth));
        limitH = std::min(limitH, int(map->dwHeight));
    }
    // Trim every side that lies outside a surface, moving both corners together.
    int trimLeft = std::max({0, -sx, -x}), trimTop = std::max({0, -sy, -y});
    sx += trimLeft, x += trimLeft, w -= trimLeft;
    sy += trimTop, y += trimTop, h -= trimTop;
    w = std::min({w, limitW - sx, int(dest->dwWidth) - x});
    h = std::min({h, limitH - sy, int(dest->dwHeight) - y});
    if (w <= 0 || h <= 0) return false;
    span = Span{x, y, sx, sy, w, h};
    return true;
}

template <class T> T* pixelRow(const DDSURFACEDESC2* desc, int x, int y) {
    return reinterpret_cast<T*>(static_cast<BYTE*>(desc->lpSurface) + std::ptrdiff_t(y) * desc->lPitch) + x;
}

// The per-pixel work of both blitters, for one pixel type.
template <class T> class Blender {
public:
    explicit Blender(const CAlphaBlitterBase& b) : b_(b) {}

    DWORD mix(DWORD from, DWORD to, DWORD alpha) const {
        return channel(from, to, alpha, b_.RMask) | channel(from, to, alpha, b_.GMask) |
               channel(from, to, alpha, b_.BMask);
    }

    DWORD brightness(DWORD s) const {
        return (shifted(s & b_.RMask, b_.RShift) | shifted(s & b_.GMask, b_.GShift) |
                shifted(s & b_.BMask, b_.BShift)) &
               0xFF;
    }

    int darken(DDSURFACEDESC2* dest, int x, int y, int w, int h) const {
        if (!dest || !dest->lpSurface) return 0;
        int x0 = std::max(x, 0), y0 = std::max(y, 0);
        int x1 = std::min(x + w, int(dest->dwWidth)), y1 = std::min(y + h, int(dest->dwHeight));
        for (int row = y0; row < y1; ++row) {
            T* d = pixelRow<T>(dest, 0, row);
            for (int col = x0; col < x1; ++col)
                d[col] = T((d[col] & b_.HalfMask) >> 1);
        }
        return 0;
    }

    // op: how a source pixel, destination pixel (and map byte) make the new pixel.
    template <class Op>
    int blend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* sourceRect,
              DDSURFACEDESC2* map, Op op) const {
        Span s;
        if (!clip(dest, x, y, source, sourceRect, map, s)) return 0;
        for (int row = 0; row < s.height; ++row) {
            T* d = pixelRow<T>(dest, s.destX, s.destY + row);
            const T* src = pixelRow<T>(source, s.srcX, s.srcY + row);
            const BYTE* a = map ? pixelRow<BYTE>(map, s.srcX, s.srcY + row) : nullptr;
            for (int col = 0; col < s.width; ++col)
                d[col] = T(op(DWORD(src[col]), DWORD(d[col]), a ? a[col] : 0));
        }
        return 0;
    }

private:
    static DWORD channel(DWORD from, DWORD to, DWORD alpha, DWORD mask) {
        DWORD f = from & mask, t = to & mask;
        return (f + (((t - f) * alpha) >> 8)) & mask;
    }

    const CAlphaBlitterBase& b_;
};

template <class T>
int alphaBlend(const CAlphaBlitterBase& b, DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
               const RECT* rect, BYTE alpha) {
    if (alpha == 0) return 0;
    Blender<T> blender(b);
    return blender.blend(dest, x, y, source, rect, nullptr,
                         [&](DWORD s, DWORD d, BYTE) { return blender.mix(d, s, alpha); });
}

template <class T>
int sourceAlpha(const CAlphaBlitterBase& b, DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                const RECT* rect, bool inverse) {
    Blender<T> blender(b);
    return blender.blend(dest, x, y, source, rect, nullptr, [&](DWORD s, DWORD d, BYTE) {
        DWORD level = blender.brightness(s);
        return inverse ? blender.mix(s, d, level) : blender.mix(d, s, level);
    });
}

template <class T>
int alphaMap(const CAlphaBlitterBase& b, DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
             const RECT* rect, DDSURFACEDESC2* map) {
    if (!map || !map->lpSurface) return 0;
    Blender<T> blender(b);
    return blender.blend(dest, x, y, source, rect, map,
                         [&](DWORD s, DWORD d, BYTE a) { return blender.mix(d, s, a); });
}

} // namespace

void CAlphaBlitterBase::InitPixelFormat(const DDPIXELFORMAT* format) {
    RMask = format->dwRBitMask;
    GMask = format->dwGBitMask;
    BMask = format->dwBBitMask;
    HalfMask = withoutLowestBit(RMask) | withoutLowestBit(GMask) | withoutLowestBit(BMask);
    RShift = channelShift(RMask);
    GShift = channelShift(GMask);
    BShift = channelShift(BMask);
}

int CAlphaBlitter16::Darken(DDSURFACEDESC2* dest, int x, int y, int width, int height) {
    return Blender<std::uint16_t>(*this).darken(dest, x, y, width, height);
}
int CAlphaBlitter16::AlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* rect,
                                BYTE alpha) {
    return alphaBlend<std::uint16_t>(*this, dest, x, y, source, rect, alpha);
}
int CAlphaBlitter16::SourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                      const RECT* rect) {
    return sourceAlpha<std::uint16_t>(*this, dest, x, y, source, rect, false);
}
int CAlphaBlitter16::InverseSourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                             const RECT* rect) {
    return sourceAlpha<std::uint16_t>(*this, dest, x, y, source, rect, true);
}
int CAlphaBlitter16::AlphaMapBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                   const RECT* rect, DDSURFACEDESC2* map) {
    return alphaMap<std::uint16_t>(*this, dest, x, y, source, rect, map);
}

int CAlphaBlitter32::Darken(DDSURFACEDESC2* dest, int x, int y, int width, int height) {
    return Blender<std::uint32_t>(*this).darken(dest, x, y, width, height);
}
int CAlphaBlitter32::AlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* rect,
                                BYTE alpha) {
    return alphaBlend<std::uint32_t>(*this, dest, x, y, source, rect, alpha);
}
int CAlphaBlitter32::SourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                      const RECT* rect) {
    return sourceAlpha<std::uint32_t>(*this, dest, x, y, source, rect, false);
}
int CAlphaBlitter32::InverseSourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                             const RECT* rect) {
    return sourceAlpha<std::uint32_t>(*this, dest, x, y, source, rect, true);
}
int CAlphaBlitter32::AlphaMapBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                   const RECT* rect, DDSURFACEDESC2* map) {
    return alphaMap<std::uint32_t>(*this, dest, x, y, source, rect, map);
}

CAlphaBlitter* CreateEffectBlitter(IDirectDrawSurface7* primary) {
    DDPIXELFORMAT format;
    if (!primary || FAILED(primary->GetPixelFormat(&format))) return nullptr;
    CAlphaBlitterBase* blitter = nullptr;
    if (format.dwRGBBitCount == 16)
        blitter = new CAlphaBlitter16;
    else if (format.dwRGBBitCount == 32)
        blitter = new CAlphaBlitter32;
    if (blitter) blitter->InitPixelFormat(&format);
    return blitter;
}
