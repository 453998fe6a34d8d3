#include "tools/datagen/DataTree.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/datagen/BmpWriter.h"
#include "tools/datagen/HelpPage.h"
#include "tools/datagen/JpegWriter.h"
#include "tools/datagen/ModSong.h"
#include "tools/datagen/PcxWriter.h"
#include "tools/datagen/PngWriter.h"
#include "tools/datagen/SettingsFiles.h"
#include "tools/datagen/Sheets.h"
#include "tools/datagen/SoundEffects.h"
#include "tools/datagen/WavWriter.h"

namespace datagen {
namespace {

namespace fs = std::filesystem;

const char* const kSheetFiles[] = {"title.pcx", "maps.pcx", "players.pcx", "monsters.pcx", "bomb.pcx",
                                   "fire.pcx", "bonus.pcx", "explose.pcx", "explose2.pcx"};

IndexedImage paletteSwatch() {
    IndexedImage swatch(16, 16);
    for (int i = 0; i < 256; ++i) swatch.at(i % 16, i / 16) = static_cast<std::uint8_t>(i);
    return swatch;
}

void writePictures(const fs::path& gfx, const PlayersSheet& players) {
    const PaletteTable& palette = sharedPalette();
    auto pcx = [&](const char* name, const IndexedImage& image) { writeFile(gfx / name, encodePcx(image, palette)); };
    pcx("title.pcx", drawTitleScreen());
    pcx("maps.pcx", drawMapsSheet());
    pcx("players.pcx", players.image);
    pcx("monsters.pcx", drawMonstersSheet());
    pcx("bomb.pcx", drawBombSheet());
    pcx("fire.pcx", drawFireSheet());
    pcx("bonus.pcx", drawBonusSheet());
    pcx("explose.pcx", drawExplosionSheet(kSmallBurstSize, kSmallBurstFrames, 7));
    pcx("explose2.pcx", drawExplosionSheet(kLargeBurstSize, kLargeBurstFrames, 13));
    writeFile(gfx / "palette.bmp", encodeBmp8(paletteSwatch(), palette));
    writeFile(gfx / "title.jpg", encodeJpeg(drawTitleDialogPicture(), 92));
    writeFile(gfx / "about.jpg", encodeJpeg(drawAboutDialogPicture(), 92));
}

void writeSounds(const fs::path& sfx) {
    for (const SoundEffect& effect : synthesiseEffects())
        writeFile(sfx / effect.fileName, encodeWav16Mono(effect.samples, kEffectRate));
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The settings and playlist sit beside the executable; both are merged into what is there.
void writeSettings(const fs::path& runDir, const PlayersSheet& players, const std::vector<std::string>& playlist) {
    DataFacts facts;
    facts.themes = themeNames();
    facts.outlineX = players.outlineX;
    facts.outlineY = 0;
    facts.godColor = kGodColorRef;
    for (std::size_t kind = 0; kind < kBonusFrames.size(); ++kind)
        facts.bonusFrames.emplace_back(kBonusNames[kind], kBonusFrames[kind]);
    writeTextFile(runDir / "vortamix.ini", mergeSettings(readText(runDir / "vortamix.ini"), facts));
    writeTextFile(runDir / "vortamix.m3u", mergePlaylist(readText(runDir / "vortamix.m3u"), playlist));
}

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
    for (int i = 0; i < 256; ++i) palette[i] = {file[pal + i * 3], file[pal + i * 3 + 1], file[pal + i * 3 + 2]};
    return image;
}

}  // namespace

void writeDataTree(const fs::path& runDir) {
    PlayersSheet players = drawPlayersSheet();
    writePictures(runDir / "data" / "gfx", players);
    writeSounds(runDir / "data" / "sfx");
    writeFile(runDir / "data" / "music" / "ms-suxx1.mod", encodeMod(composeBombRun()));
    writeFile(runDir / "data" / "music" / "nightshift.mod", encodeMod(composeNightShift()));
    writeHelpPage(runDir / "Help");
    writeSettings(runDir, players, {"Data\\Music\\ms-suxx1.mod", "Data\\Music\\nightshift.mod"});
}

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

}  // namespace datagen
