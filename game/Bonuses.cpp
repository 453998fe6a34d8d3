// Bonuses and hits: a player takes the bonus on his cell when its condition holds; one hit
// test serves flames, monsters and players in monster look.
#include "game/GameRules.h"

#include <cstdlib>

void TGameRules::TakeBonus(int cx, int cy, TDDSprite* s) {
    TPlayerRecord& r = RecordOf(s);
    if (r.MonsterLook) KillPlayer(s->GetX(), s->GetY(), PlayerNumber(s) | 0x100);
    TMapCell* cell = Cell(cx, cy);
    if (!cell || !cell->Item || !cell->Item->Visible()) return;
    grantBonus(cell->Item, s, r);
}

void TGameRules::grantBonus(TDDSprite* item, TDDSprite* s, TPlayerRecord& r) {
    int column = CellOf(item->GetX());
    int p = PlayerNumber(s) - 1;
    TSoundCue cue = scBonus;
    switch (item->Tag()) {
    case bkPower:
        if (r.Power >= MaxPower) return;
        ++r.Power;
        break;
    case bkBombs:
        ++r.Bombs;
        break;
    case bkTrigger:
        if (r.Trigger) return;
        cue = scHuHu;
        r.Trigger = true;
        RefreshWalk(s);
        break;
    case bkSpeed:
        if (r.Speed > 100.0) return;
        cue = scSpeed;
        r.Speed = 200.0;
        RefreshWalk(s);
        break;
    case bkBombLive:
        if (r.BombLive) return;
        cue = scCool;
        r.BombLive = true;
        break;
    case bkBombClip:
        if (r.BombClip) return;
        r.BombClip = true;
        RefreshWalk(s);
        break;
    case bkGodMode:
        if (r.GodMode) return;
        cue = scCool;
        r.GodMode = true;
        SetTimerEnabled(GodModeTimer(p), true);
        SetTimerEnabled(gtGodFlip, true);
        break;
    case bkFreeze:
        if (TimerEnabled(gtFreez)) return;
        cue = scFreez;
        r.FreezeExempt = true;
        for (int i = 0; i < PlayerList.Count(); ++i) {
            TDDSprite* other = PlayerList[i];
            if (other != s && other->Visible()) other->Start = other->Stop = other->Start / 5 * 5 + 4;
        }
        SetTimerEnabled(gtFreez, true);
        break;
    case bkWoodClip:
        if (r.WoodClip) return;
        r.WoodClip = true;
        SetTimerEnabled(WoodClipTimer(p), true);
        RefreshWalk(s);
        break;
    case bkShowSecrets:
        if (TimerEnabled(gtShow)) return;
        cue = scHuHu;
        for (int y = 0; y < GridHeight; ++y) {
            for (int x = 0; x < GridWidth; ++x) {
                TMapCell& c = *Cell(x, y);
                if (c.Kind != ckWood || !c.Item || c.Marker) continue;
                TDDSprite* marker = CreateCellSprite(x, y, 2);
                marker->Interval = 400;
                marker->UserKind = skSecretMarker;
                marker->FirstFrameX = CellSize;
                marker->FirstFrameY = static_cast<unsigned>(ThemeRow * CellSize);
                marker->Frames = Sheet(gsMaps);
                c.Marker = marker;
                SpriteList.Add(marker);
            }
        }
        SetTimerEnabled(gtShow, true);
        break;
    case bkMultiBomb:
        if (TimerEnabled(gtMulti)) return;
        r.MultiBomb = true;
        SetTimerEnabled(gtMulti, true);
        break;
    case bkMonster:
        if (r.MonsterLook) return;
        cue = scCool;
        if (r.ColorsSwapped) SwapPlayerColors(static_cast<int>(s->FirstFrameY), r.ColorsSwapped);
        s->FirstFrameY += 4 * CellSize;
        r.MonsterLook = true;
        SetTimerEnabled(MonsterLookTimer(p), true);
        break;
    case bkSkull:
        cue = scShit;
        if (TimerEnabled(gtGluck)) {
            StrongGlitch = true;
            SetTimerEnabled(gtGluck, false);
        } else {
            StrongGlitch = false;
        }
        SetTimerEnabled(gtGluck, true);
        break;
    default:
        return;
    }
    PlayCue(cue, column);
    TMapCell* cell = Cell(column, CellOf(item->GetY()));
    if (cell && cell->Item == item) cell->Item = nullptr;
    DeleteSprite(item);
}

void TGameRules::KillPlayer(int x, int y, int code) {
    int killer = (code & 0xFF) - 1;
    bool contact = (code & 0x100) != 0;
    bool anyHit = false;
    for (int i = 0; i < PlayerList.Count() && i < 4; ++i) {
        TDDSprite* s = PlayerList[i];
        TPlayerRecord& r = Players[static_cast<std::size_t>(i)];
        if (!s->Visible() || r.GodMode) continue;
        int dx = std::abs(x - s->GetX()), dy = std::abs(y - s->GetY());
        bool hit;
        if (killer < 0)
            hit = !r.MonsterLook && dx < 8 && dy < 8;
        else if (contact)
            hit = i != killer && dx < 8 && dy < 8;
        else
            hit = !(i == killer && r.BombLive) && dx < CellSize && dy < CellSize;
        if (!hit) continue;
        anyHit = true;
        if (i == killer)
            ++r.Suicide;
        else if (killer >= 0 && killer < 4)
            ++Players[static_cast<std::size_t>(killer)].Kills;
        s->SetVisible(false);
        if (TMapCell* cell = Cell((s->GetX() + 16) / CellSize, (s->GetY() + 16) / CellSize)) {
            cell->DeadPlayer = i;
            RedrawBackground();
        }
        if (r.Trigger) {
            // Only bombs still waiting for the dead player's key get a fuse; a bomb a flame
            // has already primed goes off as it is.
            for (TMapCell& c : Grid) {
                if (c.Bomb && (c.Bomb->Tag() & TagPlayerMask) == i + 1 && (c.Bomb->Tag() & TagTriggerBomb)) {
                    c.Bomb->UserTick = GameClock();
                    c.Bomb->SetTag(c.Bomb->Tag() & ~TagTriggerBomb);
                }
            }
        }
    }
    if (!anyHit) return;
    PlayCue(scExPlayer, CellOf(x));
    CreateExplosion(x, y, gsExplose2);
    int alive = 0;
    for (int i = 0; i < PlayerList.Count(); ++i)
        alive += PlayerList[i]->Visible() ? 1 : 0;
    if (alive < 2) {
        SetTimerEnabled(gtGameOver, true);
        if (alive == 1 && Options.SFXEnabled) PlaySound(scFinal, 0);
    }
    RedrawInfo();
}
