// Feeds arbitrary bytes to the JPEG picture: every input either decodes or raises the
// framework's Exception; nothing else may happen.
#include "platform/framework/Jpeg.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TJPEGImage image;
    try {
        image.LoadFromMemory(data, size);
    } catch (const Exception&) {
        return 0;
    }
    return 0;
}
