#include "tools/datagen/PcxWriter.h"

namespace datagen {
namespace {

void putHeader(Bytes& out, const IndexedImage& image, unsigned bytesPerLine) {
    putU8(out, 0x0A); // manufacturer
    putU8(out, 5);    // version: 256-colour palette at the end
    putU8(out, 1);    // run-length coding
    putU8(out, 8);    // bits per pixel per plane
    putLE16(out, 0), putLE16(out, 0);
    putLE16(out, static_cast<unsigned>(image.width - 1)),
        putLE16(out, static_cast<unsigned>(image.height - 1));
    putLE16(out, 72), putLE16(out, 72); // resolution
    for (int i = 0; i < 48; ++i)
        putU8(out, 0); // 16-colour palette, unused
    putU8(out, 0);     // reserved
    putU8(out, 1);     // one plane
    putLE16(out, bytesPerLine);
    putLE16(out, 1); // palette is colour
    putLE16(out, static_cast<unsigned>(image.width)), putLE16(out, static_cast<unsigned>(image.height));
    while (out.size() < 128)
        putU8(out, 0);
}

// Runs never cross a line. A value of 0xC0 or above is always written as a run, even of
// one, so that readers which take 0xC0 itself for a count byte agree with those that do not.
void putLine(Bytes& out, const std::uint8_t* line, int count) {
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || line[i] >= 0xC0) putU8(out, 0xC0u + static_cast<unsigned>(run));
        putU8(out, line[i]);
        i += run;
    }
}

} // namespace

Bytes encodePcx(const IndexedImage& image, const PaletteTable& palette) {
    // Lines are padded to an even length, as the format asks.
    const int bytesPerLine = (image.width + 1) & ~1;
    Bytes out;
    putHeader(out, image, static_cast<unsigned>(bytesPerLine));
    std::vector<std::uint8_t> line(static_cast<std::size_t>(bytesPerLine), 0);
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(&image.pixels[static_cast<std::size_t>(y) * image.width], image.width, line.begin());
        putLine(out, line.data(), bytesPerLine);
    }
    putU8(out, 0x0C);
    for (const Rgb& c : palette)
        putU8(out, c.r), putU8(out, c.g), putU8(out, c.b);
    return out;
}

} // namespace datagen
