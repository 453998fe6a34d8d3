#include "game/GameRules.h"
#include "platform/kernel/Random.h"

const std::array<const char*, BonusKindCount> BonusKeyNames = {
    "Power",  "Bombs",    "Trigger",     "Speed",     "BombLive", "BombClip", "GodMode",
    "Freeze", "WoodClip", "ShowSecrets", "MultiBomb", "Monster",  "Skull",
};

TGameRules::TGameRules() = default;

TGameRules::~TGameRules() = default;

TMapCell* TGameRules::Cell(int cx, int cy) {
    if (cx < 0 || cy < 0 || cx >= GridWidth || cy >= GridHeight) return nullptr;
    std::size_t index = static_cast<std::size_t>(cy * GridWidth + cx);
    return index < Grid.size() ? &Grid[index] : nullptr;
}

TPlayerRecord& TGameRules::RecordOf(const TDDSprite* s) {
    int number = PlayerNumber(s);
    return Players[static_cast<std::size_t>(number >= 1 && number <= 4 ? number - 1 : 0)];
}

void TGameRules::SetupPlayerSprite(TDDSprite* s, int number) {
    static constexpr unsigned firstRows[4] = {0, 32, 96, 64};
    s->SetTag(number);
    s->UserKind = skPlayer;
    s->FrameWidth = s->FrameHeight = s->ShowWidth = s->ShowHeight = CellSize;
    s->LimPosX2 = s->LimPosY2 = CellSize;
    s->FramesPerLine = 21;
    s->Interval = 100;
    s->Alpha = 128;
    s->FirstFrameY = firstRows[(number - 1) & 3];
    s->OnCheckedLimits = [this](TObject* sender) { Player1CheckedLimits(sender); };
}

void TGameRules::PlayCue(TSoundCue cue, int column) {
    if (Options.SFXEnabled) PlaySound(cue, PanOf(column));
}

void TGameRules::DeleteSprite(TDDSprite* s) {
    if (s == walkResume_) {
        int at = SpriteList.IndexOf(s);
        walkResume_ = at >= 0 && at + 1 < SpriteList.Count() ? SpriteList[at + 1] : nullptr;
    }
    SpriteList.Remove(s);
    MonsterList.Remove(s);
    if (JoystickSprite == s) JoystickSprite = nullptr;
    delete s;
}

int TGameRules::GameRandom(int n) {
    return Random(n);
}
