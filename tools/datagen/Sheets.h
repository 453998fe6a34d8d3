// Every picture the game loads, drawn from code. Cells are 32 x 32; column c starts at 32c.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/datagen/Raster.h"

namespace datagen {

constexpr int kCell = 32;

// maps.pcx: one row per theme, 13 columns.
constexpr int kMapColumns = 13;
std::vector<std::string> themeNames();
IndexedImage drawMapsSheet();

// players.pcx: 21 columns x 8 rows (four players, then the same four in monster look).
constexpr int kPlayerColumns = 21;
constexpr int kPlayerRows = 8;
struct PlayersSheet {
    IndexedImage image;
    int outlineX = 0; // a pixel of row 0 in the shared outline colour
};
PlayersSheet drawPlayersSheet();

// monsters.pcx: 12 columns (0-3 walk, 4-11 dying, 11 the remains), one row per type.
constexpr int kMonsterColumns = 12;
constexpr int kMonsterTypes = 4;
IndexedImage drawMonstersSheet();

constexpr int kBombFrames = 4;
IndexedImage drawBombSheet();

// fire.pcx: 7 rows (centre, left end, horizontal middle, right end, top end, vertical
// middle, bottom end) of kFireFrames frames.
constexpr int kFireFrames = 5;
IndexedImage drawFireSheet();

// bonus.pcx: one row per bonus kind, as many frames as the settings' BonusFrames defaults.
constexpr std::array<int, 13> kBonusFrames = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 4, 24};
constexpr std::array<const char*, 13> kBonusNames = {
    "Power",  "Bombs",    "Trigger",     "Speed",     "BombLive", "BombClip", "GodMode",
    "Freeze", "WoodClip", "ShowSecrets", "MultiBomb", "Monster",  "Skull"};
IndexedImage drawBonusSheet();

// explose.pcx and explose2.pcx: one row of square frames as high as the sheet.
constexpr int kSmallBurstSize = 64, kSmallBurstFrames = 8;
constexpr int kLargeBurstSize = 96, kLargeBurstFrames = 10;
IndexedImage drawExplosionSheet(int size, int frames, unsigned seed);

// title.pcx: 640 x 480, wraps sideways without a seam.
IndexedImage drawTitleScreen();

// Full-colour pictures of the title and about dialogs.
Picture drawTitleDialogPicture();
Picture drawAboutDialogPicture();

} // namespace datagen
