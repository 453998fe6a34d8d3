// Uncompressed PNG (stored deflate blocks): enough for the contact sheet a person looks at.
#pragma once

#include "tools/datagen/ByteWriter.h"

namespace datagen {

// `rgb` holds width * height * 3 bytes, rows top down.
Bytes encodePngRgb(int width, int height, const std::vector<std::uint8_t>& rgb);

} // namespace datagen
