// Feeds arbitrary bytes to the PCX loaders as a file: loaded onto a surface of the size the
// header claims at every display depth (8 bits maps colours to the palette), reloaded, and
// a window of it decoded into a small surface, as the game cuts sheets.
#include "FuzzSupport.h"
#include "graphics/ImageLoaders.h"

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    const std::string path = fuzz::WriteScratch("pcx", data, size);
    if (path.empty()) return 0;
    for (int bpp : fuzz::Depths) {
        IDirectDraw7* device = fuzz::DeviceOfDepth(bpp);
        if (IDirectDrawSurface7* surface = LoadPcxSurface(device, path, 0, 0)) {
            ReloadPcxSurface(surface, path);
            surface->Release();
        }
        if (IDirectDrawSurface7* cell = LoadPcxSurface(device, path, 40, 30)) {
            DecodePcxImage(cell, 3, 2, path, int(size % 7), int(size % 5), int(size % 50), 0);
            cell->Release();
        }
    }
    BYTE palette[768];
    ReadPcxPalette(path, palette);
    return 0;
}
