// The ends of everything that lasts a fixed time: timed bonuses, the GodMode blink, the end
// of a round and the frame-rate sample. Handlers run on the GUI thread under the game lock.
#include "game/GameRules.h"
#include "platform/kernel/Clock.h"

void TGameRules::OnGameTimer(TGameTimer timer) {
    std::lock_guard lock(gameLock_);
    // A timer switched off after its tick was queued does not run.
    if (!TimerEnabled(timer)) return;
    switch (timer) {
    case gtStats:
        StatsTimerTimer();
        break;
    case gtGameOver:
        GameOverTimerTimer();
        break;
    case gtShow:
        ShowTimerTimer();
        break;
    case gtGluck:
        GluckTimerTimer();
        break;
    case gtMulti:
        MultiTimerTimer();
        break;
    case gtFreez:
        FreezTimerTimer();
        break;
    case gtGodFlip:
        GodFlipTimerTimer();
        break;
    default:
        if (timer >= gtGodMode1)
            GodModeTimerTimer(timer - gtGodMode1);
        else if (timer >= gtMonsterLook1)
            MonsterLookTimerTimer(timer - gtMonsterLook1);
        else
            WoodClipTimerTimer(timer - gtWoodClip1);
        break;
    }
}

void TGameRules::StatsTimerTimer() {
    DWORD now = GetTickCount();
    if (!IsAppPaused() && FrameCount != 0 && GameClock() != 0 && now != FpsSampleTick) {
        Fps = static_cast<int>(static_cast<long long>(FrameCount) * 1000 / (now - FpsSampleTick));
        FpsSampleTick = now;
        FrameCount = 0;
    }
    RedrawStats();
}

void TGameRules::GameOverTimerTimer() {
    for (const TMapCell& cell : Grid) {
        if (cell.Bomb) {
            SetTimerInterval(gtGameOver, 100);
            return;
        }
    }
    for (int i = 0; i < PlayerList.Count() && i < 4; ++i)
        if (PlayerList[i]->Visible()) ++Players[static_cast<std::size_t>(i)].Wins;
    SetTimerEnabled(gtGameOver, false);
    NextRoundRequested = true;
}

void TGameRules::FreezTimerTimer() {
    SetTimerEnabled(gtFreez, false);
    for (int i = 0; i < PlayerList.Count() && i < 4; ++i) {
        Players[static_cast<std::size_t>(i)].FreezeExempt = false;
        TDDSprite* s = PlayerList[i];
        s->Start = s->Start / 5 * 5;
        s->Stop = s->Start + 3;
    }
}

void TGameRules::ShowTimerTimer() {
    SetTimerEnabled(gtShow, false);
    for (TMapCell& cell : Grid) {
        if (TDDSprite* marker = cell.Marker) {
            cell.Marker = nullptr;
            DeleteSprite(marker);
        }
    }
}

void TGameRules::GluckTimerTimer() {
    SetTimerEnabled(gtGluck, false);
}

void TGameRules::MultiTimerTimer() {
    SetTimerEnabled(gtMulti, false);
    for (TPlayerRecord& r : Players)
        r.MultiBomb = false;
}

void TGameRules::GodFlipTimerTimer() {
    bool anyGod = false;
    for (int i = 0; i < PlayerList.Count() && i < 4; ++i) {
        TPlayerRecord& r = Players[static_cast<std::size_t>(i)];
        if (r.GodMode) {
            anyGod = true;
            SwapPlayerColors(static_cast<int>(PlayerList[i]->FirstFrameY), r.ColorsSwapped);
        }
    }
    if (!anyGod) SetTimerEnabled(gtGodFlip, false);
}

void TGameRules::WoodClipTimerTimer(int player) {
    SetTimerEnabled(WoodClipTimer(player), false);
    Players[static_cast<std::size_t>(player)].WoodClip = false;
    if (player < PlayerList.Count()) RefreshWalk(PlayerList[player]);
}

void TGameRules::MonsterLookTimerTimer(int player) {
    SetTimerEnabled(MonsterLookTimer(player), false);
    TPlayerRecord& r = Players[static_cast<std::size_t>(player)];
    r.MonsterLook = false;
    if (player >= PlayerList.Count()) return;
    TDDSprite* s = PlayerList[player];
    if (r.ColorsSwapped) SwapPlayerColors(static_cast<int>(s->FirstFrameY), r.ColorsSwapped);
    s->FirstFrameY = static_cast<unsigned>(player * CellSize);
}

void TGameRules::GodModeTimerTimer(int player) {
    SetTimerEnabled(GodModeTimer(player), false);
    TPlayerRecord& r = Players[static_cast<std::size_t>(player)];
    r.GodMode = false;
    if (r.ColorsSwapped && player < PlayerList.Count())
        SwapPlayerColors(static_cast<int>(PlayerList[player]->FirstFrameY), r.ColorsSwapped);
}
