#pragma once
// The game's data: the maze grid and its cells, the kinds of game sprites, the bonus kinds
// and the four player records. Cells are 32 x 32 pixels; cell index = row * width + column.
#include <array>
#include <vector>

class TDDSprite;

constexpr int CellSize = 32;

enum TCellKind : int {
    ckScorched2 = -2,
    ckScorched1 = -1,
    ckFloor = 0,
    ckSolid = 1,
    ckWood = 2,
    ckBurning = 3,
};

struct TMapCell {
    int Kind = ckFloor;
    // Monster types of the remains drawn on the cell, filled in order; -1 = empty slot.
    std::array<int, 3> Remains{-1, -1, -1};
    // Index 0..3 of the player whose remains lie here; -1 = none.
    int DeadPlayer = -1;
    TDDSprite* Item = nullptr;
    TDDSprite* Bomb = nullptr;
    TDDSprite* Marker = nullptr;
};

// Kept in a game sprite's UserKind word.
enum TSpriteKind : int {
    skPlayer = 1,
    skBomb = 2,
    skFlame = 3,
    skBurningWood = 4,
    skExplosion = 5,
    skBonus = 6,
    skSecretMarker = 7,
    skMonster = 8,
};

// The order of the settings keys, the options dialog's counters and the rows of the bonus sheet.
enum TBonusKind : int {
    bkPower,
    bkBombs,
    bkTrigger,
    bkSpeed,
    bkBombLive,
    bkBombClip,
    bkGodMode,
    bkFreeze,
    bkWoodClip,
    bkShowSecrets,
    bkMultiBomb,
    bkMonster,
    bkSkull,
};
constexpr int BonusKindCount = 13;

// Player sprite Tag bits: the number in bits 0-3, then the held keys.
constexpr long TagPlayerMask = 0xF;
constexpr long TagLeft = 0x10;
constexpr long TagRight = 0x20;
constexpr long TagUp = 0x40;
constexpr long TagDown = 0x80;
constexpr long TagDirections = TagLeft | TagRight | TagUp | TagDown;
constexpr long TagBombKey = 0x100;
constexpr long TagHeldKeys = 0x1F0;

// Bomb sprite Tag bits: the owner in bits 0-3, the power in bits 8-15.
constexpr long TagTriggerBomb = 0x10;
// Set by a flame: the bomb goes off when the frame's walk reaches it, whatever the clock says.
constexpr long TagPrimedBomb = 0x20;

// Monster sprite Tag bits.
constexpr long MonsterFast = 1;
constexpr long MonsterWalksThroughBombs = 2;
constexpr long MonsterHunter = 4;

constexpr int MaxPower = 20;
constexpr int BombFuseMs = 3500;
constexpr int MonsterAppearMs = 500;

struct TPlayerRecord {
    int Power = 1;
    int Bombs = 1;
    double Speed = 100.0;
    bool FreezeExempt = false;
    bool MultiBomb = false;
    bool BombLive = false;
    bool BombClip = false;
    bool WoodClip = false;
    bool Trigger = false;
    bool MonsterLook = false;
    bool GodMode = false;
    bool ColorsSwapped = false;
    int Wins = 0;
    int Kills = 0;
    int Suicide = 0;
};

// The bonus kinds' settings keys, in kind order.
extern const std::array<const char*, BonusKindCount> BonusKeyNames;

// The order of the round screen: the playing players (0..3) by Wins * 10 + Kills - Suicide * 5,
// more wins first on equal scores, otherwise in player order.
std::vector<int> RankPlayers(const std::array<bool, 4>& playing, const std::array<TPlayerRecord, 4>& records);
