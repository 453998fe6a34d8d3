// Walking: a key only sets a direction bit; the walk is a velocity and a movement limit on
// the grid, so that a player always comes to rest exactly on a cell.
#include "game/GameRules.h"

namespace {

bool alignedX(const TDDSprite* s) {
    return s->GetX() % CellSize == 0;
}
bool alignedY(const TDDSprite* s) {
    return s->GetY() % CellSize == 0;
}

} // namespace

bool TGameRules::CellBlocked(int cx, int cy, TDDSprite* s) {
    TMapCell* cell = Cell(cx, cy);
    if (!cell || cell->Kind == ckSolid) return true;
    const TPlayerRecord& r = RecordOf(s);
    if (cell->Bomb) return !(r.BombClip && (cell->Bomb->Tag() & TagPlayerMask) == PlayerNumber(s));
    if (cell->Kind == ckWood || cell->Kind == ckBurning) return !r.WoodClip;
    return false;
}

void TGameRules::StartWalk(TDDSprite* s) {
    if (!s->Visible()) return;
    int cx = CellOf(s->GetX()), cy = CellOf(s->GetY());
    double speed = RecordOf(s).Speed;
    long held = s->Tag();
    if (held & TagLeft) {
        s->SetVelocityX(-speed);
        s->Start = 10;
        s->Stop = 13;
        while (cx != 0 && !CellBlocked(cx - 1, cy, s) && (alignedY(s) || !CellBlocked(cx - 1, cy + 1, s)))
            --cx;
        s->LimMovX1 = cx * CellSize;
    } else if (held & TagRight) {
        s->SetVelocityX(speed);
        s->Start = 0;
        s->Stop = 3;
        while (cx < GridWidth - 1 && !CellBlocked(cx + 1, cy, s) &&
               (alignedY(s) || !CellBlocked(cx + 1, cy + 1, s)))
            ++cx;
        s->LimMovX2 = cx * CellSize + static_cast<int>(s->ShowWidth);
    } else if (held & TagUp) {
        s->SetVelocityY(-speed);
        s->Start = 5;
        s->Stop = 8;
        while (cy != 0 && !CellBlocked(cx, cy - 1, s) && (alignedX(s) || !CellBlocked(cx + 1, cy - 1, s)))
            --cy;
        s->LimMovY1 = cy * CellSize;
    } else if (held & TagDown) {
        s->SetVelocityY(speed);
        s->Start = 15;
        s->Stop = 18;
        while (cy < GridHeight - 1 && !CellBlocked(cx, cy + 1, s) &&
               (alignedX(s) || !CellBlocked(cx + 1, cy + 1, s)))
            ++cy;
        s->LimMovY2 = cy * CellSize + static_cast<int>(s->ShowHeight);
    }
}

void TGameRules::Player1CheckedLimits(TObject* Sender) {
    auto* s = static_cast<TDDSprite*>(Sender);
    int x = s->GetX(), y = s->GetY();
    if ((s->RawVelocityX() < 0 && x == s->LimMovX1) ||
        (s->RawVelocityX() > 0 && x + static_cast<int>(s->ShowWidth) == s->LimMovX2))
        s->SetVelocityX(0.0);
    if ((s->RawVelocityY() < 0 && y == s->LimMovY1) ||
        (s->RawVelocityY() > 0 && y + static_cast<int>(s->ShowHeight) == s->LimMovY2))
        s->SetVelocityY(0.0);
    auto standing = [s] { return s->RawVelocityX() == 0 && s->RawVelocityY() == 0; };
    if (standing()) StartWalk(s);
    if (standing()) s->Stop = s->Start;
    if (s->Tag() & TagBombKey) PlaceBomb(s);
    if (TimerEnabled(gtMulti) && !RecordOf(s).MultiBomb) PlaceBomb(s);
}

void TGameRules::PressDirection(TDDSprite* s, long dir) {
    for (long d : {TagLeft, TagRight, TagUp, TagDown})
        if (d != dir && (s->Tag() & d)) ReleaseDirection(s, d);
    s->SetTag(s->Tag() | dir);
}

void TGameRules::ReleaseDirection(TDDSprite* s, long dir) {
    if (!s->Visible()) return;
    int cx = CellOf(s->GetX()), cy = CellOf(s->GetY());
    if (dir == TagLeft) {
        s->LimMovX1 = cx * CellSize;
    } else if (dir == TagRight) {
        if (cx < GridWidth - 1 && !CellBlocked(cx + 1, cy, s) &&
            (alignedY(s) || !CellBlocked(cx + 1, cy + 1, s)))
            ++cx;
        s->LimMovX2 = cx * CellSize + static_cast<int>(s->ShowWidth);
    } else if (dir == TagUp) {
        s->LimMovY1 = cy * CellSize;
    } else if (dir == TagDown) {
        if (cy < GridHeight - 1 && !CellBlocked(cx, cy + 1, s) &&
            (alignedX(s) || !CellBlocked(cx + 1, cy + 1, s)))
            ++cy;
        s->LimMovY2 = cy * CellSize + static_cast<int>(s->ShowHeight);
    }
    s->SetTag(s->Tag() & ~dir);
}

void TGameRules::RefreshWalk(TDDSprite* s) {
    if (!s->Visible()) return;
    auto refresh = [this, s](long dir) {
        if (s->Tag() & dir)
            StartWalk(s);
        else
            ReleaseDirection(s, dir);
    };
    if (s->RawVelocityX() < 0)
        refresh(TagLeft);
    else if (s->RawVelocityX() > 0)
        refresh(TagRight);
    if (s->RawVelocityY() < 0)
        refresh(TagUp);
    else if (s->RawVelocityY() > 0)
        refresh(TagDown);
}
