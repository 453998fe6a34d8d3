// Bombs: laying, fuses, trigger detonation, and the flames that run from a bomb's cell along
// its row and column up to the owner's power.
#include "game/GameRules.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Rows of the fire sheet by flame piece.
constexpr unsigned FlameCentre = 0;
constexpr unsigned FlameLeftEnd = 32, FlameHorizontal = 64, FlameRightEnd = 96;
constexpr unsigned FlameTopEnd = 128, FlameVertical = 160, FlameBottomEnd = 192;

} // namespace

void TGameRules::PlaceBomb(TDDSprite* s) {
    TPlayerRecord& r = RecordOf(s);
    if (!s->Visible() || TimerEnabled(gtGameOver) || r.Bombs <= 0) return;
    int x = s->GetX(), y = s->GetY();
    int cx = CellOf(x), cy = CellOf(y);
    // A walking player lays the bomb on the cell he is leaving.
    if (x % CellSize != 0 && s->RawVelocityX() < 0) ++cx;
    if (y % CellSize != 0 && s->RawVelocityY() < 0) ++cy;
    TMapCell* cell = Cell(cx, cy);
    if (!cell || cell->Kind == ckWood || cell->Kind == ckBurning || cell->Bomb) return;
    --r.Bombs;
    int frames = std::max(SheetWidth(gsBomb) / CellSize, 1);
    TDDSprite* bomb = CreateCellSprite(cx, cy, frames);
    bomb->Interval = static_cast<DWORD>(400 / frames);
    bomb->Offset = static_cast<unsigned>(GameRandom(4));
    bomb->Frames = Sheet(gsBomb);
    bomb->UserKind = skBomb;
    bomb->SetTag((static_cast<long>(r.Power) << 8) | PlayerNumber(s) | (r.Trigger ? TagTriggerBomb : 0));
    bomb->UserTick = GameClock();
    cell->Bomb = bomb;
    // Bombs are drawn under players and monsters, over everything else.
    int highest = -1;
    for (int i = 0; i < MonsterList.Count(); ++i)
        highest = std::max(highest, SpriteList.IndexOf(MonsterList[i]));
    for (int i = 0; i < PlayerList.Count(); ++i)
        highest = std::max(highest, SpriteList.IndexOf(PlayerList[i]));
    SpriteList.Insert(highest + 1, bomb);
    for (int i = 0; i < PlayerList.Count(); ++i)
        if (PlayerList[i] != s) RefreshWalk(PlayerList[i]);
}

void TGameRules::PressBombKey(TDDSprite* s) {
    s->SetTag(s->Tag() | TagBombKey);
    PlaceBomb(s);
}

void TGameRules::DetonateBombs(TDDSprite* s) {
    int p = PlayerNumber(s);
    if (!RecordOf(s).Trigger) return;
    for (std::size_t i = 0; i < Grid.size(); ++i) {
        TDDSprite* bomb = Grid[i].Bomb;
        if (bomb && (bomb->Tag() & TagPlayerMask) == p && (bomb->Tag() & TagTriggerBomb)) ExplodeBomb(bomb);
    }
}

void TGameRules::ExplodeBomb(TDDSprite* b) {
    int cx = CellOf(b->GetX()), cy = CellOf(b->GetY());
    PlayCue(scExBomb, cx);
    int owner = static_cast<int>(b->Tag() & TagPlayerMask);
    int power = static_cast<int>((b->Tag() >> 8) & 0xFF);
    TMapCell* cell = Cell(cx, cy);
    if (cell && cell->Bomb == b) cell->Bomb = nullptr;
    DeleteSprite(b);
    if (cell && (cell->Kind == ckFloor || cell->Kind == ckScorched1)) {
        cell->Kind = cell->Kind == ckFloor ? ckScorched1 : ckScorched2;
        RedrawBackground();
    }
    if (owner >= 1 && owner <= 4) ++Players[static_cast<std::size_t>(owner - 1)].Bombs;
    bool go = true;
    if (TDDSprite* f = SpreadFire(cx, cy, owner, go); go && f) {
        f->FirstFrameY = FlameCentre;
        SpriteList.Add(f);
    }
    struct Arm {
        int dx, dy;
        unsigned end, middle;
        bool go = true;
    };
    Arm arms[4] = {{-1, 0, FlameLeftEnd, FlameHorizontal},
                   {1, 0, FlameRightEnd, FlameHorizontal},
                   {0, -1, FlameTopEnd, FlameVertical},
                   {0, 1, FlameBottomEnd, FlameVertical}};
    for (int i = 1; i <= power; ++i) {
        for (Arm& arm : arms) {
            int x = cx + arm.dx * i, y = cy + arm.dy * i;
            if (!arm.go || x < 0 || y < 0 || x >= GridWidth || y >= GridHeight) continue;
            TDDSprite* f = SpreadFire(x, y, owner, arm.go);
            if (arm.go && f) {
                f->FirstFrameY = i == power ? arm.end : arm.middle;
                SpriteList.Add(f);
            }
        }
    }
}

