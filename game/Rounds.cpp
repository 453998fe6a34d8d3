// Round generation: a fresh random maze with the players in their corners, bonuses hidden in
// the wood and monsters shut into floor pockets no player can reach.
#include "game/GameRules.h"
#include "platform/kernel/Random.h"

#include <algorithm>

namespace {

enum PlanValue : int {
    planUnreached = 0,
    planReached = 1,
    planWood = 3,
    planWoodWithBonus = 4,
    planSolid = 5,
};

struct Corner {
    int x, y;           // the start cell
    int nx, ny, vx, vy; // the neighbours made floor with it
};

// The corner of player n (0..3) on a w x h grid.
Corner cornerOf(int n, int w, int h) {
    switch (n) {
    case 0:
        return {0, 0, 1, 0, 0, 1};
    case 1:
        return {0, h - 1, 1, h - 1, 0, h - 2};
    case 2:
        return {w - 1, h - 1, w - 2, h - 1, w - 1, h - 2};
    default:
        return {w - 1, 0, w - 2, 0, w - 1, 1};
    }
}

// The index of the r-th cell (from 0, in index order) with the given plan value, or -1.
int nthWithValue(const std::vector<int>& plan, int value, int r) {
    for (std::size_t i = 0; i < plan.size(); ++i)
        if (plan[i] == value && r-- == 0) return static_cast<int>(i);
    return -1;
}

} // namespace

void TGameRules::StartMatch() {
    Round = 1;
    for (TPlayerRecord& r : Players)
        r.Wins = r.Kills = r.Suicide = 0;
    NewRound();
    InfoWaitsForEnter = true;
    ShowInfo = true;
}

TDDSprite* TGameRules::CreateCellSprite(int cx, int cy, int n) {
    n = std::max(n, 1);
    auto* s = new TDDSprite(SpriteOwner());
    s->Interval = 150;
    s->Start = 0;
    s->Stop = static_cast<unsigned>(n - 1);
    s->FramesPerLine = static_cast<unsigned>(n);
    s->AutoBounce = false;
    s->FrameWidth = s->FrameHeight = s->ShowWidth = s->ShowHeight = CellSize;
    s->SetX(cx * CellSize);
    s->SetY(cy * CellSize);
    s->LimMovX1 = s->LimMovY1 = 0;
    s->LimMovX2 = SheetWidth(gsBackground);
    s->LimMovY2 = SheetHeight(gsBackground);
    return s;
}

void TGameRules::NewRound() {
    std::lock_guard lock(gameLock_);
    GameRunning = false;
    for (TGameTimer t : {gtGluck, gtShow, gtFreez, gtMulti, gtGodFlip, gtGameOver})
        SetTimerEnabled(t, false);
    for (int p = 0; p < 4; ++p) {
        SetTimerEnabled(WoodClipTimer(p), false);
        SetTimerEnabled(MonsterLookTimer(p), false);
        GodModeTimerTimer(p);
    }
    clearRoundSprites();
    chooseTheme();
    std::vector<int> plan(static_cast<std::size_t>(std::max(GridWidth * GridHeight, 0)), planUnreached);
    Grid.assign(plan.size(), TMapCell{});
    Randomize();
    layMaze(plan);
    clearCorners(plan);
    placeBonuses(plan);
    if (Options.Monsters > 0) placeMonsters(plan);
    resetPlayers();
    RedrawBackground();
    RedrawStats();
    RedrawInfo();
    NextTrack();
    GameRunning = true;
    RedrawBackground();
}

void TGameRules::clearRoundSprites() {
    for (int i = 0; i < PlayerList.Count(); ++i)
        SpriteList.Remove(PlayerList[i]);
    while (SpriteList.Count() > 0) {
        TDDSprite* s = SpriteList[SpriteList.Count() - 1];
        SpriteList.Delete(SpriteList.Count() - 1);
        delete s;
    }
    MonsterList.Clear();
    for (TMapCell& cell : Grid)
        cell.Item = cell.Bomb = cell.Marker = nullptr;
}

void TGameRules::chooseTheme() {
    int i = Options.ThemeIndex;
    if (i < 1) {
        ThemeRow = GameRandom(Options.ThemeItems - 1);
        ThemeChanged();
    } else if (i - 1 != ThemeRow) {
        ThemeRow = i - 1;
        ThemeChanged();
    }
}

void TGameRules::layMaze(std::vector<int>& plan) {
    for (int y = 0; y < GridHeight; ++y) {
        for (int x = 0; x < GridWidth; ++x) {
            TMapCell& cell = *Cell(x, y);
            int& value = plan[static_cast<std::size_t>(y * GridWidth + x)];
            if ((x & 1) && (y & 1)) {
                cell.Kind = ckSolid;
                value = planSolid;
            } else if (GameRandom(2) == 0) {
                cell.Kind = ckFloor;
                value = planUnreached;
            } else {
                cell.Kind = ckWood;
                value = planWood;
            }
        }
    }
}

