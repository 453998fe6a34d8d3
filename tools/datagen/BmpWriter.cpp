#include "tools/datagen/BmpWriter.h"

namespace datagen {

Bytes encodeBmp8(const IndexedImage& image, const PaletteTable& palette) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) + 3) & ~3u;
    const std::uint32_t dataOffset = 14 + 40 + 256 * 4;
    const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(image.height);
    Bytes out;
    out.reserve(dataOffset + dataSize);
    putU8(out, 'B'), putU8(out, 'M');
    putLE32(out, dataOffset + dataSize);
    putLE32(out, 0);
    putLE32(out, dataOffset);
    putLE32(out, 40);
    putLE32(out, static_cast<std::uint32_t>(image.width));
    putLE32(out, static_cast<std::uint32_t>(image.height)); // positive: rows bottom-up
    putLE16(out, 1);
    putLE16(out, 8);
    putLE32(out, 0); // no compression
    putLE32(out, dataSize);
    putLE32(out, 2835), putLE32(out, 2835); // 72 dpi
    putLE32(out, 256);                      // colours used
    putLE32(out, 0);
    for (const Rgb& c : palette)
        putU8(out, c.b), putU8(out, c.g), putU8(out, c.r), putU8(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x)
            putU8(out, image.at(x, y));
        for (std::uint32_t pad = static_cast<std::uint32_t>(image.width); pad < stride; ++pad)
            putU8(out, 0);
    }
    return out;
}

} // namespace datagen
