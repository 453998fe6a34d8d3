// Feeds arbitrary bytes to the PCX loaders as a file: loaded onto a surface of the size the
// header claims at every display depth (8 bits maps colours to the palette), and loaded,
// reloaded and cut into a small surface, as the game cuts its sheets.
#include "FuzzSupport.h"
#include "graphics/ImageLoaders.h"

namespace {

// The size the header claims, as the loader reads it.
long long claimedPixels(const BYTE* data, std::size_t size) {
    if (size < 12) return 0;
    auto word = [data](std::size_t at) { return int(data[at] | data[at + 1] << 8); };
    return (long long)(word(8) - word(4) + 1) * (word(10) - word(6) + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    const std::string path = fuzz::WriteScratch("pcx", data, size);
    if (path.empty()) return 0;
    // Pictures up to a full screen get a surface of their own size; a larger claim is drawn
    // into a 1024 x 1024 surface, so that one input costs milliseconds, not seconds.
    const int side = claimedPixels(data, size) <= 1 << 20 ? 0 : 1024;
    for (int bpp : fuzz::Depths) {
        IDirectDraw7* device = fuzz::DeviceOfDepth(bpp);
        if (IDirectDrawSurface7* surface = LoadPcxSurface(device, path, side, side)) surface->Release();
        if (IDirectDrawSurface7* cell = LoadPcxSurface(device, path, 40, 30)) {
            ReloadPcxSurface(cell, path);
            DecodePcxImage(cell, 3, 2, path, int(size % 7), int(size % 5), int(size % 50), 0);
            cell->Release();
        }
    }
    BYTE palette[768];
    ReadPcxPalette(path, palette);
    return 0;
}
