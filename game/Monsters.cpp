// Monsters wander one cell at a time, steered from their limit check like the players, and
// hunters among them mostly head for the nearest player.
#include "game/GameRules.h"

#include <algorithm>
#include <cstdlib>

TDDSprite* TGameRules::SpawnMonster(int cx, int cy) {
    long bits = 0;
    if (GameRandom(2) != 0) bits |= MonsterFast;
    if (GameRandom(3) != 0) bits |= MonsterWalksThroughBombs;
    if (GameRandom(4) != 0) bits |= MonsterHunter;
    int type = GameRandom(SheetHeight(gsMonsters) / CellSize);
    auto* m = new TDDSprite(SpriteOwner());
    m->Interval = 100;
    m->Loop = true;
    m->Mirror = false;
    m->AutoBounce = false;
    m->Start = 0;
    m->Stop = 3;
    m->FramesPerLine = static_cast<unsigned>(std::max(SheetWidth(gsMonsters) / CellSize, 1));
    m->FirstFrameX = 0;
    m->FirstFrameY = static_cast<unsigned>(type * CellSize);
    m->Frames = Sheet(gsMonsters);
    m->FrameWidth = m->FrameHeight = m->ShowWidth = m->ShowHeight = CellSize;
    m->SetX(cx * CellSize);
    m->SetY(cy * CellSize);
    m->UserKind = skMonster;
    m->SetTag(bits);
    m->UserTick = GameClock();
    m->SetVisible(false);
    m->LimMovX1 = m->LimMovY1 = 0;
    m->LimMovX2 = SheetWidth(gsBackground);
    m->LimMovY2 = SheetHeight(gsBackground);
    m->LimPosX1 = m->LimPosY1 = 0;
    m->LimPosX2 = m->LimPosY2 = CellSize;
    m->OnCheckedLimits = [this](TObject* sender) { MonstersCheckedLimits(sender); };
    int player1 = PlayerList.Count() > 0 ? SpriteList.IndexOf(PlayerList[0]) : -1;
    SpriteList.Insert(player1 + 1, m);
    MonsterList.Add(m);
    return m;
}

void TGameRules::MonstersCheckedLimits(TObject* Sender) {
    auto* m = static_cast<TDDSprite*>(Sender);
    int x = m->GetX(), y = m->GetY();
    if ((m->RawVelocityX() < 0 && x == m->LimMovX1) ||
        (m->RawVelocityX() > 0 && x + static_cast<int>(m->ShowWidth) == m->LimMovX2))
        m->SetVelocityX(0.0);
    if ((m->RawVelocityY() < 0 && y == m->LimMovY1) ||
        (m->RawVelocityY() > 0 && y + static_cast<int>(m->ShowHeight) == m->LimMovY2))
        m->SetVelocityY(0.0);
    if (m->RawVelocityX() == 0 && m->RawVelocityY() == 0) MonsterStep(m);
}

TDDSprite* TGameRules::nearestPlayer(int cx, int cy) {
    TDDSprite* best = PlayerList.Count() > 0 ? PlayerList[0] : nullptr;
    int bound = 10000;
    for (int i = 0; i < PlayerList.Count(); ++i) {
        TDDSprite* p = PlayerList[i];
        if (!p->Visible()) continue;
        int dx = CellOf(p->GetX()) - cx, dy = CellOf(p->GetY()) - cy;
        if (dx * dx + dy * dy < bound) {
            bound = dx * dx + dy * dy;
            best = p;
        }
    }
    return best;
}

void TGameRules::MonsterStep(TDDSprite* m) {
    int cx = CellOf(m->GetX()), cy = CellOf(m->GetY());
    double v = (m->Tag() & MonsterFast) ? 80.0 : 50.0;
    int d;
    TDDSprite* target = nullptr;
    if ((m->Tag() & MonsterHunter) && GameRandom(4) < 3) target = nearestPlayer(cx, cy);
    if (target) {
        int dx = CellOf(target->GetX()) - cx, dy = CellOf(target->GetY()) - cy;
        if (std::abs(dx) > std::abs(dy))
            d = dx < 0 ? 0 : 1;
        else
            d = dy < 0 ? 2 : 3;
    } else {
        d = GameRandom(4);
    }
    switch (d) {
    case 0:
        m->SetVelocityX(-v);
        if (cx > 0 && !MonsterCellBlocked(cx - 1, cy, m)) --cx;
        m->LimMovX1 = cx * CellSize;
        break;
    case 1:
        m->SetVelocityX(v);
        if (cx < GridWidth - 1 && !MonsterCellBlocked(cx + 1, cy, m)) ++cx;
        m->LimMovX2 = cx * CellSize + static_cast<int>(m->ShowWidth);
        break;
    case 2:
        m->SetVelocityY(-v);
        if (cy > 0 && !MonsterCellBlocked(cx, cy - 1, m)) --cy;
        m->LimMovY1 = cy * CellSize;
        break;
    default:
        m->SetVelocityY(v);
        if (cy < GridHeight - 1 && !MonsterCellBlocked(cx, cy + 1, m)) ++cy;
        m->LimMovY2 = cy * CellSize + static_cast<int>(m->ShowHeight);
        break;
    }
}

bool TGameRules::MonsterCellBlocked(int cx, int cy, TDDSprite* m) {
    TMapCell* cell = Cell(cx, cy);
    if (!cell || cell->Kind == ckSolid || cell->Kind == ckWood || cell->Kind == ckBurning) return true;
    return cell->Bomb && (m->Tag() & MonsterWalksThroughBombs) == 0;
}
