// Feeds arbitrary bytes to the PCX loader as a file, into 32-bit and 8-bit surfaces.
#include "graphics/ImageLoaders.h"
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

IDirectDraw7* device() {
    static IDirectDraw7* dd7 = CreateDirectDraw7();
    return dd7;
}

IDirectDrawSurface7* surface8() {
    static IDirectDrawSurface7* s = [] {
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = 40;
        desc.dwHeight = 30;
        desc.ddpfPixelFormat.dwRGBBitCount = 8;
        IDirectDrawSurface7* result = nullptr;
        device()->CreateSurface(&desc, &result, nullptr);
        return result;
    }();
    return s;
}

const std::string& path() {
    static const std::string p = "/tmp/vx_fuzz_pcx_" + std::to_string(getpid()) + ".pcx";
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    std::FILE* f = std::fopen(path().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (IDirectDrawSurface7* s = LoadPcxSurface(device(), path(), 0, 0)) s->Release();
    DecodePcxImage(surface8(), 3, 2, path(), size % 7, size % 5, int(size % 50), 0);
    return 0;
}
