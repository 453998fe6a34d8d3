// JPEG pictures, decoded by the framework's JPEG picture and stretched onto a new surface.
#include "graphics/ImageFile.h"
#include "graphics/ImageLoaders.h"
#include "platform/framework/Jpeg.h"

#include <cstdio>
#include <vector>

IDirectDrawSurface7* LoadJpegSurface(IDirectDraw7* directDraw, const std::string& name, int width,
                                     int height) {
    if (!directDraw) return nullptr;
    std::FILE* f = OpenImageFile(name);
    if (!f) RaiseFileOpenError(name);
    std::vector<BYTE> data;
    BYTE chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromMemory(data.data(), data.size());
    } catch (const Exception&) {
        return nullptr; // a damaged picture gives no surface, as every loader answers
    }
    DecodedImage picture{jpeg.Width(), jpeg.Height(), jpeg.Pixels()};
    if (picture.pixels.empty()) return nullptr;
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = DWORD(width >= 1 ? width : picture.width);
    desc.dwHeight = DWORD(height >= 1 ? height : picture.height);
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(directDraw->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    CopyBitmapToSurface(surface, &picture, 0, 0, 0, 0);
    return surface;
}
