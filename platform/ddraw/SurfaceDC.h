#pragma once
// A drawing context over a surface's memory (what GetDC hands out): text and shapes are
// painted straight into the pixels. In 8 bits per pixel painted pixels take the nearest
// palette entry and untouched pixels keep their index.
#include "platform/ddraw/DDraw.h"

#include <cstdint>
#include <memory>
#include <string>

struct SIZE {
    int cx = 0;
    int cy = 0;
};

enum DCFontStyle : unsigned { dcBold = 1, dcItalic = 2, dcUnderline = 4, dcStrikeOut = 8 };

class SurfaceDC {
public:
    SurfaceDC(BYTE* bits, int width, int height, int pitch, int bpp, const PALETTEENTRY* palette);
    ~SurfaceDC();
    SurfaceDC(const SurfaceDC&) = delete;
    SurfaceDC& operator=(const SurfaceDC&) = delete;

    int Width() const;
    int Height() const;
    int BitsPerPixel() const;

    // Font size in points at 96 dots per inch.
    void SetFont(const std::string& name, int size, COLORREF color, unsigned style);
    void SetPen(COLORREF color, int width);
    // clear: shapes are not filled and text has no background.
    void SetBrush(COLORREF color, bool clear);

    void TextOut(int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    void FillRect(const RECT& rect);
    // Outline in the pen (right and bottom edges excluded), inside filled with the brush.
    void Rectangle(const RECT& rect);
    void Ellipse(const RECT& rect);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    COLORREF GetPixel(int x, int y);
    void SetPixel(int x, int y, COLORREF color);
    // Draws the source rectangle of an X8R8G8B8 picture stretched over the destination.
    void StretchDraw(const RECT& dest, const std::uint32_t* pixels, int width, int height,
                     int stride, const RECT& source);

    // Ends drawing and settles the pixels (8-bit mapping); the surface's ReleaseDC calls it.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Text and image drawing need the toolkit's GUI runtime; this makes sure one exists
// (headless when there is no display). Call on the main thread.
void EnsureGraphicsRuntime();
