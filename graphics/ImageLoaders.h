#pragma once
// Free functions that fill surfaces from image files and build palettes and colour keys.
// None raises on its own: they answer null, false or a result code. A PCX or JPEG file
// that cannot be opened raises the file-open error of the stream that opens it.
#include "platform/ddraw/DDraw.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // X8R8G8B8, rows top to bottom
};

// A decoded bitmap (what a bitmap handle refers to here).
using HBITMAP = const DecodedImage*;

IDirectDrawSurface7* LoadBitmapSurface(IDirectDraw7* directDraw, const std::string& name, int width,
                                       int height);
HRESULT ReloadBitmapSurface(IDirectDrawSurface7* surface, const std::string& name);
HRESULT CopyBitmapToSurface(IDirectDrawSurface7* surface, HBITMAP bitmap, int x, int y, int width,
                            int height);
// name may be null: the 3-3-2 default palette.
IDirectDrawPalette* LoadPaletteFromBitmap(IDirectDraw7* directDraw, const char* name);
DWORD MatchSurfaceColor(IDirectDrawSurface7* surface, COLORREF color);
HRESULT SetSurfaceColorKey(IDirectDrawSurface7* surface, COLORREF color);
IDirectDrawSurface7* LoadJpegSurface(IDirectDraw7* directDraw, const std::string& name, int width,
                                     int height);
IDirectDrawSurface7* LoadPcxSurface(IDirectDraw7* directDraw, const std::string& name, int width, int height);
bool ReloadPcxSurface(IDirectDrawSurface7* surface, const std::string& name);
bool ReadPcxPalette(const std::string& name, BYTE palette[768]);
bool DecodePcxImage(IDirectDrawSurface7* surface, int destX, int destY, const std::string& name, int sourceX,
                    int sourceY, int width, int height);

// The 256 entries of the default palette (a 3-3-2 colour ramp).
void DefaultPaletteEntries(PALETTEENTRY entries[256]);
// Decodes an uncompressed or bit-field BMP file image (1, 4, 8, 16, 24 or 32 bits).
bool DecodeBmp(const BYTE* data, std::size_t size, DecodedImage& image);
// Reads a BMP file; false when it is missing or not a picture this decoder reads.
bool LoadBmpFile(const std::string& name, DecodedImage& image);
