#include "tools/datagen/DataTree.h"

#include <fstream>
#include <iterator>

#include "tools/datagen/BmpWriter.h"
#include "tools/datagen/HelpPage.h"
#include "tools/datagen/JpegWriter.h"
#include "tools/datagen/ModSong.h"
#include "tools/datagen/PcxWriter.h"
#include "tools/datagen/SettingsFiles.h"
#include "tools/datagen/Sheets.h"
#include "tools/datagen/SoundEffects.h"
#include "tools/datagen/WavWriter.h"

namespace datagen {
namespace {

namespace fs = std::filesystem;

IndexedImage paletteSwatch() {
    IndexedImage swatch(16, 16);
    for (int i = 0; i < 256; ++i)
        swatch.at(i % 16, i / 16) = static_cast<std::uint8_t>(i);
    return swatch;
}

void writePictures(const fs::path& gfx, const PlayersSheet& players) {
    const PaletteTable& palette = sharedPalette();
    auto pcx = [&](const char* name, const IndexedImage& image) {
        writeFile(gfx / name, encodePcx(image, palette));
    };
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
void writeSettings(const fs::path& runDir, const PlayersSheet& players,
                   const std::vector<std::string>& playlist) {
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

} // namespace

void writeDataTree(const fs::path& runDir) {
    PlayersSheet players = drawPlayersSheet();
    writePictures(runDir / "data" / "gfx", players);
    writeSounds(runDir / "data" / "sfx");
    writeFile(runDir / "data" / "music" / "ms-suxx1.mod", encodeMod(composeBombRun()));
    writeFile(runDir / "data" / "music" / "nightshift.mod", encodeMod(composeNightShift()));
    writeHelpPage(runDir / "Help");
    writeSettings(runDir, players, {"Data\\Music\\ms-suxx1.mod", "Data\\Music\\nightshift.mod"});
}

} // namespace datagen
