// The rules of one running frame: a requested round starts, else every sprite is moved and
// its kind's time rules applied (fuses, monsters appearing, finished animations removed).
#include "game/GameRules.h"

bool TGameRules::RunFrameRules() {
    std::lock_guard lock(gameLock_);
    if (NextRoundRequested) {
        NextRoundRequested = false;
        SetTimerEnabled(gtGameOver, false);
        ++Round;
        NewRound();
        ShowInfo = true;
        InfoWaitsForEnter = true;
        RedrawInfo();
        return false;
    }
    // The count is read again on every turn: the rules add and remove sprites as they go.
    for (int i = 0; i < SpriteList.Count(); ++i)
        walkSprite(i);
    ++FrameCount;
    return true;
}

void TGameRules::AnimateSprites(const std::function<void(TDDSprite* s, const RECT& frame)>& draw) {
    std::lock_guard lock(gameLock_);
    DWORD now = GameClock();
    for (int i = SpriteList.Count() - 1; i >= 0; --i) {
        TDDSprite* s = SpriteList[i];
        if (!s->Visible()) continue;
        RECT frame;
        s->GetFrameRect(now, frame);
        if (draw) draw(s, frame);
    }
}

bool TGameRules::IsFrozen(const TDDSprite* s) {
    return s->UserKind == skPlayer && TimerEnabled(gtFreez) && !RecordOf(s).FreezeExempt;
}

void TGameRules::walkSprite(int& i) {
    TDDSprite* s = SpriteList[i];
    DWORD now = GameClock();
    if (s->Visible() && !IsFrozen(s)) s->Move(now);
    int x = s->GetX(), y = s->GetY();
    TMapCell* cell = Cell(CellOf(x), CellOf(y));
    if (!s->Visible()) {
        retireInvisible(s, cell, i);
        return;
    }
    switch (s->UserKind) {
    case skPlayer:
        TakeBonus(CellOf(x) + (x % CellSize >= CellSize / 2 ? 1 : 0),
                  CellOf(y) + (y % CellSize >= CellSize / 2 ? 1 : 0), s);
        break;
    case skMonster:
        if (s->Loop) KillPlayer(x, y, 0);
        break;
    case skBomb:
        if ((s->Tag() & TagTriggerBomb) == 0 &&
            ((s->Tag() & TagPrimedBomb) || now - s->UserTick > BombFuseMs)) {
            // The explosion may add monsters ahead of the bomb and remove sprites behind it:
            // the walk goes on with the sprite that followed the bomb.
            TDDSprite* next = i + 1 < SpriteList.Count() ? SpriteList[i + 1] : nullptr;
            ExplodeBomb(s);
            int at = next ? SpriteList.IndexOf(next) : -1;
            i = at >= 0 ? at - 1 : i - 1;
        }
        break;
    default:
        break;
    }
}

void TGameRules::retireInvisible(TDDSprite* s, TMapCell* cell, int& i) {
    if (s->UserKind == skMonster && s->Loop) {
        if (GameClock() - s->UserTick > MonsterAppearMs) s->SetVisible(true);
        return;
    }
    if (s->UserKind == skMonster) {
        MonsterList.Remove(s);
        if (cell) {
            for (int& slot : cell->Remains) {
                if (slot == -1) {
                    slot = static_cast<int>(s->FirstFrameY / CellSize);
                    break;
                }
            }
        }
        RedrawBackground();
    } else if (s->UserKind == skBurningWood && cell) {
        cell->Kind = ckFloor;
        if (cell->Item) cell->Item->SetVisible(true);
    }
    if (!s->Loop) {
        SpriteList.Delete(i);
        --i;
        delete s;
    }
}
