#pragma once
// Software blending on locked surface memory, for 16- and 32-bit pixels: darkening,
// constant alpha, alpha from the source pixel's brightness (or its inverse) and an 8-bit
// alpha map. Surfaces are passed as the descriptions a lock filled in; rectangles that
// reach beyond a surface are clipped to it.
#include "platform/ddraw/DDraw.h"

class CAlphaBlitter {
public:
    virtual ~CAlphaBlitter() = default;
    virtual int Darken(DDSURFACEDESC2* dest, int x, int y, int width, int height) = 0;
    // sourceRect is (left, top, width, height); null means the whole source.
    virtual int AlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* sourceRect,
                           BYTE alpha) = 0;
    virtual int SourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                 const RECT* sourceRect) = 0;
    virtual int InverseSourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                        const RECT* sourceRect) = 0;
    // The alpha map is an 8-bit surface addressed at the source's coordinates.
    virtual int AlphaMapBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                              const RECT* sourceRect, DDSURFACEDESC2* alphaMap) = 0;
};

// The channel arithmetic shared by both pixel sizes.
class CAlphaBlitterBase : public CAlphaBlitter {
public:
    virtual void InitPixelFormat(const DDPIXELFORMAT* format);

    DWORD RMask = 0, GMask = 0, BMask = 0;
    // Brings a channel's top bits to bits 4..7 of a byte: positive shifts right, negative left.
    int RShift = 0, GShift = 0, BShift = 0;
    DWORD HalfMask = 0;
};

class CAlphaBlitter16 : public CAlphaBlitterBase {
public:
    int Darken(DDSURFACEDESC2* dest, int x, int y, int width, int height) override;
    int AlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* sourceRect,
                   BYTE alpha) override;
    int SourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                         const RECT* sourceRect) override;
    int InverseSourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                const RECT* sourceRect) override;
    int AlphaMapBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* sourceRect,
                      DDSURFACEDESC2* alphaMap) override;
};

class CAlphaBlitter32 : public CAlphaBlitterBase {
public:
    int Darken(DDSURFACEDESC2* dest, int x, int y, int width, int height) override;
    int AlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* sourceRect,
                   BYTE alpha) override;
    int SourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                         const RECT* sourceRect) override;
    int InverseSourceAlphaBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source,
                                const RECT* sourceRect) override;
    int AlphaMapBlend(DDSURFACEDESC2* dest, int x, int y, DDSURFACEDESC2* source, const RECT* sourceRect,
                      DDSURFACEDESC2* alphaMap) override;
};

// A blitter for the surface's pixel format (16 or 32 bits), else null. The caller owns it.
CAlphaBlitter* CreateEffectBlitter(IDirectDrawSurface7* primary);
