// Feeds arbitrary bytes to the BMP decoder, the palette reader and the bitmap loaders: every
// input that decodes is copied onto surfaces of each display depth.
#include "FuzzSupport.h"
#include "graphics/ImageLoaders.h"

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    DecodedImage image;
    DecodeBmp(data, size, image);
    const std::string path = fuzz::WriteScratch("bmp", data, size);
    if (path.empty()) return 0;
    for (int bpp : fuzz::Depths) {
        IDirectDraw7* device = fuzz::DeviceOfDepth(bpp);
        if (IDirectDrawPalette* palette = LoadPaletteFromBitmap(device, path.c_str())) palette->Release();
        if (IDirectDrawSurface7* surface = LoadBitmapSurface(device, path, 0, 0)) {
            ReloadBitmapSurface(surface, path);
            surface->Release();
        }
    }
    return 0;
}
