// The rules of one running frame: a requested round starts, else every sprite is moved and
// its kind's time rules applied (fuses, monsters appearing, finished animations removed).
#include "game/GameRules.h"

#include <cstdint>

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

int TGameRules::elapsed(const TDDSprite* s) const {
    // Signed: a stamp later than the clock (the clock moved back) counts as no time at all,
    // never as the wrapped-around eternity that would set a fuse off at once.
    return static_cast<std::int32_t>(GameClock() - s->UserTick);
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
        if ((s->Tag() & TagTriggerBomb) == 0 && ((s->Tag() & TagPrimedBomb) || elapsed(s) > BombFuseMs)) {
            // The explosion may add monsters ahead of the bomb and delete sprites behind it
            // (a burnt bonus, whose address a new flame may take): the walk goes on with the
            // first sprite that followed the bomb and still lives, which DeleteSprite keeps.
            walkResume_ = i + 1 < SpriteList.Count() ? SpriteList[i + 1] : nullptr;
            ExplodeBomb(s);
            i = (walkResume_ ? SpriteList.IndexOf(walkResume_) : SpriteList.Count()) - 1;
            walkResume_ = nullptr;
        }
        break;
    default:
        break;
    }
}

void TGameRules::retireInvisible(TDDSprite* s, TMapCell* cell, int& i) {
    if (s->UserKind == skMonster && s->Loop) {
        if (elapsed(s) > MonsterAppearMs) s->SetVisible(true);
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
