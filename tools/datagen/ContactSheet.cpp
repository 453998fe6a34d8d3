#include "tools/datagen/ContactSheet.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tools/datagen/ByteWriter.h"
#include "tools/datagen/Palette.h"
#include "tools/datagen/PngWriter.h"
#include "tools/datagen/Raster.h"

namespace datagen {
namespace {

namespace fs = std::filesystem;

const char* const kSheetFiles[] = {"title.pcx", "maps.pcx",  "players.pcx", "monsters.pcx", "bomb.pcx",
                                   "fire.pcx",  "bonus.pcx", "explose.pcx", "explose2.pcx"};

// Reads back a PCX written by encodePcx (one plane, palette block at the end).
IndexedImage readPcx(const fs::path& path, PaletteTable& palette) {
    std::ifstream in(path, std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 128 + 769) throw std::runtime_error("not a PCX file: " + path.string());
    int width = (file[8] | file[9] << 8) + 1, height = (file[10] | file[11] << 8) + 1;
    int bytesPerLine = file[66] | file[67] << 8;
    IndexedImage image(width, height);
    std::size_t pos = 128;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < bytesPerLine;) {
            int count = 1, value = file.at(pos++);
            if (value > 0xC0) count = value - 0xC0, value = file.at(pos++);
            for (; count > 0; --count, ++x)
                if (x < width) image.at(x, y) = static_cast<std::uint8_t>(value);
        }
    const std::size_t pal = file.size() - 768;
    for (int i = 0; i < 256; ++i)
        palette[i] = {file[pal + i * 3], file[pal + i * 3 + 1], file[pal + i * 3 + 2]};
    return image;
}

} // namespace

void writeContactSheet(const fs::path& runDir, const fs::path& png) {
    std::vector<std::pair<IndexedImage, PaletteTable>> sheets;
    int width = 0, height = 0;
    for (const char* name : kSheetFiles) {
        PaletteTable palette{};
        IndexedImage image = readPcx(runDir / "data" / "gfx" / name, palette);
        width = std::max(width, image.width);
        height += image.height + 8;
        sheets.emplace_back(std::move(image), palette);
    }
    width += 16;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Transparent pixels show as a checkerboard.
            std::uint8_t v = ((x / 4 + y / 4) & 1) ? 200 : 150;
            std::fill_n(&rgb[(static_cast<std::size_t>(y) * width + x) * 3], 3, v);
        }
    int top = 0;
    for (std::size_t s = 0; s < sheets.size(); ++s) {
        const auto& [image, palette] = sheets[s];
        const bool keyed = s != 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                std::uint8_t index = image.at(x, y);
                if (keyed && index == kKeyIndex) continue;
                std::uint8_t* out = &rgb[(static_cast<std::size_t>(top + y) * width + 8 + x) * 3];
                out[0] = palette[index].r, out[1] = palette[index].g, out[2] = palette[index].b;
            }
        top += image.height + 8;
    }
    writeFile(png, encodePngRgb(width, height, rgb));
}

} // namespace datagen
