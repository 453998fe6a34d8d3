#include "GameHarness.h"

#include <algorithm>

namespace game_test {

namespace {

constexpr unsigned timerIntervals[7] = {750, 3000, 10000, 10000, 10000, 5000, 75};

unsigned intervalOf(int t) {
    if (t < gtWoodClip1) return timerIntervals[t];
    return t >= gtGodMode1 ? 15000 : 10000;
}

} // namespace

TTestGame::TTestGame(DWORD seedTime) : clock_(1000) {
    SetLocalTimeSource([seedTime] {
        SystemTime t;
        t.milliseconds = static_cast<int>(seedTime % 1000);
        t.second = static_cast<int>(seedTime / 1000 % 60);
        t.minute = static_cast<int>(seedTime / 60000 % 60);
        return t;
    });
    Sizes = {{gsMaps, {416, 128}},    {gsPlayers, {672, 256}}, {gsExplose, {320, 64}},
             {gsExplose2, {768, 96}}, {gsBomb, {128, 32}},     {gsMonsters, {384, 96}},
             {gsFire, {128, 224}},    {gsBonus, {768, 416}},   {gsBackground, {640, 480}}};
    for (int t = 0; t < GameTimerCount; ++t)
        Timers[static_cast<std::size_t>(t)].interval = intervalOf(t);
    GridWidth = 20;
    GridHeight = 15;
    Options.ThemeItems = 5;
    for (int n = 1; n <= 4; ++n) {
        auto* s = new TDDSprite(&form_);
        SetupPlayerSprite(s, n);
        PlayerList.Add(s);
    }
}

TTestGame::~TTestGame() {
    SetLocalTimeSource({});
}

void TTestGame::SetTimerEnabled(TGameTimer t, bool enabled) {
    Timer& timer = Timers[static_cast<std::size_t>(t)];
    if (enabled && !timer.enabled) timer.due = Clock().Now() + timer.interval;
    timer.enabled = enabled;
}

void TTestGame::SetTimerInterval(TGameTimer t, unsigned ms) {
    Timer& timer = Timers[static_cast<std::size_t>(t)];
    timer.interval = ms;
    timer.due = Clock().Now() + ms;
}

void TTestGame::fireDueTimers() {
    for (;;) {
        int next = -1;
        for (int t = 0; t < GameTimerCount; ++t) {
            const Timer& timer = Timers[static_cast<std::size_t>(t)];
            if (timer.enabled && static_cast<int>(Clock().Now() - timer.due) >= 0 &&
                (next < 0 || static_cast<int>(timer.due - Timers[static_cast<std::size_t>(next)].due) < 0))
                next = t;
        }
        if (next < 0) return;
        Timer& timer = Timers[static_cast<std::size_t>(next)];
        timer.due += timer.interval;
        OnGameTimer(static_cast<TGameTimer>(next));
    }
}

void TTestGame::Frame(DWORD ms) {
    Clock().Advance(ms);
    fireDueTimers();
    if (AppPaused) return;
    if (!RunningHandler) {
        // The paused frame polls the keys and draws the title; the rules rest.
        return;
    }
    if (!GameRunning) return;
    if (RunFrameRules()) AnimateSprites({});
}

void TTestGame::SetMaze(const std::vector<std::string>& rows) {
    std::lock_guard lock(GameLock());
    for (int i = SpriteList.Count() - 1; i >= 0; --i) {
        TDDSprite* s = SpriteList[i];
        if (PlayerList.IndexOf(s) < 0) DeleteSprite(s);
    }
    MonsterList.Clear();
    GridHeight = static_cast<int>(rows.size());
    GridWidth = static_cast<int>(rows[0].size());
    Sizes[gsBackground] = {GridWidth * CellSize, GridHeight * CellSize};
    Grid.assign(static_cast<std::size_t>(GridWidth * GridHeight), TMapCell{});
    for (int y = 0; y < GridHeight; ++y) {
        for (int x = 0; x < GridWidth; ++x) {
            char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            Cell(x, y)->Kind = c == '#' ? ckSolid : c == 'w' ? ckWood : ckFloor;
        }
    }
    for (int n = 1; n <= 4; ++n) {
        TDDSprite* s = Player(n);
        SpriteList.Remove(s);
        s->SetVisible(false);
        s->SetTag(n);
        s->LimMovX1 = s->LimMovY1 = 0;
        s->LimMovX2 = GridWidth * CellSize;
        s->LimMovY2 = GridHeight * CellSize;
        Players[static_cast<std::size_t>(n - 1)] = TPlayerRecord{};
    }
    GameRunning = true;
    Paused = false;
    RunningHandler = true;
}

void TTestGame::PutPlayer(int n, int cx, int cy) {
    TDDSprite* s = Player(n);
    s->SetX(cx * CellSize);
    s->SetY(cy * CellSize);
    s->SetVelocityX(0);
    s->SetVelocityY(0);
    if (!s->Visible()) s->SetVisible(true);
    if (SpriteList.IndexOf(s) < 0) SpriteList.Insert(0, s);
}

TDDSprite* TTestGame::PutItem(int cx, int cy, TBonusKind kind, bool visible) {
    TDDSprite* item = CreateCellSprite(cx, cy, BonusFrames[static_cast<std::size_t>(kind)]);
    item->UserKind = skBonus;
    item->SetTag(kind);
    item->SetVisible(visible);
    Cell(cx, cy)->Item = item;
    SpriteList.Add(item);
    return item;
}

int TTestGame::CountKind(int kind) const {
    int n = 0;
    for (int i = 0; i < SpriteList.Count(); ++i)
        n += SpriteList[i]->UserKind == kind ? 1 : 0;
    return n;
}

int TTestGame::CuesOf(TSoundCue cue) const {
    return static_cast<int>(
        std::count_if(Cues.begin(), Cues.end(), [cue](const SoundCue& c) { return c.cue == cue; }));
}

} // namespace game_test
