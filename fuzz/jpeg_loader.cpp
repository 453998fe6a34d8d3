// Feeds arbitrary bytes to the JPEG decoder.
#include "platform/ddraw/ImageCodecs.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    DecodedImage image;
    std::string error;
    DecodeJpeg(data, size, image, error);
    return 0;
}