void TGameRules::clearCorners(std::vector<int>& plan) {
    for (int n = 0; n < PlayerList.Count() && n < 4; ++n) {
        TDDSprite* s = PlayerList[n];
        bool playing = Options.Playing[static_cast<std::size_t>(n)];
        s->SetVisible(playing);
        s->SetTag(s->Tag() & ~TagHeldKeys);
        s->SetVelocityX(0.0);
        s->SetVelocityY(0.0);
        Corner c = cornerOf(n, GridWidth, GridHeight);
        s->SetX(c.x * CellSize);
        s->SetY(c.y * CellSize);
        // A corner nobody starts from is plain floor: no bonus is hidden there (it could never
        // be uncovered), and a pocket it lies in may hold monsters.
        int value = playing ? planReached : planUnreached;
        for (auto [x, y] : {std::pair{c.x, c.y}, std::pair{c.nx, c.ny}, std::pair{c.vx, c.vy}}) {
            if (TMapCell* cell = Cell(x, y)) {
                cell->Kind = ckFloor;
                plan[static_cast<std::size_t>(y * GridWidth + x)] = value;
            }
        }
        if (playing) SpriteList.Insert(0, s);
    }
}

void TGameRules::placeBonuses(std::vector<int>& plan) {
    int w = static_cast<int>(std::count(plan.begin(), plan.end(), planWood));
    int total = 0;
    for (int count : Options.BonusCount)
        total += std::max(count, 0);
    int m = std::min(total, w);
    if (total <= 0 || m <= 0) return;
    std::vector<int> kinds;
    for (int k = 0; k < BonusKindCount; ++k)
        kinds.insert(kinds.end(), std::max(Options.BonusCount[static_cast<std::size_t>(k)], 0) * m / total,
                     k);
    for (int k : kinds) {
        int index = nthWithValue(plan, planWood, GameRandom(w));
        --w;
        plan[static_cast<std::size_t>(index)] = planWoodWithBonus;
        int frames = std::max(BonusFrames[static_cast<std::size_t>(k)], 1);
        TDDSprite* item = CreateCellSprite(index % GridWidth, index / GridWidth, frames);
        item->SetVisible(false);
        item->FirstFrameX = 0;
        item->FirstFrameY = static_cast<unsigned>(k * CellSize);
        item->Frames = Sheet(gsBonus);
        item->UserKind = skBonus;
        item->SetTag(k);
        item->Offset = static_cast<unsigned>(GameRandom(frames));
        item->Interval = 100;
        Grid[static_cast<std::size_t>(index)].Item = item;
        SpriteList.Add(item);
    }
}

void TGameRules::placeMonsters(std::vector<int>& plan) {
    static constexpr int dx[4] = {-1, 1, 0, 0};
    static constexpr int dy[4] = {0, 0, -1, 1};
    bool changed = true;
    while (changed) {
        changed = false;
        for (int index = 0; index < GridWidth * GridHeight; ++index) {
            if (plan[static_cast<std::size_t>(index)] != planReached) continue;
            int x = index % GridWidth, y = index / GridWidth;
            for (int d = 0; d < 4; ++d) {
                int nx = x + dx[d], ny = y + dy[d];
                if (nx < 0 || ny < 0 || nx >= GridWidth || ny >= GridHeight) continue;
                int& value = plan[static_cast<std::size_t>(ny * GridWidth + nx)];
                if (value == planUnreached) {
                    value = planReached;
                    changed = true;
                }
            }
        }
    }
    // Without a pocket there is nowhere to shut monsters in, so none are placed.
    int f = static_cast<int>(std::count(plan.begin(), plan.end(), planUnreached));
    if (f == 0) return;
    for (int i = 0; i < Options.Monsters; ++i) {
        int index = nthWithValue(plan, planUnreached, GameRandom(f));
        SpawnMonster(index % GridWidth, index / GridWidth);
    }
}

void TGameRules::resetPlayers() {
    for (int k = 0; k < PlayerList.Count() && k < 4; ++k) {
        TDDSprite* s = PlayerList[k];
        s->FirstFrameY = static_cast<unsigned>(k * CellSize);
        s->SetTag(s->Tag() & ~TagHeldKeys);
        s->SetVelocityX(0.0);
        s->SetVelocityY(0.0);
        s->LimMovX1 = s->LimMovY1 = 0;
        s->LimMovX2 = SheetWidth(gsBackground);
        s->LimMovY2 = SheetHeight(gsBackground);
        s->Start = s->Stop = 15;
        TPlayerRecord& r = Players[static_cast<std::size_t>(k)];
        r.Power = 1;
        r.Bombs = 1;
        r.Speed = 100.0;
        r.FreezeExempt = r.MultiBomb = r.BombLive = r.BombClip = r.WoodClip = false;
        r.Trigger = r.MonsterLook = r.GodMode = r.ColorsSwapped = false;
    }
}
