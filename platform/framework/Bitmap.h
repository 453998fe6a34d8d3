#pragma once
// TBitmap: a picture in memory, loaded from a BMP file (1, 4, 8, 16, 24 or 32 bits per
// pixel, uncompressed or with bit-field masks) or from a bitmap resource by name, or
// made by the program. Bitmaps of 8 bits or fewer keep their indices and colour table;
// deeper ones hold 32-bit colours. A damaged file raises an Exception.
#include "platform/framework/Canvas.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
// Where a bitmap's transparent colour comes from: its bottom-left pixel, or a set colour.
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
    VX_CLASS(TBitmap, TGraphic)
public:
    TBitmap();
    ~TBitmap() override;

    void LoadFromFile(const std::string& fileName) override;
    // A bitmap resource (RT_BITMAP); raises EResNotFound when there is none.
    void LoadFromResourceName(const std::string& name);
    // BMP bytes, with or without the 14-byte file header.
    void LoadFromMemory(const void* data, std::size_t size);
    // The BMP file's bytes: an indexed bitmap with its depth and colour table, a deeper one
    // in 24 bits (when it came so) or 32; empty for an empty bitmap.
    std::vector<BYTE> SaveToMemory() const;
    // Copies the pixels of another picture (a JPEG image becomes a 24-bit bitmap).
    void Assign(const TGraphic& source);

    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    TPixelFormat PixelFormat() const;
    // pf1bit, pf4bit and pf8bit make an indexed bitmap, any other a 32-bit one.
    void SetPixelFormat(TPixelFormat format);

    // The colour table of an indexed bitmap (as many entries as the file declares),
    // empty for deeper bitmaps.
    std::vector<TPaletteEntry> Palette() const;
    void SetPalette(const std::vector<TPaletteEntry>& entries);

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // The palette index at (x, y) of an indexed bitmap, -1 otherwise or outside.
    int PixelIndex(int x, int y) const;
    // Row y: one byte per pixel (indexed) or four (blue, green, red, unused).
    BYTE* ScanLine(int y);

    TCanvas& Canvas();

    // A transparent bitmap is drawn without the pixels of its transparent colour.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }
    // The bottom-left pixel in tmAuto mode (clNone for an empty bitmap), else the colour set.
    TColor TransparentColor() const;
    // Fixes the transparent colour (the mode becomes tmFixed).
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }

private:
    std::unique_ptr<TCanvas> canvas_;
    int paletteCount_ = 0;
    bool transparent_ = false;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clNone;
};
