#pragma once
// Picture decoding the graphics layer cannot do on its own (JPEG through libjpeg).
#include "platform/kernel/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // X8R8G8B8, rows top to bottom
};

// Decodes a baseline or progressive JPEG picture; false (with a reason) for anything else.
bool DecodeJpeg(const BYTE* data, std::size_t size, DecodedImage& image, std::string& error);
