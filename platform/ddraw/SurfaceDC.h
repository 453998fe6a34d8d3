#pragma once
// A drawing context over a surface's memory (what GetDC hands out). Canvases draw straight
// into the pixels it lends; it also sets and reads single pixels and draws pictures
// stretched. In 8 bits per pixel what it paints takes the nearest palette entry and
// untouched pixels keep their index; in 32 bits the unused top byte stays 0, so colour
// keys compare exactly.
#include "platform/ddraw/DDraw.h"

#include <cstdint>
#include <memory>

class SurfaceDC {
public:
    SurfaceDC(BYTE* bits, int width, int height, int pitch, int bpp, const PALETTEENTRY* palette);
    ~SurfaceDC();
    SurfaceDC(const SurfaceDC&) = delete;
    SurfaceDC& operator=(const SurfaceDC&) = delete;

    BYTE* Bits() const;
    int Width() const;
    int Height() const;
    int Pitch() const;
    int BitsPerPixel() const;
    // The 256 colours the indices of an 8-bit surface stand for.
    const PALETTEENTRY* Palette() const;

    COLORREF GetPixel(int x, int y);
    void SetPixel(int x, int y, COLORREF color);
    // Draws the source rectangle of an X8R8G8B8 picture stretched over the destination.
    void StretchDraw(const RECT& dest, const std::uint32_t* pixels, int width, int height, int stride,
                     const RECT& source);

    // Ends drawing and settles the pixels; the surface's ReleaseDC calls it.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Drawing text and pictures needs the toolkit's GUI runtime; this makes sure one exists
// (headless when there is no display). Call on the main thread.
void EnsureGraphicsRuntime();