TDDSprite* TGameRules::SpreadFire(int cx, int cy, int owner, bool& go) {
    TMapCell* cell = Cell(cx, cy);
    if (!cell) {
        go = false;
        return nullptr;
    }
    int kind = cell->Kind;
    for (int i = 0; i < MonsterList.Count(); ++i) {
        TDDSprite* m = MonsterList[i];
        if (!m->Visible() || std::abs(m->GetX() - cx * CellSize) >= CellSize ||
            std::abs(m->GetY() - cy * CellSize) >= CellSize)
            continue;
        PlayCue(scExMonster, cx);
        m->Start = 4;
        m->Stop = 11;
        m->AutoHide = true;
        m->Loop = false;
        if (owner >= 1 && owner <= 4) ++Players[static_cast<std::size_t>(owner - 1)].Kills;
        RedrawInfo();
    }
    if (cell->Item && cell->Item->Visible()) {
        TDDSprite* item = cell->Item;
        if (item->Tag() == bkSkull) {
            for (int n = 3 + GameRandom(3); n > 0; --n)
                SpawnMonster(cx, cy);
        }
        CreateExplosion(cx * CellSize, cy * CellSize, gsExplose);
        cell->Item = nullptr;
        DeleteSprite(item);
        PlayCue(scExItem, cx);
    }
    if (kind != ckWood) KillPlayer(cx * CellSize, cy * CellSize, owner);
    if (cell->Bomb) {
        cell->Bomb->UserTick = 0;
        cell->Bomb->SetTag((cell->Bomb->Tag() & ~TagTriggerBomb) | TagPrimedBomb);
    }
    if (kind == ckWood) {
        cell->Kind = ckBurning;
        RedrawBackground();
        TDDSprite* burning = CreateCellSprite(cx, cy, 7);
        burning->Interval = 100;
        burning->FirstFrameX = 96;
        burning->FirstFrameY = static_cast<unsigned>(ThemeRow * CellSize);
        burning->Frames = Sheet(gsMaps);
        burning->UserKind = skBurningWood;
        burning->Loop = false;
        SpriteList.Add(burning);
        if (cell->Marker) {
            TDDSprite* marker = cell->Marker;
            cell->Marker = nullptr;
            DeleteSprite(marker);
        }
    }
    if (kind == ckWood || kind == ckBurning || kind == ckSolid) {
        go = false;
        return nullptr;
    }
    int frames = std::max(SheetWidth(gsFire) / CellSize, 1);
    TDDSprite* flame = CreateCellSprite(cx, cy, frames);
    flame->Interval = static_cast<DWORD>(400 / frames);
    flame->Frames = Sheet(gsFire);
    flame->Loop = false;
    flame->UserKind = skFlame;
    flame->SetTag(owner);
    return flame;
}

TDDSprite* TGameRules::CreateExplosion(int x, int y, TGameSheet sheet) {
    int size = std::max(SheetHeight(sheet), 1);
    auto* s = new TDDSprite(SpriteOwner());
    s->Interval = 80;
    s->FramesPerLine = static_cast<unsigned>(std::max(SheetWidth(sheet) / size, 1));
    s->Start = 0;
    s->Stop = s->FramesPerLine - 1;
    s->FirstFrameX = s->FirstFrameY = 0;
    s->Frames = Sheet(sheet);
    s->FrameWidth = s->FrameHeight = s->ShowWidth = s->ShowHeight = static_cast<unsigned>(size);
    int h = (size - CellSize) / 2;
    int px = static_cast<std::int16_t>(x - h), py = static_cast<std::int16_t>(y - h);
    int width = SheetWidth(gsBackground), height = SheetHeight(gsBackground);
    // Clipped to the maze so that the frame never reaches past the back surface.
    if (px < 0) {
        s->ShowLeft += static_cast<unsigned>(-px);
        s->ShowWidth -= std::min(s->ShowWidth, static_cast<unsigned>(-px));
        px = 0;
    }
    if (py < 0) {
        s->ShowTop += static_cast<unsigned>(-py);
        s->ShowHeight -= std::min(s->ShowHeight, static_cast<unsigned>(-py));
        py = 0;
    }
    if (px + static_cast<int>(s->ShowWidth) >= width)
        s->ShowWidth = static_cast<unsigned>(std::max(width - px, 0));
    if (py + static_cast<int>(s->ShowHeight) >= height)
        s->ShowHeight = static_cast<unsigned>(std::max(height - py, 0));
    s->SetX(px);
    s->SetY(py);
    s->UserKind = skExplosion;
    s->LimMovX1 = s->LimMovY1 = 0;
    s->LimMovX2 = width;
    s->LimMovY2 = height;
    s->AutoBounce = false;
    s->Loop = false;
    SpriteList.Add(s);
    return s;
}
