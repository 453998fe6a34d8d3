// Feeds arbitrary bytes to the JPEG picture and to the surface loader: the picture either
// decodes or raises the framework's Exception, and the loader either gives a surface of
// each display depth or none; nothing else may happen.
#include "FuzzSupport.h"
#include "graphics/ImageLoaders.h"
#include "platform/framework/Jpeg.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TJPEGImage image;
    try {
        image.LoadFromMemory(data, size);
    } catch (const Exception&) {
        // A damaged picture: the loader below must refuse it just as quietly.
    }
    const std::string path = fuzz::WriteScratch("jpg", data, size);
    if (path.empty()) return 0;
    for (int bpp : fuzz::Depths)
        if (IDirectDrawSurface7* surface = LoadJpegSurface(fuzz::DeviceOfDepth(bpp), path, 0, 0))
            surface->Release();
    return 0;
}
