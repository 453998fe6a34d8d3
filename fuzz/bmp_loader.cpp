// Feeds arbitrary bytes to the BMP decoder and the palette reader.
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    DecodedImage image;
    DecodeBmp(data, size, image);
    static const std::string path = "/tmp/vx_fuzz_bmp_" + std::to_string(getpid()) + ".bmp";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (IDirectDrawPalette* palette = LoadPaletteFromBitmap(device(), path.c_str())) palette->Release();
    return 0;
}
